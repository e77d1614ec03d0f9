#include "protocol/vardos_link.h"

#include <cstdio>

namespace korvex {

void TVardosLink::Init(EventLoop& loop) {
  Owner = &loop;
  Comm = std::make_unique<TVardosComm>(loop);
  Opened = false;
}

void TVardosLink::Setup(SocketClient& socket) { Comm->Setup(socket); }

std::string SerialLinkDescription(const TLinkSetup& link) {
  const char* kind = link.Modem ? "MODEM" : link.RS485 ? "RS485" : "RS232";
  char line[128];
  std::snprintf(line, sizeof line, "%s COM%d %dBd, Adr=%d, Odezva=%3.1fs", kind, link.Port,
                link.Baudrate, link.Address, link.Timeout);
  return line;
}

bool TVardosLink::Open(const TLinkSetup& link, const TTCPsetup& tcp, LogSink* log) {
  TVardosComm& comm = *Comm;
  comm.LogMemo = log;
  comm.LogLine(kLinkVersionLine);
  comm.ResponseTimeout = link.Timeout;
  comm.MasterAddress = 0;
  comm.Address = static_cast<std::uint8_t>(link.Address);
  comm.Retranslation = static_cast<std::uint8_t>(link.Retranslation);
  comm.Client->Host = tcp.Host;
  comm.Client->Port = static_cast<int>(tcp.Port & 0xFFFF);

  bool result = false;
  if (tcp.Active) {
    SocketClient& socket = comm.Client->Client();
    comm.LogLine("TCP/IP, Indy verze: " + socket.VersionText());
    comm.LogLine("Tento počítač: " + socket.LocalHostName());
    comm.LogLine("Host: " + comm.Client->Host + " : " + std::to_string(comm.Client->Port));
  } else {
    // The serial line comes with the serial port component; until then a
    // serial link cannot be opened.
    comm.LogLine(SerialLinkDescription(link));
  }
  comm.AbortFlag = false;
  comm.TimedOut = false;
  comm.UseTCP = tcp.Active;
  // The connect completes in the event loop (WaitConnect); the link is open
  // when it stands or is on its way.
  if (tcp.Active) result = comm.Client->Connect() || comm.Client->Connecting();
  Opened = result;
  return result;
}

void TVardosLink::Close() {
  if (Comm) Comm->Close();
  Opened = false;
}

void TVardosLink::Done() { Comm.reset(); }

bool TVardosLink::Transaction(std::string_view request, std::string& answer) {
  if (!Opened || !Comm) return false;
  return Comm->Transaction(request, answer);
}

}  // namespace korvex
