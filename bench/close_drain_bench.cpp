// How long the communicator takes to close when the host's CLOSE finds
// writes still queued: the host hands over 0, 100 and 1000 writes at once,
// sends CLOSE at once after them, and waits for "KORVEX CLOSED"; the
// controller is a healthy vx2sim over loopback TCP. Each write carries its
// own item, and vx2ctl reads them back to count what the controller holds.
// Short mode (bench_size.h): one round of 0, 10 and 100 writes.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <sstream>

#include "bench_size.h"
#include "host_session.h"
#include "sim/sim_harness.h"
#include "support/child_process.h"
#include "support/temp_directory.h"

namespace korvex {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

struct Closing {
  double seconds = -1;  // CLOSE to "KORVEX CLOSED"
  int held = -1;        // writes the controller holds afterwards
};

// Item 40xxxx for the k-th write: the low 16 bits of k.
std::string Code(int k) {
  char code[8];
  std::snprintf(code, sizeof code, "40%04X", static_cast<unsigned>(k) & 0xFFFFu);
  return code;
}

Closing CloseWith(int writes) {
  vx2::test::RunningSim sim({"--quiet"});
  if (sim.Port() == 0) return {};
  TempDirectory dir;
  dir.Write("lumadex.ini", "TCP 127.0.0.1 " + std::to_string(sim.Port()) + "\n");
  const std::string desktop = dir.String() + "/desktop";
  ChildProcess korvex(KORVEX_HEADLESS, {"/DDE"},
                      ChildSetup{dir.String(), "/dev/null", {"TOLMA_DESKTOP=" + desktop}});
  if (!korvex.WaitFor("Start RUN režimu !", 10s)) return {};
  tolma::HostSession host;
  std::string error;
  if (!host.Open(desktop, error) || !host.Announce(0, error)) return {};
  bool closed = false;
  host.OnMessage([&](const tolma::Received& r) { closed |= r.text == "KORVEX CLOSED|"; });
  for (int k = 0; k < writes; ++k) {
    const std::string code = Code(k);
    char text[40];
    std::snprintf(text, sizeof text, "QQ_WR %.2s %.2s %.2s 07 00 00 00|", code.data(),
                  code.data() + 2, code.data() + 4);
    if (!host.Request(text, error)) return {};
  }
  const auto start = Clock::now();
  if (!host.Request("CLOSE|", error)) return {};
  host.Pump(30000, [&] { return closed; });
  Closing result;
  if (closed) result.seconds = std::chrono::duration<double>(Clock::now() - start).count();
  if (korvex.Wait(10s) != 0) return {};
  if (writes == 0) return {result.seconds, 0};
  std::vector<std::string> arguments{"--port", std::to_string(sim.Port()), "read"};
  for (int k = 0; k < writes; ++k) arguments.push_back(Code(k));
  const vx2::test::Finished read = vx2::test::RunToEnd(VX2CTL_BINARY, arguments, 60s);
  if (read.status != 0) return {};
  result.held = 0;
  std::istringstream lines(read.output);
  for (std::string line; std::getline(lines, line);) result.held += line.ends_with("(7)") ? 1 : 0;
  return result;
}

}  // namespace
}  // namespace korvex

int main() {
  const std::vector<int> counts{0, korvex::BenchSize(100, 10), korvex::BenchSize(1000, 100)};
  const int rounds = korvex::BenchSize(3, 1);
  for (const int writes : counts) {
    double best = 1e9;
    int held = writes;
    for (int round = 0; round < rounds; ++round) {
      const korvex::Closing closing = korvex::CloseWith(writes);
      if (closing.seconds < 0) {
        std::fprintf(stderr, "close_drain_bench: běh s %d zápisy selhal\n", writes);
        return 1;
      }
      best = std::min(best, closing.seconds);
      held = std::min(held, closing.held);
    }
    std::printf("%4d writes queued: CLOSE took %.3f s (best of %d); the controller holds %d\n",
                writes, best, rounds, held);
  }
  return 0;
}
