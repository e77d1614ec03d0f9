// How the engine fares against a peer that floods it without pause: for each
// answer time-out, how long the transaction took to end and how far the
// process's resident memory rose. The figures go to standard output.
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "loop/real_time_loop.h"
#include "no_log.h"
#include "support/flooding_peer.h"
#include "support/loopback_listener.h"
#include "support/posix_link.h"

namespace korvex {
namespace {

long PeakResidentKiB() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

int Probe(double timeout) {
  LoopbackListener listener;
  FloodingPeer flood(listener, 1);
  PosixLinkOn<RealTimeLoop, NoLog> posix;
  TVardosLink& link = posix.link;
  TLinkSetup setup;
  setup.Timeout = timeout;
  if (!link.Open(setup, {true, "127.0.0.1", static_cast<std::uint32_t>(listener.port())},
                 &posix.log)) {
    std::printf("spojení se nepodařilo navázat\n");
    return 1;
  }
  const long rss_before = PeakResidentKiB();
  const auto start = std::chrono::steady_clock::now();
  std::string answer;
  const bool answered = link.Transaction(std::string("Qq\x00\x00\x02", 5), answer);
  const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
  std::printf(
      "časový limit %.1f s: transakce skončila po %.3f s (%s), "
      "špička paměti %ld KiB (před transakcí %ld KiB)\n",
      timeout, took.count(),
      answered                ? "odpověď"
      : link.Comm->TimedOut() ? "bez odpovědi"
                              : "jinak",
      PeakResidentKiB(), rss_before);
  return 0;
}

}  // namespace
}  // namespace korvex

int main() {
  for (const double timeout : {1.0, 3.0}) {
    if (korvex::Probe(timeout) != 0) return 1;
  }
  return 0;
}
