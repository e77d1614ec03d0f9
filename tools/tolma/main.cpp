// tolma: a host window for the communicator from the command line. It
// announces itself, finds the communicator on the desktop and sends it
// request texts; what comes back goes to standard output, errors to standard
// error.
#include <CLI/CLI.hpp>
#include <charconv>
#include <csignal>
#include <cstdio>
#include <iostream>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "ctl_arguments.h"
#include "host_session.h"
#include "host_texts.h"
#include "item_text.h"
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

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{
      "Nadřízená aplikace komunikátoru z příkazového řádku: ohlásí se jako okno hostitele "
      "na ploše kanálu, najde komunikátor a posílá mu požadavky.",
      "tolma"};
  vx2::UseCzechCommandLine(app);
  std::string desktop;
  std::int64_t to = 0;
  double wait = 2.0;
  app.add_option("--desktop", desktop,
                 "Adresář plochy kanálu (jinak $TOLMA_DESKTOP, $XDG_RUNTIME_DIR/tolma "
                 "nebo /tmp/tolma-<uid>); na Windows jméno plochy.")
      ->type_name("ADRESÁŘ");
  app.add_option("--to", to, "Popisovač komunikátoru (jinak se hledá na ploše).")
      ->type_name("POPISOVAČ")
      ->check(vx2::WholeNumberFromTo(1, 2147483647));
  CLI::Option* wait_option =
      app.add_option("--wait", wait, "Jak dlouho čekat na odpovědi, v sekundách.")
          ->type_name("S")
          ->check(vx2::SecondsUpTo(3600))
          ->capture_default_str();
  double lock_wait = tolma::HostSession::kTurnWaitMs / 1000.0;
  app.add_option("--lock-wait", lock_wait,
                 "Jak dlouho čekat, než plochu uvolní jiný běh tolma, v sekundách.")
      ->type_name("S")
      ->check(vx2::SecondsUpTo(3600))
      ->capture_default_str();
  app.require_subcommand(1);
  app.fallthrough();

  CLI::App* listen = app.add_subcommand(
      "listen", "Vypisuje každou zprávu, která přijde, do Ctrl+C (nebo do --wait).");
  std::string text;
  CLI::App* send = app.add_subcommand(
      "send", "Pošle jeden text požadavku a vypíše texty, které přijdou do --wait.");
  send->add_option("text", text, "Text požadavku, např. \"QQ_RD 00 01 02|\" (| se doplní).")
      ->type_name("TEXT")
      ->required();
  std::vector<std::string> read_codes;
  CLI::App* read = app.add_subcommand("read", "Přečte položky přes komunikátor.");
  read->add_option("kódy", read_codes, "Kódy položek, např. 000102 000103.")
      ->type_name("KÓD")
      ->required();
  std::string write_code;
  std::string write_value;
  CLI::App* write = app.add_subcommand("write", "Zapíše hodnotu položky přes komunikátor.");
  write->add_option("kód", write_code, "Kód položky, např. 000102.")->type_name("KÓD")->required();
  write->add_option("hodnota", write_value, "Hodnota: desítkově, nebo šestnáctkově s 0x.")
      ->type_name("HODNOTA")
      ->required();
  CLI::App* close =
      app.add_subcommand("close", "Požádá komunikátor o ukončení a čeká na \"KORVEX CLOSED|\".");
  CLI::App* stats = app.add_subcommand(
      "stats", "Vyžádá si statistiku spojení (\"STATS|\") a vypíše ji jako tabulku.");
  for (CLI::App* command : {listen, send, read, write, close, stats}) command->group("Příkazy");

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& end) {
    return vx2::ReportParseEnd(app, end, std::cout, std::cerr);
  }
  std::string error;
  std::vector<vx2::ItemCode> codes;
  vx2::ItemValue record{};
  if (send->parsed() && (text.empty() || text.back() != '|')) text += '|';
  if (send->parsed() && text.size() > 255) error = "text požadavku má nejvýše 255 bajtů";
  if (!error.empty() ||
      (read->parsed() && !vx2::ctl::ParseReadArguments(read_codes, codes, error)) ||
      (write->parsed() && !vx2::ctl::ParseWriteArguments(write_code, write_value, record, error))) {
    std::cerr << "tolma: " << error << "\n";
    return 2;
  }
  const int wait_ms = static_cast<int>(wait * 1000);

  tolma::HostSession session;
  if (!session.Open(desktop, error, static_cast<int>(lock_wait * 1000))) return Fail(error);

  if (listen->parsed()) {
    std::signal(SIGINT, Interrupt);
    std::signal(SIGTERM, Interrupt);
    session.OnMessage([&session](const tolma::Received& r) {
      std::cout << RecordLine(r, session.Message()) << std::endl;
    });
    std::cout << "tolma: okno " << session.Handle() << " naslouchá" << std::endl;
    if (to != 0) {
      if (!session.Announce(to, error)) return Fail(error);
    } else {
      session.AnnounceToAll();
    }
    // Listening for long would hold up every other run.
    session.EndTurn();
    for (int waited = 0; !interrupted && (wait_option->count() == 0 || waited < wait_ms);
         waited += 100) {
      session.Pump(100);
    }
    return 0;
  }

  if (!session.Announce(to, error)) return Fail(error);
  constexpr std::uint32_t answer = 2;
  auto answers = [&session] {
    std::vector<std::string> texts;
    for (const tolma::Received& r : session.Inbox()) {
      if (r.message == session.Message() && r.wparam == answer) texts.push_back(r.text);
    }
    return texts;
  };

  if (send->parsed()) {
    if (!session.Request(text, error)) return Fail(error);
    session.OnMessage([&session](const tolma::Received& r) {
      if (r.message == session.Message() && r.wparam == answer) std::cout << r.text << std::endl;
    });
    session.Pump(wait_ms);
    return 0;
  }
  if (write->parsed()) {
    if (!session.Request(tolma::WriteRequest(record), error)) return Fail(error);
    std::cout << vx2::ItemLine(record) << " předáno komunikátoru" << std::endl;
    return 0;
  }
  if (close->parsed()) {
    if (!session.Request(tolma::kCloseRequest, error)) return Fail(error);
    auto closed = [&] {
      const auto texts = answers();
      return std::find(texts.begin(), texts.end(), tolma::kClosedNotice) != texts.end();
    };
    session.Pump(wait_ms, closed);
    if (!closed()) return Fail("komunikátor nepotvrdil ukončení do " + Seconds(wait));
    std::cout << tolma::kClosedNotice << std::endl;
    return 0;
  }

  if (stats->parsed()) {
    if (!session.Request(tolma::kStatsRequest, error)) return Fail(error);
    std::vector<std::pair<std::string, std::string>> rows;
    auto take = [&] {
      rows.clear();
      for (const std::string& t : answers()) {
        if (const auto pairs = tolma::ParseStatsAnswer(t)) {
          rows.insert(rows.end(), pairs->begin(), pairs->end());
        }
      }
      return !rows.empty();
    };
    session.Pump(wait_ms, take);
    if (!take()) return Fail("komunikátor neposlal statistiku do " + Seconds(wait));
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

  // read: each answer is matched as it comes, so that a long list stays quick.
  std::map<vx2::ItemCode, std::optional<std::uint32_t>> values;
  for (const vx2::ItemCode& code : codes) values[code];
  std::size_t unanswered = values.size();
  session.OnMessage([&](const tolma::Received& r) {
    const auto item = r.message == session.Message() && r.wparam == answer
                          ? tolma::ParseReadAnswer(r.text)
                          : std::nullopt;
    const auto value = item ? values.find(item->code) : values.end();
    if (value != values.end() && !value->second) {
      value->second = item->value;
      --unanswered;
    }
  });
  for (const vx2::ItemCode& code : codes) {
    if (!session.Request(tolma::ReadRequest(code), error)) return Fail(error);
  }
  session.Pump(wait_ms, [&] { return unanswered == 0; });
  std::string missing;
  for (const vx2::ItemCode& code : codes) {
    if (const std::optional<std::uint32_t> value = values[code]) {
      std::cout << vx2::ItemLine({code, *value}) << "\n";
    } else {
      missing += " " + vx2::ItemCodeText(code);
    }
  }
  std::cout.flush();
  if (!missing.empty()) return Fail("bez odpovědi do " + Seconds(wait) + ":" + missing);
  return 0;
}
