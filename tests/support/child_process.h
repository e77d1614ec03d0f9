// A program started by a test, with its standard output read line by line.
// Every wait is bounded, and the destructor kills a child still running.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

extern char** environ;

namespace korvex {

// Where a child runs and what it gets beside its arguments.
struct ChildSetup {
  std::string directory;                 // working directory; empty: the test's own
  std::string stderr_file;               // standard error into this file (created anew)
  std::vector<std::string> environment;  // NAME=value, added to the test's environment
};

class ChildProcess {
 public:
  enum class Stderr { kSeparate, kWithOutput };

  ChildProcess(const std::string& program, const std::vector<std::string>& arguments,
               Stderr stderr_to = Stderr::kSeparate)
      : ChildProcess(program, arguments, ChildSetup{}, stderr_to) {}

  ChildProcess(const std::string& program, const std::vector<std::string>& arguments,
               const ChildSetup& setup, Stderr stderr_to = Stderr::kSeparate) {
    int out[2];
    if (pipe2(out, O_CLOEXEC) != 0) return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    if (stderr_to == Stderr::kWithOutput) {
      posix_spawn_file_actions_adddup2(&actions, out[1], STDERR_FILENO);
    } else if (!setup.stderr_file.empty()) {
      posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, setup.stderr_file.c_str(),
                                       O_WRONLY | O_CREAT | O_TRUNC, 0600);
    }
    if (!setup.directory.empty()) {
      posix_spawn_file_actions_addchdir_np(&actions, setup.directory.c_str());
    }
    std::vector<std::string> all{program};
    all.insert(all.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (auto& a : all) argv.push_back(a.data());
    argv.push_back(nullptr);
    // The added entries first: the first of two equal names wins.
    std::vector<std::string> added = setup.environment;
    std::vector<char*> envp;
    for (auto& e : added) envp.push_back(e.data());
    for (char** e = environ; *e != nullptr; ++e) envp.push_back(*e);
    envp.push_back(nullptr);
    if (posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv.data(), envp.data()) != 0) {
      pid_ = -1;
    }
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    out_ = out[0];
  }

  ~ChildProcess() {
    if (pid_ > 0 && !status_) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
    if (out_ >= 0) close(out_);
  }

  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  bool Started() const { return pid_ > 0; }
  pid_t Pid() const { return pid_; }

  // Everything the child has printed so far (read within `wait`).
  const std::string& Output(std::chrono::milliseconds wait = std::chrono::milliseconds(0)) {
    ReadFor(wait);
    return output_;
  }

  // Reads until the output contains `text`; false if it does not within `limit`.
  bool WaitFor(const std::string& text, std::chrono::milliseconds limit) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (output_.find(text) == std::string::npos) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
          end - std::chrono::steady_clock::now());
      if (left.count() <= 0 || !ReadSome(static_cast<int>(left.count()))) {
        return output_.find(text) != std::string::npos;
      }
    }
    return true;
  }

  void Signal(int signal) const {
    if (pid_ > 0) kill(pid_, signal);
  }

  // The exit status, or nothing if the child has not ended within `limit`.
  std::optional<int> Wait(std::chrono::milliseconds limit) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!status_) {
      int status = 0;
      if (waitpid(pid_, &status, WNOHANG) == pid_) {
        status_ = status;
        break;
      }
      if (std::chrono::steady_clock::now() >= end) return std::nullopt;
      ReadSome(10);
    }
    ReadFor(std::chrono::milliseconds(0));
    return WIFEXITED(*status_) ? WEXITSTATUS(*status_) : 128 + WTERMSIG(*status_);
  }

 private:
  // False when nothing more will come (end of output or time-out).
  bool ReadSome(int timeout_ms) {
    if (out_ < 0) return false;
    pollfd p{out_, POLLIN, 0};
    if (poll(&p, 1, timeout_ms) <= 0) return false;
    char chunk[4096];
    const ssize_t n = read(out_, chunk, sizeof chunk);
    if (n <= 0) return false;
    output_.append(chunk, static_cast<std::size_t>(n));
    return true;
  }
  void ReadFor(std::chrono::milliseconds wait) {
    const auto end = std::chrono::steady_clock::now() + wait;
    do {
      while (ReadSome(0)) {
      }
    } while (std::chrono::steady_clock::now() < end && ReadSome(10));
  }

  pid_t pid_ = -1;
  int out_ = -1;
  std::string output_;
  std::optional<int> status_;
};

}  // namespace korvex
