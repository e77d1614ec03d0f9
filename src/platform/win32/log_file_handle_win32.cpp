#include "platform/log_file_handle.h"

#include <windows.h>

#include <algorithm>

namespace korvex {
namespace {

std::wstring Wide(const std::string& utf8) {
  const int size = static_cast<int>(utf8.size());
  std::wstring wide(MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, nullptr, 0), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, wide.data(), static_cast<int>(wide.size()));
  return wide;
}

HANDLE Native(std::intptr_t native) {
  return reinterpret_cast<HANDLE>(native);
}

}  // namespace

SystemError LogFileError(int code) {
  switch (static_cast<DWORD>(code)) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
      return {ErrorKind::kNotFound, code};
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
      return {ErrorKind::kBusy, code};
    case ERROR_ACCESS_DENIED:
    case ERROR_WRITE_PROTECT:
      return {ErrorKind::kAccessDenied, code};
    case ERROR_GEN_FAILURE:
    case ERROR_WRITE_FAULT:
    case ERROR_NOT_READY:
      return {ErrorKind::kBroken, code};
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return {ErrorKind::kNoSpace, code};
    default:
      return {ErrorKind::kOther, code};
  }
}

SystemError RenameLogFile(const std::string& from, const std::string& to) {
  return MoveFileExW(Wide(from).c_str(), Wide(to).c_str(), MOVEFILE_REPLACE_EXISTING)
             ? SystemError{}
             : LogFileError(static_cast<int>(GetLastError()));
}

// Windows has no owner-only mode to keep: the file takes its folder's rights.
// Sharing it for reading alone keeps every other writer out.
std::unique_ptr<LogFileHandle> LogFileHandle::Open(const std::string& path, const LogFileHandle*,
                                                   LogFileRefusal& refusal, std::string& reason) {
  const HANDLE file =
      CreateFileW(Wide(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                  OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    refusal = error == ERROR_SHARING_VIOLATION ? LogFileRefusal::kHeldByAnother
                                               : LogFileRefusal::kCannotOpen;
    reason = LogFileErrorText(LogFileError(static_cast<int>(error)));
    return nullptr;
  }
  LARGE_INTEGER size{};
  if (GetFileType(file) != FILE_TYPE_DISK || !GetFileSizeEx(file, &size) ||
      !SetFilePointerEx(file, LARGE_INTEGER{}, nullptr, FILE_END)) {
    CloseHandle(file);
    refusal = LogFileRefusal::kNotRegular;
    return nullptr;
  }
  return std::unique_ptr<LogFileHandle>(new LogFileHandle(
      reinterpret_cast<std::intptr_t>(file), static_cast<std::uint64_t>(size.QuadPart), 0));
}

LogFileHandle::~LogFileHandle() {
  CloseHandle(Native(native_));
}

bool LogFileHandle::Append(std::string_view bytes, std::string& reason) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    DWORD written = 0;
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 30));
    if (!WriteFile(Native(native_), bytes.data() + done, chunk, &written, nullptr) ||
        written == 0) {
      reason = LogFileErrorText(LogFileError(static_cast<int>(GetLastError())));
      LARGE_INTEGER before{};
      before.QuadPart = static_cast<LONGLONG>(size_);
      if (done > 0 && SetFilePointerEx(Native(native_), before, nullptr, FILE_BEGIN)) {
        SetEndOfFile(Native(native_));
      }
      return false;
    }
    done += written;
  }
  size_ += bytes.size();
  return true;
}

}  // namespace korvex
