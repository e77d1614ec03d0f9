// The communicator's whole job with the real binaries: korvex-headless
// against vx2sim, uploading a project or serving a host.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <thread>

#include "host_session.h"
#include "sim/sim_harness.h"
#include "support/child_process.h"
#include "support/temp_directory.h"

namespace korvex {
namespace {

using namespace std::chrono_literals;
using vx2::test::RunningSim;

// The example project of examples/upload, as a test writes it.
const std::string kProject =
    "QQWRITE 1 0 0 42 0 0 0\nQQWRITE 1 0 1 16 39 0 0\nQQWRITE 2 0 17 120 86 52 18\n";
const std::string kItems[] = {"010000", "010001", "020011"};
const std::string kWritten =
    "010000 = 0x0000002A (42)\n010001 = 0x00002710 (10000)\n020011 = 0x12345678 (305419896)\n";
const std::string kUntouched =
    "010000 = 0x00000000 (0)\n010001 = 0x00000000 (0)\n020011 = 0x00000000 (0)\n";

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

bool Has(const std::vector<std::string>& lines, const std::string& line) {
  return std::find(lines.begin(), lines.end(), line) != lines.end();
}

class MainJob : public ::testing::Test {
 protected:
  void WriteConfig(const std::string& text) { directory_.Write("lumadex.ini", text); }

  // Runs korvex-headless in the test's directory to its end.
  void RunCommunicator(const std::vector<std::string>& arguments,
                       std::vector<std::string> environment = {}) {
    const std::string errors = (directory_.Path() / "stderr.txt").string();
    ChildProcess korvex(KORVEX_HEADLESS, arguments,
                        ChildSetup{directory_.String(), errors, std::move(environment)});
    status = korvex.Wait(30s);
    out = korvex.Output();
    std::ifstream in(errors);
    err.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    lines = Lines(out);
  }

  // What vx2ctl reads back from the simulator.
  static std::string ReadBack(int port) {
    std::vector<std::string> arguments{"--port", std::to_string(port), "read"};
    arguments.insert(arguments.end(), std::begin(kItems), std::end(kItems));
    ChildProcess read(VX2CTL_BINARY, arguments, ChildSetup{"", "/dev/null", {}});
    read.Wait(10s);
    return read.Output();
  }

  std::string directory() const { return directory_.String(); }

  std::optional<int> status;
  std::string out;
  std::string err;
  std::vector<std::string> lines;

