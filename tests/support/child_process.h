// A program started by a test, with its standard output read line by line.
// Every wait is bounded, and the destructor kills a child still running; a
// child also dies with the test, even when the test is killed (at its ctest
// time limit, say). The kernel ties that to the starting thread: start a
// child on the thread that outlives it.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
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
    const pid_t parent = getpid();
    pid_ = fork();
    if (pid_ == 0) {
      // Only async-signal-safe calls from here to the exec.
      prctl(PR_SET_PDEATHSIG, SIGKILL);
      if (getppid() != parent) _exit(127);
      dup2(out[1], STDOUT_FILENO);
      if (stderr_to == Stderr::kWithOutput) {
        dup2(out[1], STDERR_FILENO);
      } else if (!setup.stderr_file.empty()) {
        const int err = open(setup.stderr_file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (err < 0 || dup2(err, STDERR_FILENO) < 0) _exit(127);
      }
      if (!setup.directory.empty() && chdir(setup.directory.c_str()) != 0) _exit(127);
      execve(program.c_str(), argv.data(), envp.data());
      _exit(127);
    }
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
