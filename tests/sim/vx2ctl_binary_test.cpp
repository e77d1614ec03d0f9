// The real vx2ctl against the real vx2sim: the communicator's engine end to
// end over loopback TCP and over a pseudo-terminal.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>

#include "platform/posix/serial_port_posix.h"
#include "sim_harness.h"
#include "support/sim_on_pty.h"

namespace vx2::test {
namespace {

Finished Ctl(const RunningSim& sim, std::vector<std::string> arguments) {
  arguments.insert(arguments.begin(), {"--verbose", "--host", "127.0.0.1", "--port",
                                       std::to_string(sim.Port()), "--timeout", "0.3"});
  return RunToEnd(VX2CTL_BINARY, arguments);
}

// The run ended with `status` and said each of `says`.
void ExpectRun(const Finished& run, int status, const std::vector<std::string>& says) {
  EXPECT_EQ(run.status, status) << run.output;
  for (const std::string& part : says) EXPECT_TRUE(Contains(run.output, part)) << run.output;
}

TEST(Vx2ctlBinary, ReadsWritesAndShowsFirmwareAndChecksum) {
  RunningSim sim({"--item", "000102=42", "--firmware", "111054046", "--crc", "0xABCD"});
  ASSERT_GT(sim.Port(), 0);
  ExpectRun(Ctl(sim, {"read", "000102", "000103"}), 0,
            {"\n000102 = 0x0000002A (42)\n000103 = 0x00000000 (0)\n"});
  ExpectRun(Ctl(sim, {"write", "000103", "0x10"}), 0, {"000103 = 0x00000010 (16) zapsáno"});
  ExpectRun(Ctl(sim, {"read", "000103"}), 0, {"000103 = 0x00000010 (16)"});
  ExpectRun(Ctl(sim, {"firmware"}), 0, {"\n111054046 (1.11.2005 v.4.046)\n"});
  ExpectRun(Ctl(sim, {"crc"}), 0, {"\nABCD\n"});
  // Without --verbose the engine's log stays out.
  EXPECT_EQ(RunToEnd(VX2CTL_BINARY, {"--port", std::to_string(sim.Port()), "crc"}).output, "ABCD\n");
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
  ExpectRun(Ctl(sim, arguments), 0, {"000101 = 0x00000000 (0)\n", "000128 = 0x00000028 (40)\n"});
  const std::string& log = sim.Process().Output(50ms);
  EXPECT_TRUE(Contains(log, "[2] přijato")) << log;
  EXPECT_FALSE(Contains(log, "[3] přijato")) << log;
}

TEST(Vx2ctlBinary, AttemptsAndConnectionFailures) {
  const struct {
    std::vector<std::string> sim;
    std::string command;
    int status;
    std::vector<std::string> says;
  } cases[] = {
      {{"--item", "000102=42", "--bad-check", "--fault-count", "1"},
       "read",
       0,
       {"pokus 1 z 3 se nezdařil", "000102 = 0x0000002A (42)"}},
      // Each answer is broken and the connection closes with it, so every
      // attempt fails at once.
      {{"--bad-check", "--close-after-answer"},
       "crc",
       1,
       {"pokus 3 z 3 se nezdařil", "řadič nedal platnou odpověď ani na 3. pokus"}},
      // Three attempts of 0.3 s end well within RunToEnd's limit; an attempt
      // that waited under the 60-s connection limit would not.
      {{"--no-answer"}, "firmware", 1, {"pokus 3 z 3 se nezdařil: řadič neodpověděl včas"}},
      {{"--refuse"},
       "firmware",
       1,
       {"vx2ctl: navazuji spojení s 127.0.0.1:{port} (nejvýše 60 s)\n",
        "se nepodařilo navázat (spojení odmítnuto)"}},
  };
  for (const auto& c : cases) {
    RunningSim sim(c.sim);
    ASSERT_GT(sim.Port(), 0);
    std::vector<std::string> arguments{c.command};
    if (c.command == "read") arguments.push_back("000102");
    std::vector<std::string> says = c.says;
    for (std::string& part : says) {
      if (const auto at = part.find("{port}"); at != std::string::npos) {
        part.replace(at, 6, std::to_string(sim.Port()));
      }
    }
    ExpectRun(Ctl(sim, arguments), c.status, says);
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
  ExpectRun(RunToEnd(VX2CTL_BINARY, {"--verbose", "crc", "--config", config.Path()}), 0,
            {"\nABCD\n", "Host: 127.0.0.1 : " + std::to_string(sim.Port())});
  // An option given beside the file wins: address 4 gets no answer.
  ExpectRun(RunToEnd(VX2CTL_BINARY, {"--config", config.Path(), "--address", "4", "crc"}), 1,
            {"řadič neodpověděl včas"});
}

// verify reads back the project's 33 codes in two requests, the last value
// of a code written twice counting, and names each that differs.
TEST(Vx2ctlBinary, VerifyNamesEachItemTheControllerHoldsOtherwise) {
  RunningSim sim({"--item", "010000=42", "--item", "020011=7"});
  ASSERT_GT(sim.Port(), 0);
  std::string text = "TCP 127.0.0.1 " + std::to_string(sim.Port()) +
                     "\nQQWRITE 1 0 0 42 0 0 0 QQWRITE 1 0 1 16 39 0 0 QQWRITE 2 0 17 1 0 0 0\n";
  for (int k = 0; k < 30; ++k) text += "QQWRITE 3 0 " + std::to_string(k) + " 0 0 0 0\n";
  const ConfigFile project(text + "QQWRITE 2 0 17 7 0 0 0\n");
  const std::vector<std::string> verify{"--config", project.Path(), "verify"};
  ExpectRun(RunToEnd(VX2CTL_BINARY, verify), 1,
            {"010001: v projektu 10000, v řadiči 0\nŘadič drží jiné hodnoty než projekt; "
             "rozdílných položek: 1.\n"});
  const std::string& log = sim.Process().Output(50ms);
  EXPECT_TRUE(Contains(log, "[2] přijato") && !Contains(log, "[3] přijato")) << log;
  ExpectRun(Ctl(sim, {"write", "010001", "10000"}), 0, {});
  ExpectRun(RunToEnd(VX2CTL_BINARY, verify), 0,
            {"Řadič drží projekt: všechny položky souhlasí.\n"});
  const ConfigFile no_project("TCP 127.0.0.1 1\n");
  ExpectRun(RunToEnd(VX2CTL_BINARY, {"--config", no_project.Path(), "verify"}), 2,
            {"nemá žádné položky projektu (QQWRITE)"});
}

// What the communicator refuses, vx2ctl refuses with the same reason.
TEST(Vx2ctlBinary, ConfigurationFileTheCommunicatorRefusesIsRefused) {
  struct Case {
    std::string text;
    std::string error;
  };
  for (const Case& c : std::vector<Case>{
           {"PORT 1 9600\nTCP controller 1998\n",
            " nelze použít: řádek 2: 'controller' u klíčového slova TCP není adresa IPv4"},
           {"TCP 127.0.0.1 1998\nQQWRITE 1 0 0 42 0 0 0 CRC32 x 43\n",
            " nelze použít: projekt v něm nebyl přečten celý, do řadiče se z něj nic nezapíše "
            "(řádek 2: CRC32 2B nesouhlasí se součtem hodnot QQWRITE 2A)"},
           {std::string("T\0C\0P\0", 6), " nelze číst jako text: obsahuje nulové bajty"},
           {"PORT 0 19200\nRS485\n", ": PORT 0 není port COM 1 až 255"},
       }) {
    const ConfigFile config(c.text);
    const Finished run = RunToEnd(VX2CTL_BINARY, {"--verbose", "--config", config.Path(), "firmware"});
    ExpectRun(run, 2, {"vx2ctl: konfigurační soubor " + config.Path() + c.error});
    EXPECT_FALSE(Contains(run.output, "COM/TCP-Vardos")) << run.output;
  }
  ExpectRun(RunToEnd(VX2CTL_BINARY, {"--config", "/nonexistent/lumadex.ini", "crc"}), 2,
            {"/nonexistent/lumadex.ini nelze přečíst"});
}

TEST(Vx2ctlOnALine, ByDeviceByComAndByConfigurationAndBusyOrMissingLines) {
  korvex::SimOnPty sim(VX2SIM_BINARY, {"--item", "000102=42", "--baud", "38400"});
  ASSERT_FALSE(sim.Device().empty()) << sim.Process().Output();
  ExpectRun(RunToEnd(VX2CTL_BINARY, {"--verbose", "--serial", sim.Device(), "read", "000102"}), 0,
            {"RS232 COM1 38400Bd", "\n000102 = 0x0000002A (42)\n"});

  // COM 7 goes where the communicator's COM 7 would go.
  setenv("KORVEX_COM7", sim.Device().c_str(), 1);
  ExpectRun(RunToEnd(VX2CTL_BINARY, {"--verbose", "--com", "7", "--baud", "19200", "write", "000102", "43"}), 0,
            {"RS232 COM7 19200Bd", "000102 = 0x0000002B (43) zapsáno"});
  const ConfigFile config("PORT 7 9600\r\nRS485\r\nTIMEOUT 0.5\r\n");
  const Finished run = RunToEnd(VX2CTL_BINARY, {"--verbose", "--config", config.Path(), "read", "000102"});
  unsetenv("KORVEX_COM7");
  ExpectRun(run, 0, {"RS485 COM7 9600Bd, Adr=1, Odezva=0.5s", "000102 = 0x0000002B (43)"});

  korvex::SystemSerialPort holder([&sim](int) { return sim.Device(); });
  ASSERT_NE(holder.Open(1), korvex::kNoPort);
  ExpectRun(RunToEnd(VX2CTL_BINARY, {"--serial", sim.Device(), "firmware"}), 1,
            {"nelze otevřít (linku už používá jiný program)"});
  ExpectRun(RunToEnd(VX2CTL_BINARY, {"--serial", "/dev/korvex-no-such-line", "crc"}), 1,
            {"sériovou linku /dev/korvex-no-such-line nelze otevřít (zařízení neexistuje)"});
}

}  // namespace
}  // namespace vx2::test
