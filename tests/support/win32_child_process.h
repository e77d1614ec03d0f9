// A program started by a Windows test in a working directory of its own,
// standard output and error in a file there. The destructor ends a child
// still running.
#pragma once

#include <windows.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <thread>

namespace korvex {

class Win32ChildProcess {
 public:
  // `config` is written into the working directory as lumadex.ini.
  Win32ChildProcess(const std::string& program, const std::string& arguments,
                    const std::string& config)
      : directory_(std::filesystem::temp_directory_path() /
                   ("korvex-test-" + std::to_string(GetCurrentProcessId()) + "-" +
                    std::to_string(GetTickCount64()))) {
    std::filesystem::create_directories(directory_);
    std::ofstream(directory_ / "lumadex.ini") << config;
    SECURITY_ATTRIBUTES inherited{sizeof inherited, nullptr, TRUE};
    const HANDLE out = CreateFileA((directory_ / "output.txt").string().c_str(), GENERIC_WRITE,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE, &inherited, CREATE_ALWAYS,
                                   FILE_ATTRIBUTE_NORMAL, nullptr);
    STARTUPINFOA start{};
    start.cb = sizeof start;
    start.dwFlags = STARTF_USESTDHANDLES;
    start.hStdOutput = start.hStdError = out;
    PROCESS_INFORMATION info{};
    std::string line = "\"" + program + "\" " + arguments;
    if (CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr,
                       directory_.string().c_str(), &start, &info)) {
      process_ = info.hProcess;
      CloseHandle(info.hThread);
    }
    CloseHandle(out);
  }
  ~Win32ChildProcess() {
    if (process_) {
      TerminateProcess(process_, 99);  // nothing when it has ended
      WaitForSingleObject(process_, INFINITE);
      CloseHandle(process_);
    }
    std::error_code ignored;
    std::filesystem::remove_all(directory_, ignored);
  }
  Win32ChildProcess(const Win32ChildProcess&) = delete;
  Win32ChildProcess& operator=(const Win32ChildProcess&) = delete;

  // The exit status, or nothing while it still runs after `limit`.
  std::optional<DWORD> Wait(std::chrono::milliseconds limit) const {
    DWORD status = 0;
    if (!process_ || WaitForSingleObject(process_, static_cast<DWORD>(limit.count())) != 0 ||
        !GetExitCodeProcess(process_, &status)) {
      return std::nullopt;
    }
    return status;
  }
  std::string Output() const {
    std::ostringstream text;
    text << std::ifstream(directory_ / "output.txt").rdbuf();
    return text.str();
  }
  bool WaitFor(const std::string& text, std::chrono::milliseconds limit) const {
    for (auto end = std::chrono::steady_clock::now() + limit;
         Output().find(text) == std::string::npos; std::this_thread::sleep_for(limit / 200)) {
      if (std::chrono::steady_clock::now() > end) return false;
    }
    return true;
  }

 private:
  std::filesystem::path directory_;
  HANDLE process_ = nullptr;
};

}  // namespace korvex
