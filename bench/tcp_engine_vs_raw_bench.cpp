// The engine's TCP path against the physical limit, side by side in one run:
// vx2ctl's engine (one connection per transaction, as the communicator makes
// them) and a raw client (connect, send one frame, receive the answer,
// close), both reading 32 items a frame from a running simulator, in
// interleaved rounds so that both see the same machine. Built for Linux and
// for Windows (run under wine against the Linux vx2sim).
//
//   tcp_engine_vs_raw_bench PORT [ROUNDS [TRANSACTIONS]]
//
// Defaults: 24 rounds of 100 transactions each way; KORVEX_BENCH_SHORT=1
// makes it 3 rounds of 10, for a check that it still works.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "controller_session.h"
#include "item_requests.h"
#include "no_log.h"
#include "protocol/frame.h"
#include "raw_exchange.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Times {
  std::vector<double> us;  // one per transaction

  double Total() const {
    double sum = 0;
    for (double t : us) sum += t;
    return sum;
  }
  double Median() const {
    std::vector<double> sorted = us;
    std::sort(sorted.begin(), sorted.end());
    return sorted[sorted.size() / 2];
  }
  double Worst() const { return *std::max_element(us.begin(), us.end()); }
};

template <typename Exchange>
bool Round(int transactions, Times& times, Exchange exchange) {
  for (int i = 0; i < transactions; ++i) {
    const auto start = Clock::now();
    if (!exchange()) return false;
    times.us.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
  }
  return true;
}

int Number(int argc, char** argv, int index, int fallback) {
  return argc > index ? std::max(1, std::atoi(argv[index])) : fallback;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "použití: %s PORT [KOL [TRANSAKCÍ]]\n", argv[0]);
    return 2;
  }
  const int port = std::atoi(argv[1]);
  const bool short_run = std::getenv("KORVEX_BENCH_SHORT") != nullptr;
  const int rounds = Number(argc, argv, 2, short_run ? 3 : 24);
  const int transactions = Number(argc, argv, 3, short_run ? 10 : 100);

  std::vector<vx2::ItemCode> codes;
  for (std::uint8_t i = 0; i < vx2::ctl::kMaxReadItems; ++i) codes.push_back({0x01, 0x00, i});
  const std::string request = vx2::ctl::ReadRequest(codes);
  const auto accept = [&codes](std::string_view answer) {
    return vx2::ctl::ReadAnswerValues(answer, codes.size()).has_value();
  };

  korvex::NoLog log;
  vx2::ctl::ControllerSession session(log);
  vx2::ctl::SessionSettings settings;
  settings.port = static_cast<std::uint16_t>(port);
  std::string error;
  if (!korvex::StartSockets() || !session.Open(settings, error)) {
    std::fprintf(stderr, "simulátor na portu %d nedostupný: %s\n", port, error.c_str());
    return 1;
  }
  const auto engine = [&] {
    std::string answer;
    return session.Exchange(request, accept, answer, error);
  };

  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<std::uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  std::string frame;
  korvex::WrapFrame(settings.relay, {korvex::kFrameKind, 0, settings.address, 0}, request, frame);
  const auto raw = [&] { return korvex::RawExchange(address, frame); };

  Times engine_times;
  Times raw_times;
  for (int round = 0; round < rounds; ++round) {
    // Each goes first in every other round.
    const bool ok = round % 2 == 0
                        ? Round(transactions, engine_times, engine) &&
                              Round(transactions, raw_times, raw)
                        : Round(transactions, raw_times, raw) &&
                              Round(transactions, engine_times, engine);
    if (!ok) {
      std::fprintf(stderr, "CHYBA: transakce v kole %d selhala (%s)\n", round + 1, error.c_str());
      return 1;
    }
  }
  const double count = static_cast<double>(engine_times.us.size());
  std::printf("%d kol po %d transakcích, 32 položek v rámci, spojení na transakci\n", rounds,
              transactions);
  std::printf("engine: %.0f µs/transakci (medián %.0f, nejhorší %.0f)\n",
              engine_times.Total() / count, engine_times.Median(), engine_times.Worst());
  std::printf("raw:    %.0f µs/transakci (medián %.0f, nejhorší %.0f)\n", raw_times.Total() / count,
              raw_times.Median(), raw_times.Worst());
  std::printf("engine/raw: %.2f (cíl: nejvýše 1.5 pod wine)\n",
              engine_times.Total() / raw_times.Total());
  std::printf("engine nejhorší/medián: %.1f (cíl: nejvýše 5)\n",
              engine_times.Worst() / engine_times.Median());
  return 0;
}
