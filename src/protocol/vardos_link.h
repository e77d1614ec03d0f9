// The window's handle on the controller link: creates, opens, closes and
// frees the protocol engine.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "platform/event_loop.h"
#include "platform/log_sink.h"
#include "platform/socket_client.h"
#include "protocol/link_setup.h"
#include "protocol/vardos_comm.h"

namespace korvex {

inline constexpr std::string_view kLinkVersionLine = "COM/TCP-Vardos, v.1.303";

class TVardosLink {
 public:
  void Init(EventLoop& loop);
  void Setup(TSerial& serial, SocketClient& socket);
  // Applies the settings, opens the link and describes it in `log`. For TCP
  // it pumps the loop until the connect has its outcome (at most the
  // connection limit; "X com" ends it) and is true when the connection stands.
  bool Open(const TLinkSetup& link, const TTCPsetup& tcp, LogSink* log);
  // Opens the link again with the settings of the last Open, without
  // describing it; true when it stands.
  bool Reopen();
  // A serial link whose device has gone away: the port is of no use until
  // it is closed and opened again.
  bool DeviceGone() const;
  // Closes the serial port and leaves the link not opened, for Reopen.
  void Drop();
  void Close();
  void Done();
  bool Transaction(std::string_view request, std::string& answer);

  std::unique_ptr<TVardosComm> Comm;
  bool Opened = false;
  EventLoop* Owner = nullptr;

 private:
  TLinkSetup link_;
  TTCPsetup tcp_;
};

// The log line that describes a serial link, the time-out written with
// `decimal_separator`.
std::string SerialLinkDescription(const TLinkSetup& link, std::string_view decimal_separator);

}  // namespace korvex