 private:
  TempDirectory directory_;
};

// Upload mode: each row is a controller, a firmware window, the answer to
// questions, and what the run must end with.
struct UploadCase {
  const char* name;
  std::vector<std::string> sim_options;
  std::string firmware_window;
  std::string assume;
  int status;
  std::vector<std::string> lines;  // lines the log must hold
  std::string question_answer;     // the last answer on standard error, if any box
  enum { kWritten, kUntouched, kUnreadable } items;
  std::vector<std::string> options = {};
  const char* controller = VX2SIM_BINARY;  // or one that takes its options
};
void PrintTo(const UploadCase& c, std::ostream* os) {
  *os << c.name;
}

class Upload : public MainJob, public ::testing::WithParamInterface<UploadCase> {};

TEST_P(Upload, EndsByItselfWithItsStatus) {
  const UploadCase& c = GetParam();
  RunningSim sim(c.sim_options, 0, c.controller);
  ASSERT_NE(sim.Port(), 0);
  WriteConfig("TCP 127.0.0.1 " + std::to_string(sim.Port()) + " TIMEOUT 0.3\n" + c.firmware_window +
              kProject);
  std::vector<std::string> options = c.options;
  options.push_back("--assume=" + c.assume);
  RunCommunicator(options);
  ASSERT_EQ(status, std::optional<int>(c.status)) << out << err;
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.front(), "Inicializace...OK");
  for (const auto& line : c.lines) EXPECT_TRUE(Has(lines, line)) << line << "\n" << out;
  EXPECT_EQ(out.find('['), std::string::npos) << "boxes stay off the log:\n" << out;
  if (c.question_answer.empty()) {
    EXPECT_EQ(err, "");
  } else {
    EXPECT_EQ(err.substr(err.rfind("> ")), "> " + c.question_answer + "\n") << err;
  }
  if (c.items != UploadCase::kUnreadable) {
    EXPECT_EQ(ReadBack(sim.Port()), c.items == UploadCase::kWritten ? kWritten : kUntouched);
    ChildProcess verify(VX2CTL_BINARY, {"--config", directory() + "/lumadex.ini", "verify"},
                        ChildSetup{"", "/dev/null", {}});
    EXPECT_EQ(verify.Wait(10s), std::optional<int>(c.items == UploadCase::kWritten ? 0 : 1));
  }
}

const std::string kInside = "FIRMWARE 4000 4100\n";
const std::string kOutside = "FIRMWARE 4050 4100\n";

INSTANTIATE_TEST_SUITE_P(
    , Upload,
    ::testing::Values(UploadCase{"FirmwareInsideTheWindow",
                                 {"--quiet"},
                                 kInside,
                                 "no",
                                 0,
                                 {"Firmware v VX2 je 1.11.2005 v.4.046", "Nahrávání projektu...OK.",
                                  "Kontrola projektu v řadiči...OK.", "Ukončení komunikátoru..."},
                                 "",
                                 UploadCase::kWritten,
                                 {"--verify"}},
                      UploadCase{"FirmwareOutsideAnsweredYes",
                                 {"--quiet"},
                                 kOutside,
                                 "yes",
                                 0,
                                 {"Nahrát projekt ? > Ano", "Nahrávání projektu...OK."},
                                 "Ano",
                                 UploadCase::kWritten},
                      UploadCase{"FirmwareOutsideAnsweredNo",
                                 {"--quiet"},
                                 kOutside,
                                 "no",
                                 4,
                                 {"Nahrát projekt ? > Ne"},
                                 "Ne",
                                 UploadCase::kUntouched},
                      // Restarted after the project's items, before the end mark: zeros
                      // under the right checksum, found only by reading them back.
                      UploadCase{"ControllerRestartedBeforeTheEndMark",
                                 {"--quiet", "--restart-after", "2"},
                                 kInside,
                                 "no",
                                 6,
                                 {"Kontrola projektu v řadiči...CHYBA !",
                                  "010001: v projektu 10000, v řadiči 0",
                                  "Řadič nedrží nahraný projekt; rozdílných položek: 3."},
                                 "",
                                 UploadCase::kUntouched,
                                 {"--verify"}},
                      // The writes answered, the read-back not: nothing shows it holds them.
                      UploadCase{"ReadBackUnanswered",
                                 {"--quiet", "--answer-reads", "1"},
                                 kInside,
                                 "no",
                                 6,
                                 {"Nahrávání projektu...OK.", "Kontrola projektu v řadiči...CHYBA !",
                                  "Položky projektu se z řadiče nepodařilo přečíst."},
                                 "",
                                 UploadCase::kUnreadable,
                                 {"--verify"},
                                 VX2LATE_BINARY},
                      UploadCase{"UnreachableController",
                                 {"--refuse"},
                                 kInside,
                                 "no",
                                 3,
                                 {"Chyba při otevření komunikace ! (spojení odmítnuto)"},
                                 "",
                                 UploadCase::kUnreadable},
                      UploadCase{"SilentControllerAnsweredYes",
                                 {"--quiet", "--no-answer"},
                                 kInside,
                                 "yes",
                                 5,
                                 {"Firmware v VX2: Chyba při detekci !", "Nahrát projekt ? > Ano",
                                  "Nahrávání projektu...CHYBA !", "Ukončení komunikátoru..."},
                                 "Ano",
                                 UploadCase::kUnreadable}),
    [](const auto& info) { return std::string(info.param.name); });

// Unattended, "No" to the communication question would retry for ever: from
// its fifth asking on it is answered Yes.
TEST_F(MainJob, ControllerGoingSilentDuringTheUploadEndsItUnattended) {
  RunningSim sim({});
  ASSERT_NE(sim.Port(), 0);
  WriteConfig("TCP 127.0.0.1 " + std::to_string(sim.Port()) + " TIMEOUT 0.3\n" + kInside +
              kProject);
  const std::string errors = directory() + "/stderr.txt";
  ChildProcess korvex(KORVEX_HEADLESS, {}, ChildSetup{directory(), errors, {}});
  // The firmware is answered; the upload starts a second later.
  ASSERT_TRUE(sim.Process().WaitFor("odesláno", 10s)) << sim.Process().Output();
  sim.Process().Signal(SIGSTOP);
  status = korvex.Wait(30s);
  sim.Process().Signal(SIGCONT);
  ASSERT_EQ(status, std::optional<int>(5)) << korvex.Output();
  lines = Lines(korvex.Output());
  EXPECT_TRUE(Has(lines, "Firmware v VX2 je 1.11.2005 v.4.046"));
  EXPECT_TRUE(Has(lines, "Nahrávání projektu...CHYBA !")) << korvex.Output();
  std::ifstream in(errors);
  err.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  const std::string question = "[Chyba] Chyba komunikace !\nPřerušit ?\n  [Ano] [Ne] > ";
  std::size_t asked = 0;
  for (auto at = err.find(question); at != std::string::npos; at = err.find(question, at + 1)) {
    ++asked;
  }
  EXPECT_EQ(asked, 5u) << err;
  EXPECT_EQ(err.substr(err.rfind("> ")), "> Ano\n") << err;
}

// A log nobody takes any more (the reader gone, a full disk) never costs the
// upload: done and verified, the loss said once, and the status tells it.
TEST_F(MainJob, UploadIntoAClosedOrFullOutputIsDoneAndSaidOnce) {
  for (const std::string output : {"| head -1", ">/dev/full"}) {
    RunningSim sim({"--quiet"});
    WriteConfig("TCP 127.0.0.1 " + std::to_string(sim.Port()) + "\n" + kInside + kProject);
    const std::string script = "\"$0\" --verify " + output + "; exit ${PIPESTATUS[0]}";
    ChildProcess korvex("/bin/bash", {"-c", script, KORVEX_HEADLESS},
                        ChildSetup{directory(), directory() + "/stderr.txt", {}});
    EXPECT_EQ(korvex.Wait(30s), std::optional<int>(7)) << output;
    EXPECT_EQ(korvex.Output(), output == ">/dev/full" ? "" : "Inicializace...OK\n");
    std::ifstream in(directory() + "/stderr.txt");
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}),
              std::string("korvex-headless: standardní výstup nelze zapsat (") +
                  (output == ">/dev/full" ? "disk je plný" : "výstup už nikdo nečte") + ").\n");
    EXPECT_EQ(ReadBack(sim.Port()), kWritten) << output;
  }
}

