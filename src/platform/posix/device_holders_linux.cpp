#include "platform/posix/device_holders_linux.h"

#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <charconv>
#include <filesystem>
#include <fstream>

namespace korvex {
namespace {

namespace fs = std::filesystem;

constexpr unsigned kPtySlaveMajor = 136;

// Every entry of a folder whose entries come and go (processes end meanwhile):
// without exceptions, stopping at the first error.
template <typename Visit>
void ForEachEntry(const fs::path& folder, Visit visit) {
  std::error_code error;
  for (fs::directory_iterator it(folder, error); !error && it != fs::directory_iterator();
       it.increment(error)) {
    if (visit(it->path())) return;
  }
}

bool IsProcessId(const std::string& name, long& pid) {
  const auto [end, error] = std::from_chars(name.data(), name.data() + name.size(), pid);
  return error == std::errc{} && end == name.data() + name.size() && pid > 0;
}

bool HoldsDevice(const fs::path& process, dev_t device) {
  bool holds = false;
  ForEachEntry(process / "fd", [&](const fs::path& link) {
    struct stat target {};
    holds = stat(link.c_str(), &target) == 0 && S_ISCHR(target.st_mode) &&
            target.st_rdev == device;
    return holds;
  });
  return holds;
}

}  // namespace

std::vector<std::string> OtherDeviceHolders(int fd) {
  std::vector<std::string> holders;
  struct stat own {};
  if (fstat(fd, &own) != 0 || !S_ISCHR(own.st_mode)) return holders;
  // The program at the other end of a pseudo-terminal keeps its side open
  // by design; only real devices are probed by others.
  if (major(own.st_rdev) >= kPtySlaveMajor && major(own.st_rdev) < kPtySlaveMajor + 8) {
    return holders;
  }
  ForEachEntry("/proc", [&](const fs::path& process) {
    long pid = 0;
    if (!IsProcessId(process.filename().string(), pid) || pid == getpid() ||
        !HoldsDevice(process, own.st_rdev)) {
      return false;
    }
    std::string name;
    std::ifstream comm(process / "comm");
    std::getline(comm, name);
    holders.push_back((name.empty() ? "?" : name) + " (" + std::to_string(pid) + ")");
    return false;
  });
  return holders;
}

}  // namespace korvex
