// tolma: a host window for the communicator from the command line. It
// announces itself, finds the communicator on the desktop and sends it
// request texts; what comes back goes to standard output, errors to standard
// error.
#include <CLI/CLI.hpp>
#include <algorithm>
#include <csignal>
#include <cstdio>
#include <iostream>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "console/standard_output.h"
#include "ctl_arguments.h"
#include "host_session.h"
#include "host_texts.h"
#include "item_text.h"
#include "platform/command_line.h"
#include "platform/console_setup.h"
#include "platform/help_texts.h"
#include "tool_cli.h"

namespace {

volatile std::sig_atomic_t interrupted = 0;
constexpr int kStatsTailMs = 200;

void Interrupt(int) {
  interrupted = 1;
}

std::string Quoted(const std::string& text) {
  return "\"" + text + "\"";
}

// "zpráva 0xDD3C, odeslaná, wParam 2, lParam 0, text "abc|""
std::string RecordLine(const tolma::Received& r, std::uint32_t ours) {
  char head[96];
  std::snprintf(head, sizeof head, "zpráva 0x%04X%s, %s, wParam %u, lParam %lld",
                static_cast<unsigned>(r.message), r.message == ours ? " (MSG_TOLMA)" : "",
                r.sent ? "odeslaná" : "vložená", static_cast<unsigned>(r.wparam),
                static_cast<long long>(r.lparam));
  std::string line = head;
  if (!r.text.empty()) line += ", text " + Quoted(r.text);
  return line;
}

// "2 s", "0.5 s"
std::string Seconds(double seconds) {
  char text[32];
  std::snprintf(text, sizeof text, "%g s", seconds);
  return text;
}

int Fail(const std::string& error) {
  std::cerr << "tolma: " << error << "\n";
  return 1;
}

// What the command line asked for, checked.
struct Command {
  std::string desktop;
  std::int64_t to = 0;
  double wait = 2.0;
  bool wait_given = false;
  double lock_wait = tolma::HostSession::kTurnWaitMs / 1000.0;
  std::string text;
  std::vector<vx2::ItemCode> codes;
  vx2::ItemValue record{};