// Host mode: tolma's host session plays the host application.
TEST_F(MainJob, HostModeServesReadsEightReadsWritesAndClose) {
  RunningSim sim({"--quiet", "--item", "000102=42", "--item", "000205=5", "--item", "000207=7"});
  ASSERT_NE(sim.Port(), 0);
  WriteConfig("TCP 127.0.0.1 " + std::to_string(sim.Port()) + "\nCRC32 projekt 0\n");
  const std::string desktop = directory() + "/desktop";
  ChildProcess korvex(
      KORVEX_HEADLESS, {"/DDE"},
      ChildSetup{directory(), directory() + "/stderr.txt", {"TOLMA_DESKTOP=" + desktop}});
  ASSERT_TRUE(korvex.WaitFor("Start RUN režimu !", 10s)) << korvex.Output();

  tolma::HostSession host;
  std::string error;
  ASSERT_TRUE(host.Open(desktop, error)) << error;
  ASSERT_TRUE(host.Announce(0, error)) << error;
  for (const char* request :
       {"QQ_RD 00 01 02|", "QQ_RS 00 02 00|", "QQ_WR 00 01 03 2B 00 00 00|", "QQ_RD 00 01 03|"}) {
    ASSERT_TRUE(host.Request(request, error)) << error;
  }
  auto answers = [&host] {
    std::vector<std::string> texts;
    for (const tolma::Received& r : host.Inbox()) {
      if (r.message == host.Message() && r.wparam == 2) texts.push_back(r.text);
    }
    return texts;
  };
  host.Pump(10000, [&] { return answers().size() >= 10; });
  std::vector<std::string> expected{"QQ_RD 00 01 02 2A 00 00 00|", "QQ_RD 00 01 03 2B 00 00 00|"};
  for (int j = 0; j < 8; ++j) {
    const int value = j == 5 ? 5 : j == 7 ? 7 : 0;
    expected.push_back("QQ_RD 00 02 0" + std::to_string(j) + " 0" + std::to_string(value) +
                       " 00 00 00|");
  }
  std::vector<std::string> got = answers();
  std::sort(got.begin(), got.end());
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(got, expected) << "each read once, the written item with its new value";

  ASSERT_TRUE(host.Request("CLOSE|", error)) << error;
  host.Pump(5000, [&] { return answers().size() == 11; });
  EXPECT_EQ(answers().back(), "KORVEX CLOSED|");
  EXPECT_EQ(korvex.Wait(10s), std::optional<int>(0));
  lines = Lines(korvex.Output());
  EXPECT_TRUE(Has(lines, "VX2: Kontrolní součet (CRC) = 0 (OK)")) << korvex.Output();
  EXPECT_TRUE(Has(lines, "QQ/W: 00 01 03 2B 00 00 00 ")) << korvex.Output();
  ChildProcess read(VX2CTL_BINARY, {"--port", std::to_string(sim.Port()), "read", "000103"},
                    ChildSetup{"", "/dev/null", {}});
  read.Wait(10s);
  EXPECT_EQ(read.Output(), "000103 = 0x0000002B (43)\n");
}

