// vx2late: a VX2 controller that answers late, for trials of late answers.
// It plays one controller line: a pseudo-terminal (--pty), or a serial device
// server in front of the line (otherwise), whose TCP port hands the line's
// bytes to the connection open when they come, late ones to the next
// connection, as plants join RS485 controllers to Ethernet. Each answer
// leaves its delay after its request, so a late one may follow a later
// request's answer, as the answer to a retry that came at once; with
// --answer-reads only the first reads are answered, writes always. Beside its
// own options it takes vx2sim's items, address and line options; its only log
// is the ready line. SIGINT and SIGTERM end it with status 0.
#include <poll.h>
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <map>
#include <iostream>
#include <random>
#include <string>
#include <vector>

#include "app/czech_cli.h"
#include "item_table.h"
#include "protocol/frame.h"
#include "request_handler.h"
#include "request_scanner.h"
#include "serial_line.h"
#include "sim_io.h"
#include "sim_options.h"
#include "tcp_listener.h"

namespace vx2::late {
namespace {

using Clock = std::chrono::steady_clock;

volatile std::sig_atomic_t g_stop = 0;

// Each request's delay: the listed ones in turn, or drawn at random between 0
// and a bound (the same sequence every run).
class Delays {
 public:
  Delays(std::vector<int> cycle, int uniform_bound)
      : cycle_(std::move(cycle)), uniform_(0, std::max(0, uniform_bound)), random_(uniform_bound >= 0) {}
  std::chrono::milliseconds Next() {
    if (random_) return std::chrono::milliseconds(uniform_(engine_));
    const int delay = cycle_.empty() ? 0 : cycle_[next_++ % cycle_.size()];
    return std::chrono::milliseconds(delay);
  }

 private:
  std::vector<int> cycle_;
  std::size_t next_ = 0;
  std::uniform_int_distribution<int> uniform_;
  std::mt19937 engine_{29};
  bool random_;
};

class LateLine {
 public:
  LateLine(const sim::SimConfig& config, Delays delays, int answered_reads)
      : config_(config), delays_(std::move(delays)), answered_reads_(answered_reads) {
    items_.Load(config.items);
  }

  bool Start(std::string& where, std::string& error) {
    if (config_.pty) {
      if (!line_.OpenPty(config_.baud.value_or(38400), error)) return false;
      peer_ = line_.Descriptor();
      where = line_.Path();
      return true;
    }
    if (!listener_.Open(config_.host, config_.port, true, error)) return false;
    where = listener_.LocalAddress();
    return true;
  }

  void Run() {
    while (!g_stop) {
      std::vector<pollfd> watched;
      if (peer_ >= 0) watched.push_back({static_cast<int>(peer_), POLLIN, 0});
      if (!config_.pty) watched.push_back({static_cast<int>(listener_.Descriptor()), POLLIN, 0});
      int wait = -1;
      if (!answers_.empty()) {
        const auto left =
            std::chrono::ceil<std::chrono::milliseconds>(answers_.begin()->first - Clock::now());
        wait = static_cast<int>(std::max<std::int64_t>(0, left.count()));
      }
      poll(watched.data(), watched.size(), wait);
      for (const pollfd& watch : watched) {
        if (watch.revents == 0) continue;
        if (watch.fd == peer_) Receive();
        if (watch.fd == listener_.Descriptor()) TakeConnection();
      }
      SendDue();
    }
  }

 private:
  // The device server serves one connection at a time: a new one replaces
  // the old, and bytes that came while none was open go to it.
  void TakeConnection() {
    std::string who;
    const korvex::IoHandle connection = listener_.Accept(who);
    if (connection == korvex::kNoIoHandle) return;
    if (peer_ >= 0) sim::CloseSocket(peer_);
    peer_ = connection;
    if (!held_.empty() && sim::SendNow(peer_, false, held_)) held_.clear();
  }

  void Receive() {
    char bytes[512];
    const sim::ReadOutcome read = sim::ReadSome(peer_, config_.pty, bytes, sizeof bytes);
    if (read.status == sim::ReadStatus::kData) {
      received_.append(bytes, read.size);
    } else if (read.status != sim::ReadStatus::kNothingNow && !config_.pty) {
      sim::CloseSocket(peer_);
      peer_ = -1;
      received_.clear();
    }
    for (const sim::ScanEvent& event : sim::ScanRequests(received_, config_.address)) {
      if (event.kind != sim::ScanEventKind::kRequest) continue;
      const sim::RequestOutcome outcome = sim::HandleRequest(event.data, items_);
      if (outcome.problem != sim::RequestProblem::kNone) continue;
      const bool read = event.data.starts_with(kReadCommand);
      if (read && answered_reads_ == 0) continue;
      if (read && answered_reads_ > 0) --answered_reads_;
      std::string frame;
      korvex::WrapFrame(0, {0, 0, 0, config_.address}, outcome.answer, frame);
      answers_.emplace(Clock::now() + delays_.Next(), std::move(frame));
    }
  }

  void SendDue() {
    while (!answers_.empty() && answers_.begin()->first <= Clock::now()) {
      const std::string& frame = answers_.begin()->second;
      if (peer_ < 0 || !sim::SendNow(peer_, config_.pty, frame)) held_ += frame;
      answers_.erase(answers_.begin());
    }
  }

  const sim::SimConfig& config_;
  Delays delays_;
  int answered_reads_;  // left to answer; below 0: all
  sim::ItemTable items_;
  sim::SerialLine line_;
  sim::TcpListener listener_;
  korvex::IoHandle peer_ = -1;
  std::string received_;
  // By the time each is due; equal times in request order.
  std::multimap<Clock::time_point, std::string> answers_;
  std::string held_;  // answers that came while no connection was open
};

}  // namespace
}  // namespace vx2::late

int main(int argc, char** argv) {
  CLI::App app{"Řadič VX2, který odpovídá pozdě; ostatní volby jako vx2sim.", "vx2late"};
  korvex::UseCzechCommandLine(app);
  app.allow_extras();
  std::vector<int> late;
  int uniform = -1;
  int answered_reads = -1;
  app.add_option("--late", late, "Zpoždění odpovědí v ms, po řadě dokola.")
      ->type_name("MS,...")
      ->delimiter(',');
  app.add_option("--late-uniform", uniform, "Zpoždění odpovědí náhodně od 0 do MS.")->type_name("MS");
  app.add_option("--answer-reads", answered_reads, "Odpoví jen na prvních N čtení.")->type_name("N");
  CLI11_PARSE(app, argc, argv);
  std::vector<std::string> rest = app.remaining();
  rest.insert(rest.begin(), "vx2late");
  std::vector<const char*> sim_argv;
  for (const std::string& option : rest) sim_argv.push_back(option.c_str());
  vx2::sim::SimConfig config;
  if (const auto status = vx2::sim::ParseSimCommandLine(static_cast<int>(sim_argv.size()),
                                                        sim_argv.data(), config, std::cout,
                                                        std::cerr)) {
    return *status;
  }
  std::signal(SIGINT, [](int) { vx2::late::g_stop = 1; });
  std::signal(SIGTERM, [](int) { vx2::late::g_stop = 1; });
  vx2::late::LateLine line(config, vx2::late::Delays(late, uniform), answered_reads);
  std::string where;
  std::string error;
  if (!line.Start(where, error)) {
    std::cerr << "vx2late: " << error << "\n";
    return 1;
  }
  std::printf("vx2late: připraven na %s\n", where.c_str());
  std::fflush(stdout);
  line.Run();
  return 0;
}
