#include "controller_session.h"

#include "byte_text.h"

namespace vx2::ctl {
ControllerSession::ControllerSession(korvex::LogSink& log) : log_(log) {
  link_.Init(loop_);
  link_.Setup(serial_, socket_);
}

ControllerSession::~ControllerSession() {
  link_.Close();
  link_.Done();
}

bool ControllerSession::Open(const SessionSettings& settings, std::string& error) {
  korvex::TLinkSetup link;
  link.Address = settings.address;
  link.Retranslation = settings.relay;
  link.Timeout = settings.timeout;
  korvex::TTCPsetup tcp{true, settings.host, settings.port};
  endpoint_ = settings.host + ":" + std::to_string(settings.port);
  if (settings.OnSerialLine()) {
    tcp.Active = false;
    serial_device_ = settings.serial_device;
    link.Port = serial_device_.empty() ? settings.com : 1;
    link.Baudrate = settings.baud;
    link.RS485 = settings.rs485;
    endpoint_ = serial_device_.empty() ? "COM" + std::to_string(settings.com) + " (" +
                                             korvex::ComDevice(settings.com) + ")"
                                       : serial_device_;
  }
  // Our own line per failed attempt says why; the engine's dots and its
  // no-answer notice would run into it.
  link_.Comm->SetQuiet();
  if (tcp.Active) {
    // A connect that gets no reply at all waits out the engine's connection
    // limit; say so rather than stay silent that long.
    log_.AddLine("vx2ctl: navazuji spojení s " + endpoint_ + " (nejvýše " +
                 std::to_string(static_cast<int>(korvex::kConnectLimitSeconds)) + " s)");
  }
  if (link_.Open(link, tcp, &log_)) return true;
  error = tcp.Active ? ConnectFailure()
                     : "sériovou linku " + endpoint_ + " nelze otevřít (" +
                           korvex::SerialErrorText(serial_.Error()) + ")";
  return false;
}

std::string ControllerSession::ConnectFailure() const {
  const std::string& cause = link_.Comm->Client()->LastError();
  return "spojení s řadičem na " + endpoint_ + " se nepodařilo navázat" +
         (cause.empty() ? std::string{} : " (" + cause + ")");
}

std::string ControllerSession::FailureReason(bool answered, std::string_view answer) const {
  if (answered) return "nečekaná odpověď: " + HexBytes(answer);
  const korvex::TVardosComm& comm = *link_.Comm;
  if (comm.UseTCP() && comm.Client()->ConnectFailed) return ConnectFailure();
  if (comm.TimedOut()) return "řadič neodpověděl včas";
  const std::string& cause = comm.Client()->LastError();
  return "spojení s " + endpoint_ + " skončilo bez odpovědi" +
         (cause.empty() ? std::string{} : " (" + cause + ")");
}

bool ControllerSession::Exchange(std::string_view request,
                                 const std::function<bool(std::string_view)>& accept,
                                 std::string& answer, std::string& error) {
  for (int attempt = 1; attempt <= kAttempts; ++attempt) {
    std::string received;
    const bool answered = link_.Transaction(request, received);
    if (answered && accept(received)) {
      answer = std::move(received);
      return true;
    }
    error = FailureReason(answered, received);
    log_.AddLine("vx2ctl: pokus " + std::to_string(attempt) + " z " + std::to_string(kAttempts) +
                 " se nezdařil: " + error);
  }
  error =
      "řadič nedal platnou odpověď ani na " + std::to_string(kAttempts) + ". pokus (" + error + ")";
  return false;
}

}  // namespace vx2::ctl
