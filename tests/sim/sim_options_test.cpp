#include "sim_options.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace vx2::sim {
namespace {

struct Parsed {
  std::optional<int> status;
  SimConfig config;
  std::string out;
  std::string err;
};

Parsed Parse(std::vector<std::string> arguments) {
  arguments.insert(arguments.begin(), "vx2sim");
  std::vector<const char*> argv;
  for (const std::string& a : arguments) argv.push_back(a.c_str());
  Parsed parsed;
  std::ostringstream out;
  std::ostringstream err;
  parsed.status =
      ParseSimCommandLine(static_cast<int>(argv.size()), argv.data(), parsed.config, out, err);
  parsed.out = out.str();
  parsed.err = err.str();
  return parsed;
}

TEST(SimOptions, DefaultsAreTheCommunicatorsOwnEndpoint) {
  const Parsed parsed = Parse({});
  ASSERT_EQ(parsed.status, std::nullopt) << parsed.err;
  EXPECT_EQ(parsed.config.host, "127.0.0.1");
  EXPECT_EQ(parsed.config.port, 1998);
  EXPECT_EQ(parsed.config.address, 1);
  EXPECT_EQ(parsed.config.items,
            (std::vector<ItemValue>{{kFirmwareItem, 111054046}, {kProjectChecksumItem, 0}}));
  EXPECT_FALSE(parsed.config.faults.Any());
  EXPECT_FALSE(parsed.config.refuse);
}

TEST(SimOptions, ItemsComeInTheOrderTheyAreStoredSoTheCommandLineWins) {
  const std::filesystem::path path =
      std::filesystem::path(testing::TempDir()) / "vx2sim_options_items.txt";
  std::ofstream(path) << "000102 1\n000002 2\n";
  const Parsed parsed = Parse({"--item", "000102=0x10", "--firmware", "0x0102", "--crc", "7",
                               "--items", path.string(), "--item", "00000C=3"});
  std::filesystem::remove(path);
  ASSERT_EQ(parsed.status, std::nullopt) << parsed.err;
  EXPECT_EQ(parsed.config.items, (std::vector<ItemValue>{{kFirmwareItem, 0x0102},
                                                         {kProjectChecksumItem, 7},
                                                         {{0x00, 0x01, 0x02}, 1},
                                                         {kFirmwareItem, 2},
                                                         {{0x00, 0x01, 0x02}, 0x10},
                                                         {{0x00, 0x00, 0x0C}, 3}}));
}

TEST(SimOptions, FaultOptionsFillThePlan) {
  const Parsed parsed = Parse({"--delay", "15", "--no-answer", "--bad-check", "--wrong-address",
                               "--noise", "00ff", "--split", "5:300", "--close-after-answer",
                               "--fault-count", "0", "--address", "255", "--port", "0",
                               "--delay-spread", "10", "--restart-after", "2"});
  ASSERT_EQ(parsed.status, std::nullopt) << parsed.err;
  const FaultPlan& faults = parsed.config.faults;
  EXPECT_EQ(faults.delay_ms, 15);
  EXPECT_TRUE(faults.no_answer && faults.bad_check && faults.wrong_address &&
              faults.close_after_answer);
  EXPECT_EQ(faults.noise, std::string("\x00\xFF", 2));
  ASSERT_TRUE(faults.split.has_value());
  EXPECT_EQ(faults.split->offset, 5u);
  EXPECT_EQ(faults.split->pause_ms, 300);
  EXPECT_EQ(faults.fault_count, 0u);
  EXPECT_EQ(faults.delay_spread_ms, 10);
  EXPECT_EQ(faults.restart_after_writes, 2u);
  EXPECT_EQ(parsed.config.address, 255);
  EXPECT_EQ(parsed.config.port, 0);
}

TEST(SimOptions, BadOrUnknownOptionsAreErrorsNotIgnored) {
  const std::vector<std::vector<std::string>> bad = {
      {"--bogus"},
      {"stray"},
      {"--port", "65536"},
      {"--address", "256"},
      {"--address", "-1"},
      {"--item", "000102"},
      {"--item", "00012=1"},
      {"--item", "000102=0x1FFFFFFFF"},
      {"--firmware", "abc"},
      {"--noise", "0"},
      {"--noise", "GG"},
      {"--split", "5"},
      {"--split", "0:10"},
      {"--split", "5:-1"},
      {"--delay", "-5"},
      {"--delay-spread", "10"},
      {"--restart-after", "0"},
      {"--refuse", "--fault-count", "1"},
      {"--refuse", "--delay", "10"},
      {"--items", "/nonexistent/vx2sim-items"},
      {"--baud", "38400"},
      {"--pty", "--baud", "12345"},
      {"--pty", "--serial", "/dev/ttyS0"},
      {"--pty", "--port", "0"},
      {"--serial", "/dev/ttyS0", "--host", "127.0.0.1"},
      {"--pty", "--close-after-answer"},
      {"--pty", "--refuse"},
  };
  for (const auto& arguments : bad) {
    const Parsed parsed = Parse(arguments);
    EXPECT_EQ(parsed.status, 2) << arguments[0];
    EXPECT_FALSE(parsed.err.empty()) << arguments[0];
  }
  EXPECT_NE(Parse({"--bogus"}).err.find("--bogus"), std::string::npos);
  EXPECT_NE(Parse({"--pty", "--port", "0"}).err.find("Volby --port a --pty nelze použít spolu."),
            std::string::npos);
}

TEST(SimOptions, SerialLineAndItsRate) {
  const Parsed pty = Parse({"--pty", "--baud", "14400", "--delay", "5"});
  ASSERT_EQ(pty.status, std::nullopt) << pty.err;
  EXPECT_TRUE(pty.config.pty);
  EXPECT_EQ(pty.config.baud, 14400u);
  EXPECT_TRUE(pty.config.OnSerialLine());
  const Parsed device = Parse({"--serial", "/dev/ttyUSB0"});
  ASSERT_EQ(device.status, std::nullopt) << device.err;
  EXPECT_EQ(device.config.serial_device, "/dev/ttyUSB0");
  EXPECT_EQ(device.config.baud, std::nullopt);
  EXPECT_FALSE(Parse({}).config.OnSerialLine());
}

TEST(SimOptions, HelpEndsParsingWithSuccess) {
  const Parsed parsed = Parse({"--help"});
  EXPECT_EQ(parsed.status, 0);
  EXPECT_NE(parsed.out.find("--fault-count"), std::string::npos);
}

}  // namespace
}  // namespace vx2::sim
