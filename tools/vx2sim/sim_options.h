// The simulator's command line, turned into one configuration.
#pragma once

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "fault_plan.h"
#include "item_bytes.h"

namespace vx2::sim {

inline constexpr std::uint32_t kDefaultFirmware = 111054046;

struct SimConfig {
  std::string host = "127.0.0.1";
  std::uint16_t port = 1998;
  std::uint8_t address = 1;
  // Initial item values in the order they are stored: firmware number and
  // project checksum, the items file, then each --item; a later value of the
  // same code wins.
  std::vector<ItemValue> items;
  FaultPlan faults;
  // Keep the port bound but do not listen: every connect is refused.
  bool refuse = false;
  // A serial line instead of TCP: a pseudo-terminal of our own, or a device.
  bool pty = false;
  std::string serial_device;
  // The line's rate; answers on it leave no sooner than the line carries
  // them (8N1, 10 bits a byte). None: as fast as the line takes them.
  std::optional<std::uint32_t> baud;
  bool quiet = false;

  bool OnSerialLine() const { return pty || !serial_device.empty(); }
};

// Nothing when `config` is ready; otherwise the exit status, the help or the
// error having been printed.
std::optional<int> ParseSimCommandLine(int argc, const char* const* argv, SimConfig& config,
                                       std::ostream& out, std::ostream& err);

// "000102=42"
std::optional<ItemValue> ParseItemAssignment(std::string_view text);
// "5:300": the first 5 bytes, then a pause of 300 ms before the rest.
std::optional<AnswerSplit> ParseSplit(std::string_view text);

}  // namespace vx2::sim
