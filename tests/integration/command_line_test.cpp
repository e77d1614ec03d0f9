// Every program's command line through the real binaries: --version, help,
// and each bad command line refused with status 2 before anything starts, in
// Czech, on standard error with the program's name in front.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

#include "package_version.h"
#include "sim/sim_harness.h"
#include "support/child_process.h"
#include "support/temp_directory.h"

namespace korvex {
namespace {

using namespace std::chrono_literals;

#ifdef KORVEX_WINDOW
constexpr const char* kWindow = KORVEX_WINDOW;
#else
constexpr const char* kWindow = "";  // built without the Qt window
#endif
constexpr const char* kHeadless = KORVEX_HEADLESS;
constexpr const char* kSim = VX2SIM_BINARY;
constexpr const char* kCtl = VX2CTL_BINARY;
constexpr const char* kTolma = TOLMA;

std::string Version(const std::string& name) {
  return name + " " + std::string(kPackageVersion) + "\n";
}

TEST(CommandLine, EachProgramAnswersVersionHelpAndRefusesBadCommandLines) {
  const std::string engine = "Verze: 4.046 / 1.11.2005";
  const struct {
    std::string program;
    std::vector<std::string> arguments;
    int status;
    std::vector<std::string> says;  // on standard output after success, else on standard error
  } rows[] = {
      {kWindow, {"--version"}, 0, {Version("korvex"), engine}},
      {kHeadless, {"--version"}, 0, {Version("korvex-headless"), engine}},
      {kSim, {"--version"}, 0, {Version("vx2sim")}},
      {kCtl, {"--version"}, 0, {Version("vx2ctl")}},
      {kTolma, {"--version"}, 0, {Version("tolma")}},

      {kWindow, {"--bogus", "/DDE"}, 2, {"korvex: Neznámá volba: --bogus."}},
      {kHeadless, {"/DDE", "--bogus"}, 2, {"korvex-headless: Neznámá volba: --bogus."}},
      {kSim, {"--port", "0", "--bogus"}, 2, {"vx2sim: Neznámá volba: --bogus."}},
      {kCtl, {"--bogus", "crc"}, 2, {"vx2ctl: Neznámá volba: --bogus."}},
      {kCtl, {"--bogus"}, 2, {"vx2ctl: Neznámá volba: --bogus."}},
      {kTolma, {"read", "-x"}, 2, {"tolma: Neznámá volba: -x."}},

      // After "--" every argument is a word, also the command's name.
      {kWindow, {"--", "-x"}, 2, {"korvex: Nepřípustný argument: '-x' není přepínač (/DDE)."}},
      {kHeadless, {"--", "--log"}, 2, {"korvex-headless: Nepřípustný argument: '--log' není"}},
      {kHeadless, {"help"}, 2, {"korvex-headless: Nepřípustný argument: 'help' není"}},
      {kSim, {"--port", "0", "--", "--quiet"}, 2, {"vx2sim: Nadbytečný argument: --quiet."}},
      {kCtl, {"--", "read", "-x"}, 2, {"vx2ctl: '-x' není kód položky"}},
      {kCtl, {"--"}, 2, {"vx2ctl: Chybí příkaz (příkazy: read, write, firmware, crc, verify)."}},
      {kTolma, {"write", "--", "000102", "-1"}, 2, {"tolma: '-1' není hodnota"}},

      {kHeadless, {"/DDE", "--assume=ano"}, 2, {"--assume: 'ano' není yes ani no."}},
      {kHeadless, {"--assume"}, 2, {"Nesprávný počet hodnot volby --assume."}},
      {kHeadless, {"--help"}, 0, {"Použití: korvex-headless [VOLBY] [argumenty...]", "Volby:"}},
      {kHeadless, {"--help"}, 0, {"5  nahrání selhalo nebo bylo přerušeno"}},
      {kCtl, {"read", "0102"}, 2, {"'0102' není kód položky"}},
      {kCtl, {"write", "000102", "-1"}, 2, {"'-1' není hodnota"}},
      {kCtl, {"write", "000102"}, 2, {"Chybí povinný argument hodnota."}},
      {kCtl, {"read"}, 2, {"Chybí povinný argument kódy."}},
      {kCtl, {"erase"}, 2, {"Neznámý příkaz 'erase' (příkazy: read, write,"}},
      {kCtl, {"crc", "--address"}, 2, {"Nesprávný počet hodnot volby --address."}},
      {kCtl, {"--timeout", "0", "crc"}, 2, {"'0' není počet sekund větší než 0"}},
      {kCtl, {"--address", "256", "crc"}, 2, {"'256' není celé číslo v rozsahu 0"}},
      {kCtl, {"--baud", "9600", "crc"}, 2, {"--baud platí jen pro sériovou linku"}},
      {kCtl, {"verify"}, 2, {"vx2ctl: příkaz verify potřebuje projekt: --config SOUBOR"}},
      {kCtl, {"--help"}, 0, {"Použití: vx2ctl [VOLBY] PŘÍKAZ", "--timeout S=3.0 "}},
  };
  for (const auto& row : rows) {
    if (row.program.empty()) continue;
    SCOPED_TRACE(row.program + " " + testing::PrintToString(row.arguments));
    TempDirectory directory;
    const std::string errors = (directory.Path() / "stderr").string();
    std::vector<std::string> arguments = row.arguments;
    // vx2ctl on port 1, where nothing listens: a connect would fail otherwise.
    if (row.program == kCtl) arguments.insert(arguments.begin(), {"--port", "1"});
    ChildProcess run(row.program, arguments,
                     ChildSetup{directory.String(), errors,
                                {"QT_QPA_PLATFORM=offscreen", "XDG_RUNTIME_DIR=" + directory.String()}});
    ASSERT_EQ(run.Wait(10s), std::optional<int>(row.status)) << run.Output();
    std::stringstream error_text;
    error_text << std::ifstream(errors).rdbuf();
    const std::string& said = row.status == 0 ? run.Output() : error_text.str();
    for (const std::string& part : row.says) {
      EXPECT_NE(said.find(part), std::string::npos) << said;
    }
    if (row.status != 0) {
      EXPECT_EQ(run.Output(), "");
      EXPECT_NE(said.find("Nápověda: --help"), std::string::npos) << said;
    }
    for (const char* english : {"Usage", "Options", "required", "xpected", "convert", " not ",
                                "missing", "Positionals", "subcommand"}) {
      EXPECT_EQ(said.find(english), std::string::npos) << said;
    }
  }
}

// Output that cannot be written is never a silent success: one line on
// standard error ("... (No space left on device)." when the stream still
// knows why) and a failure status, as GNU tools end.
TEST(CommandLine, EachProgramEndsNonZeroWhenItsOutputCannotBeWritten) {
  vx2::test::RunningSim sim({"--quiet"});
  const std::pair<std::vector<std::string>, int> rows[] = {
      {{kWindow, "--help"}, 7},
      {{kHeadless, "--version"}, 7},
      {{kHeadless, "--help"}, 7},
      {{kSim, "--help"}, 1},
      {{kCtl, "--version"}, 1},
      {{kTolma, "--help"}, 1},
      {{kCtl, "--port", std::to_string(sim.Port()), "read", "000102"}, 1}};
  for (const auto& [command, status] : rows) {
    if (command[0].empty()) continue;
    std::vector<std::string> arguments{"-c", "exec \"$0\" \"$@\" >/dev/full"};
    arguments.insert(arguments.end(), command.begin(), command.end());
    TempDirectory directory;
    ChildProcess run(
        "/bin/sh", arguments,
        ChildSetup{"", "", {"QT_QPA_PLATFORM=offscreen", "XDG_RUNTIME_DIR=" + directory.String()}},
        ChildProcess::Stderr::kWithOutput);
    EXPECT_EQ(run.Wait(10s), std::optional<int>(status)) << run.Output();
    const std::string name = std::filesystem::path(command[0]).filename().string();
    EXPECT_TRUE(std::regex_match(run.Output(),
                                 std::regex(name + ": standardní výstup nelze zapsat[^\n]*\n")))
        << run.Output();
  }
}

}  // namespace
}  // namespace korvex
