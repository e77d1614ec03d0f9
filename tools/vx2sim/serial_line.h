// The simulator's end of a serial line: a pseudo-terminal it creates, whose
// other end the communicator opens, or an existing serial device.
#pragma once

#include <cstdint>
#include <string>

#include "platform/event_loop.h"
#include "sim_io.h"

namespace vx2::sim {

class SerialLine {
 public:
  SerialLine() = default;
  ~SerialLine();
  SerialLine(const SerialLine&) = delete;
  SerialLine& operator=(const SerialLine&) = delete;

  // Creates a pseudo-terminal; Path() is the device to give the
  // communicator. False with the reason in `error`.
  bool OpenPty(std::uint32_t rate, std::string& error);
  // Opens `device` exclusively as a raw 8N1 line at `rate` Bd.
  bool OpenDevice(const std::string& device, std::uint32_t rate, std::string& error);

  // What the simulator reads and writes (non-blocking).
  korvex::IoHandle Descriptor() const { return fd_; }
  const std::string& Path() const { return path_; }

 private:
  int fd_ = -1;
  // The pty's other end, held open so that the line stays up between the
  // communicator's opens.
  int held_ = -1;
  std::string path_;
};

// One read from and a whole write to the line, without waiting, as
// ReadSome and SendNow do for a line.
ReadOutcome ReadLine(korvex::IoHandle line, char* buffer, std::size_t size);
bool WriteLine(korvex::IoHandle line, std::string_view bytes);

}  // namespace vx2::sim