  int WaitMs() const { return static_cast<int>(wait * 1000); }
};

// The communicator's answers (wParam 2) among what came.
constexpr std::uint32_t kAnswer = 2;

bool IsAnswer(const tolma::HostSession& session, const tolma::Received& r) {
  return r.message == session.Message() && r.wparam == kAnswer;
}

std::vector<std::string> Answers(tolma::HostSession& session) {
  std::vector<std::string> texts;
  for (const tolma::Received& r : session.Inbox()) {
    if (IsAnswer(session, r)) texts.push_back(r.text);
  }
  return texts;
}

int Listen(tolma::HostSession& session, const Command& command) {
  std::signal(SIGINT, Interrupt);
  std::signal(SIGTERM, Interrupt);
  session.OnMessage([&session](const tolma::Received& r) {
    std::cout << RecordLine(r, session.Message()) << std::endl;
  });
  std::cout << "tolma: okno " << session.Handle() << " naslouchá" << std::endl;
  std::string error;
  if (command.to != 0) {
    if (!session.Announce(command.to, error)) return Fail(error);
  } else {
    session.AnnounceToAll();
  }
  // Listening for long would hold up every other run.
  session.EndTurn();
  for (int waited = 0; !interrupted && (!command.wait_given || waited < command.WaitMs());
       waited += 100) {
    session.Pump(100);
  }
  return 0;
}

int Send(tolma::HostSession& session, const Command& command) {
  std::string error;
  if (!session.Request(command.text, error)) return Fail(error);
  session.OnMessage([&session](const tolma::Received& r) {
    if (IsAnswer(session, r)) std::cout << r.text << std::endl;
  });
  session.Pump(command.WaitMs());
  return 0;
}

int Write(tolma::HostSession& session, const Command& command) {
  std::string error;
  if (!session.Request(tolma::WriteRequest(command.record), error)) return Fail(error);
  std::cout << vx2::ItemLine(command.record) << " předáno komunikátoru" << std::endl;
  return 0;
}

int Close(tolma::HostSession& session, const Command& command) {
  std::string error;
  if (!session.Request(tolma::kCloseRequest, error)) return Fail(error);
  auto closed = [&session] {
    const auto texts = Answers(session);
    return std::find(texts.begin(), texts.end(), tolma::kClosedNotice) != texts.end();
  };
  session.Pump(command.WaitMs(), closed);
  if (!closed()) return Fail("komunikátor nepotvrdil ukončení do " + Seconds(command.wait));
  std::cout << tolma::kClosedNotice << std::endl;
  return 0;
}

int Stats(tolma::HostSession& session, const Command& command) {
  std::string error;
  if (!session.Request(tolma::kStatsRequest, error)) return Fail(error);
  std::vector<std::pair<std::string, std::string>> rows;
  auto take = [&] {
    rows.clear();
    for (const std::string& t : Answers(session)) {
      if (const auto pairs = tolma::ParseStatsAnswer(t)) {
        rows.insert(rows.end(), pairs->begin(), pairs->end());
      }
    }
    return !rows.empty();
  };
  session.Pump(command.WaitMs(), take);
  if (!take()) return Fail("komunikátor neposlal statistiku do " + Seconds(command.wait));
  // Its texts leave together; the rest follow the first at once.
  session.Pump(kStatsTailMs);
  take();
  std::size_t width = 0;
  for (const auto& row : rows) width = std::max(width, row.first.size());
  for (const auto& [name, value] : rows) {
    std::cout << name << std::string(width - name.size() + 2, ' ') << value << "\n";
  }
  return 0;
}

// Each answer is matched as it comes, so that a long list stays quick.
int Read(tolma::HostSession& session, const Command& command) {
  std::map<vx2::ItemCode, std::optional<std::uint32_t>> values;
  for (const vx2::ItemCode& code : command.codes) values[code];
  std::size_t unanswered = values.size();
  session.OnMessage([&](const tolma::Received& r) {
    const auto item = IsAnswer(session, r) ? tolma::ParseReadAnswer(r.text) : std::nullopt;
    const auto value = item ? values.find(item->code) : values.end();
    if (value != values.end() && !value->second) {
      value->second = item->value;
      --unanswered;
    }
  });
  std::string error;
  for (const vx2::ItemCode& code : command.codes) {
    if (!session.Request(tolma::ReadRequest(code), error)) return Fail(error);
  }
  session.Pump(command.WaitMs(), [&] { return unanswered == 0; });
  std::string missing;
  for (const vx2::ItemCode& code : command.codes) {
    if (const std::optional<std::uint32_t> value = values[code]) {
      std::cout << vx2::ItemLine({code, *value}) << "\n";
    } else {
      missing += " " + vx2::ItemCodeText(code);
    }
  }
  std::cout.flush();
  if (!missing.empty()) return Fail("bez odpovědi do " + Seconds(command.wait) + ":" + missing);
  return 0;
}

using Runner = int (*)(tolma::HostSession&, const Command&);

// The options every command shares; returns --wait, whose presence counts.
CLI::Option* AddSharedOptions(CLI::App& app, Command& command) {
  app.add_option("--desktop", command.desktop, korvex::kDesktopOptionHelp)
      ->type_name(korvex::kDesktopOptionType);
  app.add_option("--to", command.to, "Popisovač komunikátoru (jinak se hledá na ploše).")
      ->type_name("POPISOVAČ")
      ->check(vx2::WholeNumberFromTo(1, 2147483647));
  CLI::Option* wait_option =
      app.add_option("--wait", command.wait, "Jak dlouho čekat na odpovědi, v sekundách.")
          ->type_name("S")
          ->check(vx2::SecondsUpTo(3600))
          ->capture_default_str();
  app.add_option("--lock-wait", command.lock_wait,
                 "Jak dlouho čekat, než plochu uvolní jiný běh tolma, v sekundách.")
      ->type_name("S")
      ->check(vx2::SecondsUpTo(3600))
      ->capture_default_str();
  return wait_option;
}

// The commands, one subcommand each, and what their arguments become.
class Commands {
 public:
  Commands(CLI::App& app, Command& command) : command_(command) {
    app.require_subcommand(1);
    app.fallthrough();
    listen_ = app.add_subcommand(
        "listen", "Vypisuje každou zprávu, která přijde, do Ctrl+C (nebo do --wait).");
    send_ = app.add_subcommand(
        "send", "Pošle jeden text požadavku a vypíše texty, které přijdou do --wait.");
    send_
        ->add_option("text", command.text,
                     "Text požadavku, např. \"QQ_RD 00 01 02|\" (| se doplní).")
        ->type_name("TEXT")
        ->required();
    read_ = app.add_subcommand("read", "Přečte položky přes komunikátor.");
    read_->add_option("kódy", read_codes_, "Kódy položek, např. 000102 000103.")
        ->type_name("KÓD")
        ->required();
    write_ = app.add_subcommand("write", "Zapíše hodnotu položky přes komunikátor.");
    write_->add_option("kód", write_code_, "Kód položky, např. 000102.")
        ->type_name("KÓD")
        ->required();
    write_->add_option("hodnota", write_value_, "Hodnota: desítkově, nebo šestnáctkově s 0x.")
        ->type_name("HODNOTA")
        ->required();
    CLI::App* close =
        app.add_subcommand("close", "Požádá komunikátor o ukončení a čeká na \"KORVEX CLOSED|\".");
    CLI::App* stats = app.add_subcommand(
        "stats", "Vyžádá si statistiku spojení (\"STATS|\") a vypíše ji jako tabulku.");
    table_ = {{listen_, Listen}, {send_, Send},  {read_, Read},
              {write_, Write},   {close, Close}, {stats, Stats}};
    for (const auto& [subcommand, run] : table_) subcommand->group("Příkazy");
  }
  Commands(const Commands&) = delete;
  Commands& operator=(const Commands&) = delete;