// Parallel tolma runs on one desktop: each read gets its own answer, and
// every write reported as handed over reaches the controller.
TEST_F(MainJob, ParallelTolmaRunsGetTheirOwnAnswersAndEveryReportedWriteLands) {
  RunningSim sim({"--quiet"});
  ASSERT_NE(sim.Port(), 0);
  WriteConfig("TCP 127.0.0.1 " + std::to_string(sim.Port()) + "\n");
  const ChildSetup on_desktop{"", "", {"TOLMA_DESKTOP=" + directory() + "/desktop"}};
  ChildProcess korvex(KORVEX_HEADLESS, {"/DDE"},
                      ChildSetup{directory(), "/dev/null", on_desktop.environment});
  ASSERT_TRUE(korvex.WaitFor("Start RUN režimu !", 10s)) << korvex.Output();
  std::vector<std::unique_ptr<ChildProcess>> runs;
  std::vector<std::string> said;
  std::vector<std::string> read_back{"--port", std::to_string(sim.Port()), "read"};
  std::string items;
  for (int k = 0; k < 24; ++k) {  // writes of k and reads of 0, alternately
    char item[40];
    std::snprintf(item, sizeof item, "0300%02X = 0x%08X (%d)", k, k % 2 ? 0 : k, k % 2 ? 0 : k);
    const std::string code(item, 6);
    runs.push_back(std::make_unique<ChildProcess>(
        TOLMA,
        k % 2 ? std::vector<std::string>{"read", code, "--wait", "10"}
              : std::vector<std::string>{"write", code, std::to_string(k)},
        on_desktop, ChildProcess::Stderr::kWithOutput));
    said.push_back(item + std::string(k % 2 ? "\n" : " předáno komunikátoru\n"));
    read_back.push_back(code);
    items += item + std::string("\n");
  }
  for (std::size_t k = 0; k < runs.size(); ++k) {
    EXPECT_EQ(runs[k]->Wait(60s), std::optional<int>(0));
    EXPECT_EQ(runs[k]->Output(), said[k]);
  }
  // A write is handed over when it is queued; the next pass carries it out.
  std::string landed;
  for (int attempt = 0; attempt < 50 && landed != items; ++attempt) {
    std::this_thread::sleep_for(100ms);
    ChildProcess read(VX2CTL_BINARY, read_back, ChildSetup{"", "/dev/null", {}});
    read.Wait(10s);
    landed = read.Output();
  }
  EXPECT_EQ(landed, items);
}

