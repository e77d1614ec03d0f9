// Whether a late answer ever reaches the caller as another item's value: 100
// reads of four items with distinct values through the engine over a pty,
// against vx2sim answering each after a random delay around the time-out.
// Prints how many reads came back right, wrong and without an answer, and
// ends with status 1 when any was wrong.
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "bench_size.h"
#include "loop/real_time_loop.h"
#include "no_log.h"
#include "support/posix_link.h"
#include "support/sim_on_pty.h"

namespace korvex {
namespace {

constexpr int kItems = 4;
constexpr double kTimeout = 0.3;

std::uint32_t ValueOf(int item) {
  return 1001 + static_cast<std::uint32_t>(item);
}

int Probe() {
  std::vector<std::string> options{"--quiet", "--delay", "300", "--delay-spread", "150"};
  for (int item = 0; item < kItems; ++item) {
    options.push_back("--item");
    options.push_back("00011" + std::to_string(item) + "=" + std::to_string(ValueOf(item)));
  }
  SimOnPty simulator(VX2SIM, options);
  const std::string device = simulator.Device();
  PosixLinkOn<RealTimeLoop, NoLog> posix([device](int) { return device; });
  TVardosLink& link = posix.link;
  TLinkSetup setup;
  setup.Timeout = kTimeout;
  if (device.empty() || !link.Open(setup, TTCPsetup{}, &posix.log)) {
    std::printf("pty simulátoru se nepodařilo otevřít\n");
    return 1;
  }
  link.Comm->SetQuiet();
  int right = 0;
  int wrong = 0;
  int none = 0;
  const auto start = std::chrono::steady_clock::now();
  const int reads = BenchSize(100, 10);
  for (int read = 0; read < reads; ++read) {
    const int item = read % kItems;
    const std::string request = std::string("Qq\x00\x01", 4) + static_cast<char>(0x10 + item);
    std::string answer;
    if (!link.Transaction(request, answer)) {
      ++none;
      continue;
    }
    std::uint32_t value = 0;
    for (std::size_t i = answer.size(); i > 2; --i) {
      value = value << 8 | static_cast<std::uint8_t>(answer[i - 1]);
    }
    ++(answer.size() == 6 && value == ValueOf(item) ? right : wrong);
  }
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("time-out %.1f s, answers after 300 ± 150 ms: %d reads in %.1f s\n", kTimeout, reads,
              seconds);
  std::printf("right: %d\nwrong: %d\nno answer: %d\n", right, wrong, none);
  return wrong == 0 ? 0 : 1;
}

}  // namespace
}  // namespace korvex

int main() {
  return korvex::Probe();
}
