// Whether a late answer ever reaches the caller as another item's value: 100
// reads of four items with distinct values through the engine, against
// vx2late answering each request after a delay drawn uniformly between 0 and
// three time-outs, whatever the order: on a pty, and behind a device server
// that hands late answers to the next connection. Prints for each how many
// reads came back right, wrong and without an answer, and ends with status 1
// when any was wrong.
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "bench_size.h"
#include "loop/real_time_loop.h"
#include "no_log.h"
#include "sim/sim_harness.h"
#include "support/posix_link.h"
#include "support/sim_on_pty.h"

namespace korvex {
namespace {

constexpr int kItems = 4;
constexpr double kTimeout = 0.3;

std::uint32_t ValueOf(int item) {
  return 1001 + static_cast<std::uint32_t>(item);
}

int Probe(bool serial) {
  std::vector<std::string> options{"--quiet", "--late-uniform",
                                   std::to_string(static_cast<int>(3000 * kTimeout))};
  for (int item = 0; item < kItems; ++item) {
    options.push_back("--item");
    options.push_back("00011" + std::to_string(item) + "=" + std::to_string(ValueOf(item)));
  }
  std::unique_ptr<SimOnPty> line;
  std::unique_ptr<vx2::test::RunningSim> server;
  std::string device;
  TTCPsetup tcp;
  if (serial) {
    line = std::make_unique<SimOnPty>(VX2LATE, options);
    device = line->Device();
  } else {
    server = std::make_unique<vx2::test::RunningSim>(options, 0, VX2LATE);
    tcp = {true, "127.0.0.1", static_cast<std::uint32_t>(server->Port())};
  }
  PosixLinkOn<RealTimeLoop, NoLog> posix([device](int) { return device; });
  TVardosLink& link = posix.link;
  TLinkSetup setup;
  setup.Timeout = kTimeout;
  if ((serial ? device.empty() : tcp.Port == 0) || !link.Open(setup, tcp, &posix.log)) {
    std::printf("řadič vx2late se nepodařilo spustit nebo otevřít\n");
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
  std::printf("%s, time-out %.1f s, answers after 0 to %.1f s: %d reads in %.1f s\n",
              serial ? "serial line" : "TCP device server", kTimeout, 3 * kTimeout, reads,
              seconds);
  std::printf("right: %d\nwrong: %d\nno answer: %d\n", right, wrong, none);
  return wrong == 0 ? 0 : 1;
}

}  // namespace
}  // namespace korvex

int main() {
  const int serial = korvex::Probe(true);
  const int tcp = korvex::Probe(false);
  return serial != 0 || tcp != 0 ? 1 : 0;
}