// The same upload over a serial line: COM1 is the simulator's pseudo-terminal,
// answering at the pace of a 38400-Bd line.
TEST_F(MainJob, TheSameUploadOverAPty) {
  ChildProcess sim(VX2SIM_BINARY, {"--pty", "--baud", "38400", "--quiet"});
  const std::string ready = "vx2sim: připraven na ";
  ASSERT_TRUE(sim.WaitFor(ready + "/dev/", 10s)) << sim.Output();
  const std::string& said = sim.Output(100ms);
  const std::size_t at = said.find(ready) + ready.size();
  const std::string pty = said.substr(at, said.find('\n', at) - at);
  WriteConfig("PORT 1 38400 TIMEOUT 1.0\n" + kInside + kProject);
  RunCommunicator({}, {"KORVEX_COM1=" + pty});
  ASSERT_EQ(status, std::optional<int>(0)) << out << err;
  EXPECT_TRUE(Has(lines, "Firmware v VX2 je 1.11.2005 v.4.046")) << out;
  EXPECT_TRUE(Has(lines, "Nahrávání projektu...OK.")) << out;
  EXPECT_EQ(err, "");
  std::vector<std::string> arguments{"--serial", pty, "--baud", "38400", "read"};
  arguments.insert(arguments.end(), std::begin(kItems), std::end(kItems));
  ChildProcess read(VX2CTL_BINARY, arguments, ChildSetup{"", "/dev/null", {}});
  EXPECT_EQ(read.Wait(10s), std::optional<int>(0));
  EXPECT_EQ(read.Output(), kWritten);
}

// The communicator and vx2ctl judge every file alike: a project not read
// whole is refused by both and nothing reaches the controller; a line that
// sets nothing is warned of by both, and both go on.
TEST_F(MainJob, CommunicatorAndVx2ctlGiveOneVerdictOnEachFile) {
  RunningSim sim({"--quiet"});
  ASSERT_NE(sim.Port(), 0);
  const std::string link = "TCP 127.0.0.1 " + std::to_string(sim.Port()) + " TIMEOUT 0.3\n";
  const struct {
    std::string project;
    std::string warning;  // on line 3 of the file
  } rows[] = {
      {"QQWRITE = 1 0 0 42 0 0 0\n", "'=' u klíčového slova QQWRITE není číslo"},
      {"CRC32 projekt 0\n" + kProject, "CRC32 0 nesouhlasí se součtem hodnot QQWRITE 12347DB2"},
      {"PORT=2\n" + kProject, "slovo 'PORT=2' není klíčové slovo, nic nenastaví"},  // written
  };
  for (const auto& row : rows) {
    const bool written = &row == &rows[2];
    WriteConfig(link + kInside + row.project);
    RunCommunicator({"--verify"});
    EXPECT_TRUE(Has(lines, "Upozornění: řádek 3: " + row.warning)) << out;
    EXPECT_EQ(status, std::optional<int>(written ? 0 : 1)) << out << err;
    const auto verify =
        vx2::test::RunToEnd(VX2CTL_BINARY, {"--config", directory() + "/lumadex.ini", "verify"});
    EXPECT_TRUE(vx2::test::Contains(verify.output, "ini: Upozornění: řádek 3: " + row.warning))
        << verify.output;
    EXPECT_EQ(verify.status, std::optional<int>(written ? 0 : 2)) << verify.output;
    EXPECT_EQ(ReadBack(sim.Port()), written ? kWritten : kUntouched);
  }
}

TEST_F(MainJob, MissingConfigurationEndsWithStatusOne) {
  RunCommunicator({});
  EXPECT_EQ(status, std::optional<int>(1)) << out << err;
  EXPECT_TRUE(Has(lines, "CHYBA při načítání konfiguračního souboru!")) << out;
  // The box says where the file was looked for: the log goes with the window.
  EXPECT_NE(err.find("[Varování] CHYBA při načítání konfiguračního souboru!\nSoubor lumadex.ini "
                     "nebyl nalezen, hledán v adresářích:\n" +
                     directory() + "/ovladace/vardos2\n" + directory() + "\n  [OK] > OK\n"),
            std::string::npos)
      << err;
}

}  // namespace
}  // namespace korvex