  // Completes the parsed command's arguments; false with the reason when
  // they do not hold.
  bool Check(std::string& error) {
    std::string& text = command_.text;
    if (send_->parsed() && (text.empty() || text.back() != '|')) text += '|';
    if (send_->parsed() && text.size() > 255) error = "text požadavku má nejvýše 255 bajtů";
    return error.empty() &&
           (!read_->parsed() || vx2::ctl::ParseReadArguments(read_codes_, command_.codes, error)) &&
           (!write_->parsed() ||
            vx2::ctl::ParseWriteArguments(write_code_, write_value_, command_.record, error));
  }

  // Joins the desktop and runs the parsed command; the exit status.
  int Run() const {
    tolma::HostSession session;
    std::string error;
    if (!session.Open(command_.desktop, error, static_cast<int>(command_.lock_wait * 1000))) {
      return Fail(error);
    }
    // listen announces itself its own way; the rest first find the communicator.
    if (!listen_->parsed() && !session.Announce(command_.to, error)) return Fail(error);
    for (const auto& [subcommand, run] : table_) {
      if (subcommand->parsed()) return run(session, command_);
    }
    return 2;
  }

 private:
  Command& command_;
  CLI::App* listen_ = nullptr;
  CLI::App* send_ = nullptr;
  CLI::App* read_ = nullptr;
  CLI::App* write_ = nullptr;
  std::vector<std::string> read_codes_;
  std::string write_code_;
  std::string write_value_;
  std::vector<std::pair<CLI::App*, Runner>> table_;
};

int RunTolma(int argc, char** argv) {
  CLI::App app{
      "Nadřízená aplikace komunikátoru z příkazového řádku: ohlásí se jako okno hostitele "
      "na ploše kanálu, najde komunikátor a posílá mu požadavky.",
      "tolma"};
  vx2::UseCzechCommandLine(app);
  Command command;
  const CLI::Option* wait_option = AddSharedOptions(app, command);
  Commands commands(app, command);
  try {
    vx2::ParseArguments(app, argc, argv);
  } catch (const CLI::ParseError& end) {
    return vx2::ReportParseEnd(app, end, std::cout, std::cerr);
  }
  command.wait_given = wait_option->count() > 0;
  std::string error;
  if (!commands.Check(error)) {
    std::cerr << vx2::BadCommandLineText(app, error);
    return 2;
  }
  return commands.Run();
}

}  // namespace

int main(int argc, char** argv) {
  korvex::TakeUtf8CommandLine(argc, argv);
  korvex::PrepareConsoleOutput();
  korvex::SetOutputProgramName("tolma");
  return korvex::ExitStatusAfterOutput(RunTolma(argc, argv), 1);
}
