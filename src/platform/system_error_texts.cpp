#include "platform/system_error.h"

#include <initializer_list>
#include <utility>

namespace korvex {
namespace {

using TextRows = std::initializer_list<std::pair<ErrorKind, const char*>>;

// A backend's own words where the general ones would be vague.
std::string TextOf(SystemError error, TextRows backend) {
  for (const auto& [kind, text] : backend) {
    if (kind == error.kind) return text;
  }
  switch (error.kind) {
    case ErrorKind::kNone:
      return "bez chyby";
    case ErrorKind::kNotFound:
      return "neexistuje";
    case ErrorKind::kBusy:
      return "používá jej jiný program";
    case ErrorKind::kAccessDenied:
      return "přístup odepřen";
    case ErrorKind::kRefused:
      return "spojení odmítnuto";
    case ErrorKind::kUnreachable:
      return "cíl je nedostupný";
    case ErrorKind::kBroken:
      return "spojení je přerušeno";
    case ErrorKind::kTimedOut:
      return "vypršel časový limit";
    case ErrorKind::kNoSpace:
      return "disk je plný";
    case ErrorKind::kOther:
      break;
  }
  return "chyba systému " + std::to_string(error.code);
}

}  // namespace

std::string SerialErrorText(SystemError error) {
  return TextOf(error, {{ErrorKind::kNotFound, "zařízení neexistuje"},
                        {ErrorKind::kBusy, "linku už používá jiný program"},
                        {ErrorKind::kAccessDenied, "chybí oprávnění k zařízení"},
                        {ErrorKind::kBroken, "zařízení bylo odpojeno"}});
}

std::string SocketErrorText(SystemError error) {
  return TextOf(error, {{ErrorKind::kNotFound, "adresa nenalezena"},
                        {ErrorKind::kBusy, "adresa je již používána"},
                        {ErrorKind::kUnreachable, "cílový počítač je nedostupný"},
                        {ErrorKind::kTimedOut, "vypršel časový limit spojení"}});
}

std::string LogFileErrorText(SystemError error) {
  return TextOf(error, {{ErrorKind::kNotFound, "složka neexistuje"},
                        {ErrorKind::kBusy, "zapisuje do něj jiný komunikátor"},
                        {ErrorKind::kBroken, "chyba zápisu na disk"}});
}

std::string DesktopErrorText(SystemError error) {
  return TextOf(error, {{ErrorKind::kNotFound, "složka neexistuje"},
                        {ErrorKind::kBusy, "používá ji jiný program"}});
}

std::string OutputErrorText(SystemError error) {
  return TextOf(error, {{ErrorKind::kNotFound, "výstup není otevřen"},
                        {ErrorKind::kBroken, "výstup už nikdo nečte"}});
}

}  // namespace korvex
