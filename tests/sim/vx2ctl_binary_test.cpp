// The real vx2ctl against the real vx2sim: the communicator's engine end to
// end over loopback TCP.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>

#include "platform/serial_port_posix.h"
#include "sim_harness.h"
#include "support/sim_on_pty.h"

namespace vx2::test {
namespace {

Finished Ctl(const RunningSim& sim, std::vector<std::string> arguments) {
  arguments.insert(arguments.begin(), {"--host", "127.0.0.1", "--port", std::to_string(sim.Port()),
                                       "--timeout", "0.3"});
  return RunToEnd(VX2CTL_BINARY, arguments);
}

bool Contains(const std::string& text, std::string_view part) {
  return text.find(part) != std::string::npos;
}

TEST(Vx2ctlBinary, ReadsWritesAndShowsFirmwareAndChecksum) {
  RunningSim sim({"--item", "000102=42", "--firmware", "111054046", "--crc", "0xABCD"});
  ASSERT_GT(sim.Port(), 0);

  Finished run = Ctl(sim, {"read", "000102", "000103"});
  EXPECT_EQ(run.status, 0) << run.output;
  EXPECT_TRUE(Contains(run.output, "\n000102 = 0x0000002A (42)\n000103 = 0x00000000 (0)\n"))
      << run.output;

  run = Ctl(sim, {"write", "000103", "0x10"});
  EXPECT_EQ(run.status, 0) << run.output;
  EXPECT_TRUE(Contains(run.output, "000103 = 0x00000010 (16) zapsáno")) << run.output;
  run = Ctl(sim, {"read", "000103"});
  EXPECT_TRUE(Contains(run.output, "000103 = 0x00000010 (16)")) << run.output;

  run = Ctl(sim, {"firmware"});
  EXPECT_EQ(run.status, 0) << run.output;
  EXPECT_TRUE(Contains(run.output, "\n111054046 (1.11.2005 v.4.046)\n")) << run.output;
  run = Ctl(sim, {"crc"});
  EXPECT_EQ(run.status, 0) << run.output;
  EXPECT_TRUE(Contains(run.output, "\nABCD\n")) << run.output;
}

TEST(Vx2ctlBinary, ManyItemsAreReadInRequestsOfAtMost32) {
  RunningSim sim({"--item", "000128=40"});
  ASSERT_GT(sim.Port(), 0);
  std::vector<std::string> arguments{"read"};
  for (int item = 0x101; item <= 0x128; ++item) {
    char code[8];
    std::snprintf(code, sizeof code, "%06X", item);
    arguments.push_back(code);
  }
  const Finished run = Ctl(sim, arguments);
  EXPECT_EQ(run.status, 0) << run.output;
  EXPECT_TRUE(Contains(run.output, "000101 = 0x00000000 (0)\n")) << run.output;
  EXPECT_TRUE(Contains(run.output, "000128 = 0x00000028 (40)\n")) << run.output;
  const std::string& log = sim.Process().Output(50ms);
  EXPECT_TRUE(Contains(log, "[2] přijato")) << log;
  EXPECT_FALSE(Contains(log, "[3] přijato")) << log;
}

TEST(Vx2ctlBinary, RetriesAfterABadAnswer) {
  RunningSim sim({"--item", "000102=42", "--bad-check", "--fault-count", "1"});
  ASSERT_GT(sim.Port(), 0);
  const Finished run = Ctl(sim, {"read", "000102"});
  EXPECT_EQ(run.status, 0) << run.output;
  EXPECT_TRUE(Contains(run.output, "pokus 1 z 3 se nezdařil")) << run.output;
  EXPECT_TRUE(Contains(run.output, "000102 = 0x0000002A (42)")) << run.output;
}

TEST(Vx2ctlBinary, GivesUpAfterThreeAttempts) {
  // Each answer is broken and the connection closes with it, so every
  // attempt fails at once.
  RunningSim sim({"--bad-check", "--close-after-answer"});
  ASSERT_GT(sim.Port(), 0);
  const Finished run = Ctl(sim, {"crc"});
  EXPECT_EQ(run.status, 1) << run.output;
  EXPECT_TRUE(Contains(run.output, "pokus 3 z 3 se nezdařil")) << run.output;
  EXPECT_TRUE(Contains(run.output, "řadič nedal platnou odpověď ani na 3. pokus")) << run.output;
}

TEST(Vx2ctlBinary, EveryAttemptWaitsOnlyTheGivenTimeout) {
  // Three attempts of 0.3 s end well within RunToEnd's limit; an attempt
  // that waited under the 60-s connection limit would not.
  RunningSim sim({"--no-answer"});
  ASSERT_GT(sim.Port(), 0);
  const Finished run = Ctl(sim, {"firmware"});
  EXPECT_EQ(run.status, 1) << run.output;
  EXPECT_TRUE(Contains(run.output, "pokus 3 z 3 se nezdařil: řadič neodpověděl včas"))
      << run.output;
}

TEST(Vx2ctlBinary, RefusedConnectionIsAnError) {
  RunningSim sim({"--refuse"});
  ASSERT_GT(sim.Port(), 0);
  const Finished run = Ctl(sim, {"firmware"});
  EXPECT_EQ(run.status, 1) << run.output;
  EXPECT_TRUE(Contains(run.output, "vx2ctl: navazuji spojení s 127.0.0.1:" +
                                       std::to_string(sim.Port()) + " (nejvýše 60 s)\n"))
      << run.output;
  EXPECT_TRUE(Contains(run.output, "se nepodařilo navázat (spojení odmítnuto)")) << run.output;
}

// What CLI11 would say in English, were it let through.
bool SaysEnglish(const std::string& text) {
  for (const char* word : {"Usage", "Options", "required", "xpected", "convert", " not ", "missing",
                           "Positionals", "subcommand"}) {
    if (Contains(text, word)) return true;
  }
  return false;
}

TEST(Vx2ctlBinary, BadArgumentsAreRefusedBeforeConnectingInCzech) {
  const struct {
    std::vector<std::string> arguments;
    std::string says;
  } cases[] = {
      {{"read", "0102"}, "'0102' není kód položky"},
      {{"write", "000102", "-1"}, "'-1' není hodnota"},
      {{"write", "000102"}, "Chybí povinný argument hodnota."},
      {{"read"}, "Chybí povinný argument kódy."},
      {{}, "Chybí příkaz (příkazy: read, write, firmware, crc)."},
      {{"erase"}, "Neznámý příkaz 'erase' (příkazy: read, write, firmware, crc)."},
      {{"--bogus", "crc"}, "Neznámá volba nebo nadbytečný argument: --bogus."},
      {{"crc", "--address"}, "Nesprávný počet hodnot volby --address."},
      {{"--timeout", "0", "crc"}, "'0' není počet sekund větší než 0 a nejvýše 3600"},
      {{"--address", "256", "crc"}, "'256' není celé číslo v rozsahu 0 až 255"},
      {{"--baud", "9600", "crc"}, "volba --baud platí jen pro sériovou linku"},
  };
  for (const auto& c : cases) {
    // Port 1: nothing listens there, so a connect would fail differently.
    std::vector<std::string> all{"--port", "1"};
    all.insert(all.end(), c.arguments.begin(), c.arguments.end());
    const Finished run = RunToEnd(VX2CTL_BINARY, all);
    EXPECT_EQ(run.status, 2) << c.says << ": " << run.output;
    EXPECT_TRUE(Contains(run.output, c.says)) << run.output;
    EXPECT_FALSE(SaysEnglish(run.output)) << run.output;
    EXPECT_FALSE(Contains(run.output, "COM/TCP-Vardos")) << run.output;
  }
}

// A communicator configuration file in a scratch directory.
class ConfigFile {
 public:
  explicit ConfigFile(const std::string& text) {
    char name[] = "/tmp/vx2ctl_config_XXXXXX";
    const int fd = mkstemp(name);
    path_ = name;
    if (fd >= 0) {
      (void)!write(fd, text.data(), text.size());
      close(fd);
    }
  }
  ~ConfigFile() { unlink(path_.c_str()); }
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
};

TEST(Vx2ctlBinary, ConfigurationFileGivesTheLinkAndOptionsOverrideIt) {
  RunningSim sim({"--address", "3", "--crc", "0xABCD"});
  ASSERT_GT(sim.Port(), 0);
  const ConfigFile config("{ projekt }\r\nTCP 127.0.0.1 " + std::to_string(sim.Port()) +
                          "\r\nADDRESS 3\r\nRETRANSLATION 1\r\nTIMEOUT 0.3\r\n"
                          "QQWRITE 0 1 2 42 0 0 0\r\nHWND 1 2 3 4\r\n");
  Finished run = RunToEnd(VX2CTL_BINARY, {"crc", "--config", config.Path()});
  EXPECT_EQ(run.status, 0) << run.output;
  EXPECT_TRUE(Contains(run.output, "\nABCD\n")) << run.output;
  EXPECT_TRUE(Contains(run.output, "Host: 127.0.0.1 : " + std::to_string(sim.Port())))
      << run.output;

  // An option given beside the file wins: address 4 gets no answer.
  run = RunToEnd(VX2CTL_BINARY, {"--config", config.Path(), "--address", "4", "crc"});
  EXPECT_EQ(run.status, 1) << run.output;
  EXPECT_TRUE(Contains(run.output, "řadič neodpověděl včas")) << run.output;
}

TEST(Vx2ctlBinary, ConfigurationFileThatDoesNotParseIsRefused) {
  struct Case {
    std::string text;
    std::string error;
  };
  for (const Case& c : std::vector<Case>{
           {"PORT 1 9600\nTCP controller 1998\n",
            ": řádek 2: TCP/IP - chyba definice! ('controller' není adresa IPv4"},
           {"TCP 127.0.0.1 1998\nTIMEOUT 1,5\n", ": řádek 2: '1,5' u klíčového slova TIMEOUT"},
           {"TCP 127.0.0.1 1998 ADDRESS", ": u klíčového slova ADDRESS chybí na konci souboru"},
           {"PORT 0 19200\nRS485\n", ": PORT 0 není port COM 1 až 255"},
       }) {
    const ConfigFile config(c.text);
    const Finished run = RunToEnd(VX2CTL_BINARY, {"--config", config.Path(), "firmware"});
    EXPECT_EQ(run.status, 2) << run.output;
    EXPECT_TRUE(Contains(run.output, "vx2ctl: konfigurační soubor " + config.Path() + c.error))
        << run.output;
    EXPECT_FALSE(Contains(run.output, "COM/TCP-Vardos")) << run.output;
  }
  const Finished run = RunToEnd(VX2CTL_BINARY, {"--config", "/nonexistent/lumadex.ini", "crc"});
  EXPECT_EQ(run.status, 2) << run.output;
  EXPECT_TRUE(Contains(run.output, "/nonexistent/lumadex.ini nelze přečíst")) << run.output;
}

TEST(Vx2ctlBinary, HelpIsCzechAndShowsTheRealDefaults) {
  const Finished run = RunToEnd(VX2CTL_BINARY, {"--help"});
  EXPECT_EQ(run.status, 0) << run.output;
  EXPECT_TRUE(Contains(run.output, "Použití: vx2ctl [VOLBY] PŘÍKAZ")) << run.output;
  EXPECT_TRUE(Contains(run.output, "--timeout S=3.0 ")) << run.output;
  EXPECT_FALSE(SaysEnglish(run.output)) << run.output;
}

TEST(Vx2ctlOnALine, ReadsAndWritesByDeviceByComAndByConfiguration) {
  korvex::SimOnPty sim(VX2SIM_BINARY, {"--item", "000102=42", "--baud", "38400"});
  ASSERT_FALSE(sim.Device().empty()) << sim.Process().Output();
  Finished run = RunToEnd(VX2CTL_BINARY, {"--serial", sim.Device(), "read", "000102"});
  EXPECT_EQ(run.status, 0) << run.output;
  EXPECT_TRUE(Contains(run.output, "RS232 COM1 38400Bd")) << run.output;
  EXPECT_TRUE(Contains(run.output, "\n000102 = 0x0000002A (42)\n")) << run.output;

  // COM 7 goes where the communicator's COM 7 would go.
  setenv("KORVEX_COM7", sim.Device().c_str(), 1);
  run = RunToEnd(VX2CTL_BINARY, {"--com", "7", "--baud", "19200", "write", "000102", "43"});
  EXPECT_EQ(run.status, 0) << run.output;
  EXPECT_TRUE(Contains(run.output, "RS232 COM7 19200Bd")) << run.output;
  EXPECT_TRUE(Contains(run.output, "000102 = 0x0000002B (43) zapsáno")) << run.output;

  const ConfigFile config("PORT 7 9600\r\nRS485\r\nTIMEOUT 0.5\r\n");
  run = RunToEnd(VX2CTL_BINARY, {"--config", config.Path(), "read", "000102"});
  unsetenv("KORVEX_COM7");
  EXPECT_EQ(run.status, 0) << run.output;
  EXPECT_TRUE(Contains(run.output, "RS485 COM7 9600Bd, Adr=1, Odezva=0.5s")) << run.output;
  EXPECT_TRUE(Contains(run.output, "000102 = 0x0000002B (43)")) << run.output;
}

TEST(Vx2ctlOnALine, SilentBusyOrMissingLinesAreErrors) {
  korvex::SimOnPty sim(VX2SIM_BINARY, {"--no-answer"});
  ASSERT_FALSE(sim.Device().empty()) << sim.Process().Output();
  Finished run =
      RunToEnd(VX2CTL_BINARY, {"--serial", sim.Device(), "--timeout", "0.2", "firmware"});
  EXPECT_EQ(run.status, 1) << run.output;
  EXPECT_TRUE(Contains(run.output, "pokus 3 z 3 se nezdařil: řadič neodpověděl včas"))
      << run.output;

  korvex::PosixSerialPort holder([&sim](int) { return sim.Device(); });
  ASSERT_NE(holder.Open(1), korvex::kNoPort);
  run = RunToEnd(VX2CTL_BINARY, {"--serial", sim.Device(), "firmware"});
  EXPECT_EQ(run.status, 1) << run.output;
  EXPECT_TRUE(Contains(run.output, "nelze otevřít (linku už používá jiný program)")) << run.output;

  run = RunToEnd(VX2CTL_BINARY, {"--serial", "/dev/korvex-no-such-line", "crc"});
  EXPECT_EQ(run.status, 1) << run.output;
  EXPECT_TRUE(Contains(
      run.output, "sériovou linku /dev/korvex-no-such-line nelze otevřít (zařízení neexistuje)"))
      << run.output;
}

}  // namespace
}  // namespace vx2::test
