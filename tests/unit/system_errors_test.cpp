// Each backend's system codes as the project's errors and their Czech texts,
// the same texts on every platform: the rows name a POSIX and a Windows code.
#include <gtest/gtest.h>

#include <cerrno>
#include <string>
#include <vector>

#include "console/standard_output.h"
#include "platform/host_desktop.h"
#include "platform/log_file_handle.h"
#include "platform/socket_shim.h"
#include "platform/system_serial_port.h"

#ifdef _WIN32
#include <winerror.h>
#define OS_CODE(posix, windows) windows
#else
#include "platform/posix/host_desktop_posix.h"
#define OS_CODE(posix, windows) posix
#endif

namespace korvex {
namespace {

struct ErrorRow {
  int code;
  ErrorKind kind;
  std::string text;
};

using Mapping = SystemError (*)(int);
using Text = std::string (*)(SystemError);

void ExpectRows(Mapping mapping, Text text, const std::vector<ErrorRow>& rows) {
  for (const ErrorRow& row : rows) {
    const SystemError error = mapping(row.code);
    EXPECT_EQ(error.kind, row.kind) << row.code;
    EXPECT_EQ(error.code, row.code) << "the system's code is kept";
    EXPECT_EQ(text(error), row.text) << row.code;
  }
}

TEST(SystemErrors, SerialPort) {
  ExpectRows(
      SerialPortError, SerialErrorText,
      {{OS_CODE(ENOENT, ERROR_FILE_NOT_FOUND), ErrorKind::kNotFound, "zařízení neexistuje"},
       {OS_CODE(EBUSY, ERROR_ACCESS_DENIED), ErrorKind::kBusy, "linku už používá jiný program"},
       {OS_CODE(EIO, ERROR_DEVICE_REMOVED), ErrorKind::kBroken, "zařízení bylo odpojeno"},
       {OS_CODE(ETIMEDOUT, ERROR_SEM_TIMEOUT), ErrorKind::kTimedOut, "vypršel časový limit"},
       {OS_CODE(EINVAL, ERROR_INVALID_PARAMETER), ErrorKind::kOther,
        "chyba systému " + std::to_string(OS_CODE(EINVAL, ERROR_INVALID_PARAMETER))}});
#ifndef _WIN32
  ExpectRows(SerialPortError, SerialErrorText,
             {{EACCES, ErrorKind::kAccessDenied, "chybí oprávnění k zařízení"}});
#endif
}

TEST(SystemErrors, Socket) {
  ExpectRows(
      SocketError, SocketErrorText,
      {{OS_CODE(ECONNREFUSED, WSAECONNREFUSED), ErrorKind::kRefused, "spojení odmítnuto"},
       {OS_CODE(EADDRINUSE, WSAEADDRINUSE), ErrorKind::kBusy, "adresa je již používána"},
       {OS_CODE(EADDRNOTAVAIL, WSAEADDRNOTAVAIL), ErrorKind::kNotFound, "adresa nenalezena"},
       {OS_CODE(EACCES, WSAEACCES), ErrorKind::kAccessDenied, "přístup odepřen"},
       {OS_CODE(EHOSTUNREACH, WSAEHOSTUNREACH), ErrorKind::kUnreachable,
        "cílový počítač je nedostupný"},
       {OS_CODE(ECONNRESET, WSAECONNRESET), ErrorKind::kBroken, "spojení je přerušeno"},
       {OS_CODE(ETIMEDOUT, WSAETIMEDOUT), ErrorKind::kTimedOut, "vypršel časový limit spojení"},
       {OS_CODE(EMFILE, WSAEMFILE), ErrorKind::kOther,
        "chyba systému " + std::to_string(OS_CODE(EMFILE, WSAEMFILE))}});
}

TEST(SystemErrors, LogFile) {
  ExpectRows(LogFileError, LogFileErrorText,
             {{OS_CODE(ENOENT, ERROR_PATH_NOT_FOUND), ErrorKind::kNotFound, "složka neexistuje"},
              {OS_CODE(EACCES, ERROR_ACCESS_DENIED), ErrorKind::kAccessDenied, "přístup odepřen"},
              {OS_CODE(EISDIR, ERROR_ACCESS_DENIED), ErrorKind::kAccessDenied, "přístup odepřen"},
              {OS_CODE(ENOSPC, ERROR_DISK_FULL), ErrorKind::kNoSpace, "disk je plný"},
              {OS_CODE(EIO, ERROR_WRITE_FAULT), ErrorKind::kBroken, "chyba zápisu na disk"},
              {OS_CODE(EBADF, ERROR_INVALID_HANDLE), ErrorKind::kOther,
               "chyba systému " + std::to_string(OS_CODE(EBADF, ERROR_INVALID_HANDLE))}});
}

TEST(SystemErrors, HostDesktop) {
  ExpectRows(DesktopError, DesktopErrorText,
             {{OS_CODE(ENOENT, ERROR_PATH_NOT_FOUND), ErrorKind::kNotFound, "složka neexistuje"},
              {OS_CODE(EACCES, ERROR_ACCESS_DENIED), ErrorKind::kAccessDenied, "přístup odepřen"},
              {OS_CODE(EINVAL, ERROR_INVALID_PARAMETER), ErrorKind::kOther,
               "chyba systému " + std::to_string(OS_CODE(EINVAL, ERROR_INVALID_PARAMETER))}});
#ifndef _WIN32
  ExpectRows(DesktopError, DesktopErrorText,
             {{EADDRINUSE, ErrorKind::kBusy, "používá ji jiný program"}});
  std::string problem;  // the cause on the user's line
  EXPECT_FALSE(PrepareDesktopDirectory("/korvex-none/desktop", problem));
  EXPECT_EQ(problem, "Plocha kanálu /korvex-none/desktop nelze vytvořit (složka neexistuje).");
#endif
}

// The C library's codes, the same on both platforms; more through the binaries.
TEST(SystemErrors, StandardOutput) {
  ExpectRows(StandardOutputError, OutputErrorText,
             {{EPIPE, ErrorKind::kBroken, "výstup už nikdo nečte"},
              {EBADF, ErrorKind::kNotFound, "výstup není otevřen"}});
}

}  // namespace
}  // namespace korvex
