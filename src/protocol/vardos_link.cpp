#include "protocol/vardos_link.h"

#include <charconv>
#include <limits>
#include <string>

#include "platform/user_locale.h"

namespace korvex {

void TVardosLink::Init(EventLoop& loop) {
  Owner = &loop;
  Comm = std::make_unique<TVardosComm>(loop);
  Opened = false;
}

void TVardosLink::Setup(TSerial& serial, SocketClient& socket) {
  Comm->Setup(serial, socket);
}

std::string SerialLinkDescription(const TLinkSetup& link, std::string_view decimal_separator) {
  const char* kind = link.Modem ? "MODEM" : link.RS485 ? "RS485" : "RS232";
  // "%3.1f" with the user's separator; to_chars writes a point whatever the
  // process locale is. Room for every double written out in full.
  char number[std::numeric_limits<double>::max_exponent10 + 32];
  const auto written =
      std::to_chars(number, number + sizeof number, link.Timeout, std::chars_format::fixed, 1);
  std::string timeout(number, written.ec == std::errc{} ? written.ptr : number);
  if (const auto point = timeout.find('.'); point != std::string::npos) {
    timeout.replace(point, 1, decimal_separator);
  }
  if (timeout.size() < 3) timeout.insert(0, 3 - timeout.size(), ' ');
  return std::string(kind) + " COM" + std::to_string(link.Port) + " " +
         std::to_string(link.Baudrate) + "Bd, Adr=" + std::to_string(link.Address) +
         ", Odezva=" + timeout + "s";
}

namespace {

// A program that had the port open before us is not kept out by our lock.
void WarnOfOtherHolders(TVardosComm& comm, int port) {
  std::string names;
  for (const std::string& holder : comm.Serial()->OtherHolders()) {
    names += (names.empty() ? "" : ", ") + holder;
  }
  if (names.empty()) return;
  comm.LogLine("Varování: port COM" + std::to_string(port) + " má otevřený i " + names +
               "; může odebírat odpovědi řadiče.");
}

}  // namespace

bool TVardosLink::Open(const TLinkSetup& link, const TTCPsetup& tcp, LogSink* log) {
  TVardosComm& comm = *Comm;
  comm.SetLogMemo(log);
  comm.LogLine(kLinkVersionLine);
  link_ = link;
  tcp_ = tcp;
  // The serial port is opened only for a serial link; for TCP it stays closed.
  const bool serial_open = comm.OpenSerial(link, !tcp.Active);
  comm.ApplySettings(link, tcp);

  if (tcp.Active) {
    SocketClient& socket = comm.Client()->Client();
    comm.LogLine("TCP/IP, Indy verze: " + socket.VersionText());
    comm.LogLine("Tento počítač: " + socket.LocalHostName());
    comm.LogLine("Host: " + comm.Client()->Host + " : " + std::to_string(comm.Client()->Port));
  } else {
    comm.LogLine(SerialLinkDescription(link, UserDecimalSeparator()));
    if (serial_open) WarnOfOtherHolders(comm, link.Port);
  }
  comm.ClearAbort();
  Opened = tcp.Active ? comm.ConnectTcp() : serial_open;
  return Opened;
}

bool TVardosLink::Reopen() {
  TVardosComm& comm = *Comm;
  const bool serial_open = comm.OpenSerial(link_, !tcp_.Active);
  comm.ClearAbort();
  Opened = tcp_.Active ? comm.ConnectTcp() : serial_open;
  return Opened;
}

bool TVardosLink::DeviceGone() const {
  return !tcp_.Active && Comm && Comm->Serial() && Comm->Serial()->DeviceGone();
}

void TVardosLink::Drop() {
  if (Comm && Comm->Serial()) Comm->Serial()->SetOpen(false);
  Opened = false;
}

void TVardosLink::Close() {
  if (Comm) Comm->Close();
  Opened = false;
}

void TVardosLink::Done() {
  Comm.reset();
}

bool TVardosLink::Transaction(std::string_view request, std::string& answer) {
  if (!Comm) return false;
  if (!Opened) {
    if (Comm->Stats()) Comm->Stats()->Failed(TransactionFailure::kNoLink);
    return false;
  }
  return Comm->Transaction(request, answer);
}

}  // namespace korvex
