// One side of the engine's TCP path against the physical limit: vx2ctl's
// engine (one connection per transaction, as the communicator makes them) or
// a raw client (connect, send one frame, receive the answer, close), reading
// 32 items a frame from a running simulator, each in a process of its own as
// a user's tools meet the machine. Prints each transaction's time in µs, one a
// line. tcp_engine_vs_raw.sh runs both in interleaved rounds and compares
// them. Built for Linux and for Windows (run under wine against the Linux
// vx2sim).
//
//   tcp_engine_vs_raw_bench PORT engine|raw TRANSACTIONS
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

template <typename Exchange>
bool Round(int transactions, Exchange exchange) {
  // The process's first connection sets up what every later one reuses.
  if (!exchange()) return false;
  for (int i = 0; i < transactions; ++i) {
    const auto start = Clock::now();
    if (!exchange()) return false;
    std::printf("%.1f\n", std::chrono::duration<double, std::micro>(Clock::now() - start).count());
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string side = argc > 2 ? argv[2] : "";
  if (argc < 4 || (side != "engine" && side != "raw")) {
    std::fprintf(stderr, "použití: %s PORT engine|raw TRANSAKCÍ\n", argv[0]);
    return 2;
  }
  const int port = std::atoi(argv[1]);
  const int transactions = std::max(1, std::atoi(argv[3]));

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

  if (!(side == "engine" ? Round(transactions, engine) : Round(transactions, raw))) {
    std::fprintf(stderr, "CHYBA: transakce selhala (%s)\n", error.c_str());
    return 1;
  }
  return 0;
}
