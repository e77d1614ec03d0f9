#include "platform/posix/host_desktop_posix.h"

#include <dirent.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <vector>

#include "common/host_record.h"

namespace korvex {
namespace {

constexpr std::int64_t kMaxHandle = 2147483647;
constexpr int kBacklog = 64;
constexpr int kHandleAttempts = 16;
// A window sends its record right after it connects; a connection that has
// not within this bound is closed, and no more than so many are held.
constexpr std::int64_t kRecordBoundMs = 1000;
constexpr std::size_t kMaxConnections = 32;
constexpr std::int64_t kAcceptPauseMs = 100;
// Hosts that connect again as fast as they are served would keep the accept
// loop going for ever; the rest waits for the loop's next look, after the
// controller's link and the timers have had theirs.
constexpr int kAcceptsPerCall = 8;
constexpr int kHousekeepingMs = 100;

std::string Environment(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

bool FillAddress(const std::string& path, sockaddr_un& address) {
  address = {};
  address.sun_family = AF_UNIX;
  if (path.size() >= sizeof address.sun_path) return false;
  std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
  return true;
}

int NewSocket() {
  return socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
}

std::string OctalMode(mode_t mode) {
  char text[8];
  std::snprintf(text, sizeof text, "%04o", static_cast<unsigned>(mode & 07777));
  return text;
}

// Why a call failed, for the end of a Czech line.
std::string Cause(int code) {
  return " (" + DesktopErrorText(DesktopError(code)) + ").";
}

std::int64_t NowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

}  // namespace

SystemError DesktopError(int code) {
  switch (code) {
    case ENOENT:
    case ENOTDIR:
      return {ErrorKind::kNotFound, code};
    // A window's socket name that another window holds.
    case EADDRINUSE:
    case EEXIST:
      return {ErrorKind::kBusy, code};
    case EACCES:
    case EPERM:
    case EROFS:
      return {ErrorKind::kAccessDenied, code};
    case ENOSPC:
    case EDQUOT:
      return {ErrorKind::kNoSpace, code};
    default:
      return {ErrorKind::kOther, code};
  }
}

std::string DefaultDesktopDirectory() {
  if (std::string own = Environment("TOLMA_DESKTOP"); !own.empty()) return own;
  if (std::string runtime = Environment("XDG_RUNTIME_DIR"); !runtime.empty()) {
    return runtime + "/tolma";
  }
  return "/tmp/tolma-" + std::to_string(geteuid());
}

std::optional<std::int64_t> ParseHandleName(std::string_view name) {
  if (name.empty() || name.size() > 10 || name[0] == '0') return std::nullopt;
  std::int64_t value = 0;
  const auto [end, error] = std::from_chars(name.data(), name.data() + name.size(), value);
  if (error != std::errc{} || end != name.data() + name.size() || value < 1 || value > kMaxHandle) {
    return std::nullopt;
  }
  return value;
}

PosixHostDesktop::PosixHostDesktop(EventLoop& loop, std::string directory)
    : loop_(loop),
      directory_(directory.empty() ? DefaultDesktopDirectory() : std::move(directory)) {}

PosixHostDesktop::~PosixHostDesktop() {
  for (const auto& [fd, held] : connections_) close(fd);
  connections_.clear();
  housekeeping_.reset();
  listen_watch_.reset();
  if (listen_fd_ >= 0) {
    close(listen_fd_);
    unlink(PathOf(own_).c_str());
  }
}

std::uint32_t PosixHostDesktop::RegisterMessage(std::string_view name, std::string& problem) {
  if (!join_problem_) {
    std::string why;
    Join(why);
    join_problem_ = why;
  }
  if (!join_problem_->empty()) {
    problem = *join_problem_;
    return 0;
  }
  return RegisteredMessageNumber(name);
}

bool PrepareDesktopDirectory(const std::string& directory, std::string& problem) {
  const std::string where = "Plocha kanálu " + directory;
  // Created private from the start; an existing one is checked, never changed.
  if (mkdir(directory.c_str(), 0700) != 0 && errno != EEXIST) {
    problem = where + " nelze vytvořit" + Cause(errno);
    return false;
  }
  struct stat info {};
  if (lstat(directory.c_str(), &info) != 0) {
    problem = where + " není přístupná" + Cause(errno);
    return false;
  }
  if (!S_ISDIR(info.st_mode)) {
    problem = where + " není adresář; kanál k nadřízené aplikaci je vypnut.";
    return false;
  }
  if (info.st_uid != geteuid()) {
    problem = where + " patří jinému uživateli; kanál k nadřízené aplikaci je vypnut.";
    return false;
  }
  if ((info.st_mode & 077) != 0) {
    problem = where + " má práva " + OctalMode(info.st_mode) +
              " (přístup i pro jiné uživatele); kanál k nadřízené aplikaci je vypnut.";
    return false;
  }
  return true;
}

bool PosixHostDesktop::Join(std::string& problem) {
  return PrepareDesktopDirectory(directory_, problem) && BindOwnSocket(problem);
}

bool PosixHostDesktop::BindOwnSocket(std::string& problem) {
  std::mt19937 random(std::random_device{}());
  std::uniform_int_distribution<std::int64_t> any_handle(1, kMaxHandle);
  std::int64_t handle = getpid();
  for (int attempt = 0; attempt < kHandleAttempts; ++attempt, handle = any_handle(random)) {
    // Listening under a name no host looks for before it takes its own: what
    // is posted to a window that is on the desktop always reaches it.
    const std::string path = PathOf(handle), hidden = path + ".new";
    sockaddr_un address;
    if (!FillAddress(hidden, address)) {
      problem = "Cesta k ploše kanálu " + directory_ + " je příliš dlouhá.";
      return false;
    }
    const int fd = NewSocket();
    if (fd < 0) break;
    unlink(hidden.c_str());  // left by a start that died there
    int rc = bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
                     listen(fd, kBacklog) == 0
                 ? link(hidden.c_str(), path.c_str())
                 : -1;
    if (rc != 0 && errno == EEXIST) {
      // A socket nobody listens on was left by a window that died: reuse it.
      const int probe = ConnectTo(handle);
      if (probe >= 0) {
        close(probe);
        close(fd);
        unlink(hidden.c_str());
        continue;
      }
      unlink(path.c_str());
      rc = link(hidden.c_str(), path.c_str());
    }
    const int cause = errno;
    unlink(hidden.c_str());
    if (rc != 0) {
      problem = "Na ploše kanálu " + directory_ + " nelze vytvořit okno" + Cause(cause);
      close(fd);
      return false;
    }
    listen_fd_ = fd;
    own_ = handle;
    housekeeping_ = loop_.CreateTimer("host_desktop", kHousekeepingMs, [this] { Housekeep(); });
    WatchListeningSocket();
    return true;
  }
  problem = "Na ploše kanálu " + directory_ + " nelze vytvořit okno" + Cause(errno);
  return false;
}

std::string PosixHostDesktop::PathOf(std::int64_t handle) const {
  return directory_ + "/" + std::to_string(handle);
}

int PosixHostDesktop::ConnectTo(std::int64_t handle) const {
  sockaddr_un address;
  if (handle < 1 || handle > kMaxHandle || !FillAddress(PathOf(handle), address)) return -1;
  const int fd = NewSocket();
  if (fd < 0) return -1;
  if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    close(fd);
    return -1;
  }
  return fd;
}

std::vector<std::int64_t> PosixHostDesktop::PostToAll(std::uint32_t message, std::uint32_t wparam,
                                                      std::int64_t lparam, std::string_view text) {
  std::vector<std::int64_t> reached;
  DIR* dir = opendir(directory_.c_str());
  if (!dir) return reached;
  std::vector<std::int64_t> handles;
  while (const dirent* entry = readdir(dir)) {
    if (auto handle = ParseHandleName(entry->d_name)) handles.push_back(*handle);
  }
  closedir(dir);
  const std::string record =
      EncodeRecord({Delivery::kPosted, message, wparam, lparam, std::string(text)});
  for (std::int64_t handle : handles) {
    const int fd = ConnectTo(handle);
    if (fd < 0) continue;
    if (send(fd, record.data(), record.size(), MSG_NOSIGNAL | MSG_DONTWAIT) ==
        static_cast<ssize_t>(record.size())) {
      reached.push_back(handle);
    }
    close(fd);
  }
  return reached;
}

SendResult PosixHostDesktop::Send(std::int64_t window, std::uint32_t message, std::uint32_t wparam,
                                  std::int64_t lparam, std::string_view text, int timeout_ms) {
  const int fd = ConnectTo(window);
  if (fd < 0) return SendResult::kNoWindow;
  const std::string record =
      EncodeRecord({Delivery::kSent, message, wparam, lparam, std::string(text)});
  if (send(fd, record.data(), record.size(), MSG_NOSIGNAL | MSG_DONTWAIT) !=
      static_cast<ssize_t>(record.size())) {
    close(fd);
    return SendResult::kNoWindow;
  }
  const std::int64_t deadline = NowMs() + timeout_ms;
  for (;;) {
    const std::int64_t left = deadline - NowMs();
    if (left <= 0) {
      close(fd);
      return SendResult::kTimedOut;
    }
    Housekeep();
    // While waiting, this window still serves records sent to it.
    std::vector<pollfd> fds{{fd, POLLIN, 0}};
    if (listen_watch_) fds.push_back({listen_fd_, POLLIN, 0});
    for (const auto& [connection, held] : connections_) fds.push_back({connection, POLLIN, 0});
    const int wait = static_cast<int>(std::min<std::int64_t>(left, kHousekeepingMs));
    if (poll(fds.data(), fds.size(), wait) < 0 && errno != EINTR) {
      close(fd);
      return SendResult::kNoReply;
    }
    if (fds[0].revents != 0) {
      char reply[kReplySize + 1];
      const ssize_t n = recv(fd, reply, sizeof reply, MSG_DONTWAIT);
      if (n < 0 && (errno == EAGAIN || errno == EINTR)) continue;
      close(fd);
      const bool replied =
          n > 0 && DecodeReply(std::string_view(reply, static_cast<std::size_t>(n)));
      return replied ? SendResult::kDelivered : SendResult::kNoReply;
    }
    for (std::size_t i = 1; i < fds.size(); ++i) {
      if (fds[i].revents == 0) continue;
      if (fds[i].fd == listen_fd_) {
        AcceptPending();
      } else if (connections_.count(fds[i].fd)) {
        Serve(fds[i].fd);
      }
    }
  }
}

void PosixHostDesktop::AcceptPending() {
  for (int taken = 0; listen_watch_ && taken < kAcceptsPerCall; ++taken) {
    if (connections_.size() >= kMaxConnections) CloseOldestConnection();
    const int fd = accept4(listen_fd_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (fd < 0) {
      if (errno == EMFILE || errno == ENFILE || errno == ENOBUFS || errno == ENOMEM) {
        // A held connection gives its descriptor up first.
        if (connections_.empty()) PauseAccepting();
        CloseOldestConnection();
        continue;
      }
      return;
    }
    ucred peer{};
    socklen_t size = sizeof peer;
    // Only windows of the same user may talk to this one.
    if (getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &size) != 0 || peer.uid != geteuid()) {
      close(fd);
      continue;
    }
    connections_[fd] = {loop_.WatchIo(fd, [this, fd](IoEvent) { Serve(fd); }),
                        NowMs() + kRecordBoundMs};
    housekeeping_->SetEnabled(true);
    // The record has mostly come with the connection.
    Serve(fd);
  }
}

void PosixHostDesktop::CloseOldestConnection() {
  auto oldest = connections_.end();
  for (auto it = connections_.begin(); it != connections_.end(); ++it) {
    if (oldest == connections_.end() || it->second.deadline_ms < oldest->second.deadline_ms) {
      oldest = it;
    }
  }
  if (oldest == connections_.end()) return;
  const int fd = oldest->first;
  connections_.erase(oldest);
  close(fd);
}

void PosixHostDesktop::PauseAccepting() {
  listen_watch_.reset();
  accept_resume_ms_ = NowMs() + kAcceptPauseMs;
  housekeeping_->SetEnabled(true);
}

void PosixHostDesktop::WatchListeningSocket() {
  listen_watch_ = loop_.WatchIo(listen_fd_, [this](IoEvent) { AcceptPending(); });
}

void PosixHostDesktop::Housekeep() {
  const std::int64_t now = NowMs();
  for (auto it = connections_.begin(); it != connections_.end();) {
    const int fd = it->first;
    const bool expired = it->second.deadline_ms <= now;
    ++it;
    if (expired) {
      Forget(fd);
      close(fd);
    }
  }
  if (!listen_watch_ && listen_fd_ >= 0 && now >= accept_resume_ms_) WatchListeningSocket();
  if (connections_.empty() && listen_watch_) housekeeping_->SetEnabled(false);
}

void PosixHostDesktop::Serve(int fd) {
  // One byte more than the longest record, and MSG_TRUNC reports the real
  // length, so an oversized record is seen as such and dropped.
  char buffer[kRecordMaxSize + 1];
  const ssize_t n = recv(fd, buffer, sizeof buffer, MSG_DONTWAIT | MSG_TRUNC);
  if (n < 0 && (errno == EAGAIN || errno == EINTR)) return;
  Forget(fd);
  std::optional<HostRecord> record;
  if (n > 0 && static_cast<std::size_t>(n) <= sizeof buffer) {
    record = DecodeRecord(std::string_view(buffer, static_cast<std::size_t>(n)));
  }
  if (record) {
    const bool sent = record->delivery == Delivery::kSent;
    if (receiver_) {
      // A copy: the procedure may replace the receiver while it runs.
      Receiver receiver = receiver_;
      receiver({record->message, record->wparam, record->lparam, std::move(record->text), sent});
    }
    if (sent) {
      const std::string reply = EncodeReply(0);
      send(fd, reply.data(), reply.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
    }
  }
  close(fd);
}

void PosixHostDesktop::Forget(int fd) {
  connections_.erase(fd);
}

}  // namespace korvex
