// The serial line's cost over the wire: N transactions of a 32-item read
// through the engine over a pty against the controller simulator, and N raw
// write/read exchanges of the same frames over the same pty. The engine's
// extra time per transaction is set against the time the read takes on a
// 38400-Bd line.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>

#include "bench_size.h"
#include "loop/real_time_loop.h"
#include "no_log.h"
#include "protocol/frame.h"
#include "rate_reporter.h"
#include "support/posix_link.h"
#include "support/raw_line.h"
#include "support/sim_on_pty.h"

namespace korvex {
namespace {

constexpr int kItems = 32;
const int kTransactions = BenchSize(2000, 20);
// 10 bits a byte at 38400 Bd.
constexpr double kByteSeconds = 10.0 / 38400;

std::string ReadRequest() {
  std::string request = "Qq";
  for (int i = 0; i < kItems; ++i) {
    request += {'\x00', '\x01', static_cast<char>(i)};
  }
  return request;
}

// The frame the engine sends for it (relay 1, controller 1).
std::string RequestFrame() {
  std::string frame;
  WrapFrame(1, {kFrameKind, 0, 1, 0}, ReadRequest(), frame);
  return frame;
}

const std::string kRequest = ReadRequest();
const std::string kRequestFrame = RequestFrame();
// "Qx" and four value bytes per item: the answer's length, which is all the
// raw client waits for.
const std::size_t kAnswerFrameSize = 2 + 4 * kItems + kFrameOverhead;

SimOnPty& TheSimulator() {
  static SimOnPty simulator(VX2SIM, {"--quiet"});
  return simulator;
}

void EngineTransactions(benchmark::State& state) {
  const std::string device = TheSimulator().Device();
  PosixLinkOn<RealTimeLoop, NoLog> posix([device](int) { return device; });
  TVardosLink& link = posix.link;
  if (!link.Open(TLinkSetup{}, TTCPsetup{}, &posix.log)) {
    state.SkipWithError("simulator's pty not opened");
    return;
  }
  link.Comm->SetQuiet();
  std::string answer;
  for (auto _ : state) {
    if (!link.Transaction(kRequest, answer) || answer.size() != kAnswerFrameSize - kFrameOverhead) {
      state.SkipWithError("transaction failed");
      break;
    }
  }
  state.SetItemsProcessed(state.iterations());
}

void RawExchanges(benchmark::State& state) {
  RawLine line(TheSimulator().Device());
  for (auto _ : state) {
    if (!line.Send(kRequestFrame) || line.Receive(kAnswerFrameSize).size() != kAnswerFrameSize) {
      state.SkipWithError("raw exchange failed");
      break;
    }
  }
  state.SetItemsProcessed(state.iterations());
}

BENCHMARK(EngineTransactions)->Iterations(kTransactions)->UseRealTime();
BENCHMARK(RawExchanges)->Iterations(kTransactions)->UseRealTime();

}  // namespace
}  // namespace korvex

int main(int argc, char** argv) {
  auto rates = korvex::RunForRates(argc, argv);
  const double engine = rates["EngineTransactions"];
  const double raw = rates["RawExchanges"];
  if (engine <= 0 || raw <= 0) return 1;
  const double wire =
      (korvex::kRequestFrame.size() + korvex::kAnswerFrameSize) * korvex::kByteSeconds;
  const double extra = 1 / engine - 1 / raw;
  std::printf("\nengine: %.0f transactions/s\nraw: %.0f exchanges/s\n", engine, raw);
  std::printf("raw/engine ratio: %.2f\n", raw / engine);
  std::printf("engine's extra time: %.1f us per transaction; wire time at 38400 Bd: %.2f ms\n",
              extra * 1e6, wire * 1e3);
  std::printf("serial overhead: %.2f %% of the 38400-Bd wire time\n", 100 * extra / wire);
  return 0;
}
