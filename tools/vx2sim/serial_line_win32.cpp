#include "serial_line.h"

namespace vx2::sim {
namespace {

// The Windows build serves TCP only: its serial layer reads through the
// communicator's event thread, not the loop the simulator runs on.
constexpr char kNoLine[] =
    "sériová linka není ve verzi simulátoru pro Windows k dispozici, použijte TCP";

}  // namespace

SerialLine::~SerialLine() = default;

bool SerialLine::OpenPty(std::uint32_t, std::string& error) {
  error = kNoLine;
  return false;
}

bool SerialLine::OpenDevice(const std::string&, std::uint32_t, std::string& error) {
  error = kNoLine;
  return false;
}

ReadOutcome ReadLine(korvex::IoHandle, char*, std::size_t) {
  return {ReadStatus::kFailed, 0, kNoLine};
}

bool WriteLine(korvex::IoHandle, std::string_view) {
  return false;
}

}  // namespace vx2::sim
