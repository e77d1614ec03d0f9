// Transactions per second over loopback TCP against the controller
// simulator: the engine (one connection per transaction, as it works), the
// same with the log file and the statistics on, and with the frame trace on
// too, and, for the physical limit, a minimal raw-socket client doing the
// same exchanges.
#include <arpa/inet.h>
#include <benchmark/benchmark.h>
#include <netinet/in.h>

#include <cstdio>
#include <memory>
#include <string>

#include <filesystem>

#include "bench_size.h"
#include "logfile/logged_view.h"
#include "logfile/rotating_log_file.h"
#include "loop/real_time_loop.h"
#include "no_log.h"
#include "protocol/frame.h"
#include "rate_reporter.h"
#include "raw_exchange.h"
#include "support/child_process.h"
#include "support/posix_link.h"
#include "support/recording_view.h"
#include "support/temp_directory.h"

namespace korvex {
namespace {

using namespace std::chrono_literals;

const std::string kReadRequest("Qq\x00\x00\x02", 5);

class Simulator {
 public:
  Simulator() : process_(VX2SIM, {"--host", "127.0.0.1", "--port", "0", "--quiet"}) {
    const std::string ready = "připraven na 127.0.0.1:";
    if (!process_.WaitFor(ready, 10s)) return;
    const std::string& out = process_.Output();
    port_ = std::atoi(out.c_str() + out.find(ready) + ready.size());
  }
  int port() const { return port_; }

 private:
  ChildProcess process_;
  int port_ = 0;
};

Simulator& TheSimulator() {
  static Simulator simulator;
  return simulator;
}

enum class Operations { kOff, kLogAndStatistics, kTrace };

void Engine(benchmark::State& state, Operations operations) {
  PosixLinkOn<RealTimeLoop, NoLog> posix;
  TVardosLink& link = posix.link;
  TTCPsetup tcp;
  tcp.Active = true;
  tcp.Port = static_cast<std::uint32_t>(TheSimulator().port());
  // The log file as the communicator has it: the window's lines copied into a
  // rotating file written by its own thread.
  TempDirectory directory;
  RecordingView window;
  std::string problem;
  std::unique_ptr<RotatingLogFile> file;
  std::unique_ptr<LoggedView> logged;
  LinkStatistics statistics;
  LogSink* log = &posix.log;
  if (operations != Operations::kOff) {
    file = RotatingLogFile::Open({(directory.Path() / "korvex.log").string()}, problem);
    logged = std::make_unique<LoggedView>(window, file.get(), "korvex.log", problem);
    log = logged.get();
    link.Comm->SetStats(&statistics);
    if (operations == Operations::kTrace) link.Comm->SetTrace(logged.get());
  }
  if (!link.Open(TLinkSetup{}, tcp, log) || !link.Comm->WaitConnect()) {
    state.SkipWithError("simulator not reachable");
    return;
  }
  link.Comm->SetQuiet();
  std::string answer;
  for (auto _ : state) {
    if (!link.Transaction(kReadRequest, answer)) {
      state.SkipWithError("transaction failed");
      break;
    }
  }
  state.SetItemsProcessed(state.iterations());
  link.Comm->SetTrace(nullptr);
  link.Comm->SetLogMemo(nullptr);
}

void EngineTransactions(benchmark::State& state) {
  Engine(state, Operations::kOff);
}

void EngineTransactionsLogged(benchmark::State& state) {
  Engine(state, Operations::kLogAndStatistics);
}

void EngineTransactionsTraced(benchmark::State& state) {
  Engine(state, Operations::kTrace);
}

void RawClientExchanges(benchmark::State& state) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<std::uint16_t>(TheSimulator().port()));
  inet_pton(AF_INET, "127.0.0.1", &address.sin_addr);
  std::string frame;
  WrapFrame(1, {kFrameKind, 0, 1, 0}, kReadRequest, frame);
  for (auto _ : state) {
    if (!RawExchange(address, frame)) {
      state.SkipWithError("raw exchange failed");
      break;
    }
  }
  state.SetItemsProcessed(state.iterations());
}

const int kTransactions = BenchSize(5000, 50);
const int kRounds = BenchSize(3, 1);
BENCHMARK(EngineTransactions)->Iterations(kTransactions)->Repetitions(kRounds)->UseRealTime();
BENCHMARK(EngineTransactionsLogged)->Iterations(kTransactions)->Repetitions(kRounds)->UseRealTime();
BENCHMARK(EngineTransactionsTraced)->Iterations(kTransactions)->Repetitions(kRounds)->UseRealTime();
BENCHMARK(RawClientExchanges)->Iterations(kTransactions)->Repetitions(kRounds)->UseRealTime();

}  // namespace
}  // namespace korvex

int main(int argc, char** argv) {
  auto rates = korvex::RunForRates(argc, argv);
  const double engine = rates["EngineTransactions"];
  const double raw = rates["RawClientExchanges"];
  if (engine <= 0 || raw <= 0) return 1;
  std::printf("\nengine: %.0f transactions/s\nraw client: %.0f exchanges/s\n", engine, raw);
  std::printf("raw/engine ratio: %.2f (target: at most 2)\n", raw / engine);
  const double logged = rates["EngineTransactionsLogged"];
  const double traced = rates["EngineTransactionsTraced"];
  if (logged > 0) {
    std::printf(
        "with log file and statistics: %.0f transactions/s, raw/engine ratio %.2f, %.2f of the "
        "rate without\n",
        logged, raw / logged, logged / engine);
  }
  if (traced > 0) {
    std::printf("with the trace too: %.0f transactions/s, %.1f µs more per transaction\n", traced,
                (1 / traced - 1 / engine) * 1e6);
  }
  return 0;
}
