// The communicator's whole chain against its raw limit. Chain: a host sends
// reads through the desktop channel, the RUN loop merges them, the engine
// reads them from vx2sim over loopback TCP and every value goes back to the
// host. Raw: the same channel round trips between two windows and the same
// 32-item TCP exchanges, done directly. Then single reads while nothing else
// is queued, which wait for the next RUN tick. Last, the tolma program reads
// many codes in one run. With --log the communicator keeps its log file (and
// the statistics it always counts); with --trace it traces every frame and
// host message into it as well.
#include <arpa/inet.h>
#include <stdlib.h>

#include <CLI/CLI.hpp>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <thread>

#include "bench_size.h"
#include "host_session.h"
#include "protocol/frame.h"
#include "raw_exchange.h"
#include "sim/sim_harness.h"
#include "support/child_process.h"
#include "tolma.h"

namespace korvex {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr int kItemsPerExchange = 32;
const int kExchanges = BenchSize(1000, 20);
const int kItems = kExchanges * kItemsPerExchange;
constexpr int kItemsPerRequest = 8;  // QQ_RS
const int kRequests = kItems / kItemsPerRequest;
constexpr int kIdleReads = 40;
const int kRounds = BenchSize(3, 1);
constexpr int kTickMs = 100;
const int kToolCodes = BenchSize(5000, 100);
const std::string kAnswerText = "QQ_RD 00 01 02 2A 00 00 00|";

double Seconds(Clock::duration d) {
  return std::chrono::duration<double>(d).count();
}

int Fail(const char* what) {
  std::fprintf(stderr, "chain_bench: %s\n", what);
  return 1;
}

// The 8 item codes of request `k` start at 10 hh ll, all distinct.
std::string EightReads(int k) {
  char text[32];
  std::snprintf(text, sizeof text, "QQ_RS 10 %02X %02X|", k / 32, k % 32 * 8);
  return text;
}

// `count` sends from one window to another that a second thread pumps.
double RawChannelSeconds(const std::string& desktop, int count) {
  char problem[256];
  tolma_window* sender = tolma_open(desktop.c_str(), problem, sizeof problem);
  tolma_window* receiver = tolma_open(desktop.c_str(), problem, sizeof problem);
  if (sender == nullptr || receiver == nullptr) return -1;
  const std::uint32_t message = tolma_register_message("MSG_TOLMA");
  std::atomic<bool> done{false};
  std::thread pump([&] {
    while (!done) tolma_pump(receiver, 10);
  });
  const auto start = Clock::now();
  bool ok = true;
  for (int i = 0; i < count && ok; ++i) {
    ok = tolma_send(sender, tolma_handle(receiver), message, 2, 0, kAnswerText.data(),
                    kAnswerText.size(), 5000) == TOLMA_DELIVERED;
  }
  const double seconds = Seconds(Clock::now() - start);
  done = true;
  pump.join();
  tolma_close(sender);
  tolma_close(receiver);
  return ok ? seconds : -1;
}

double RawTcpSeconds(int port, int count) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<std::uint16_t>(port));
  inet_pton(AF_INET, "127.0.0.1", &address.sin_addr);
  std::string request = "Qq";
  for (int i = 0; i < kItemsPerExchange; ++i) request += std::string{'\x10', '\x00', char(i)};
  std::string frame;
  WrapFrame(1, {kFrameKind, 0, 1, 0}, request, frame);
  const auto start = Clock::now();
  for (int i = 0; i < count; ++i) {
    if (!RawExchange(address, frame)) return -1;
  }
  return Seconds(Clock::now() - start);
}

int Run(bool log, bool trace) {
  vx2::test::RunningSim sim({"--quiet"});
  if (sim.Port() == 0) return Fail("vx2sim se nespustil");
  char pattern[] = "/tmp/korvex-chain-XXXXXX";
  if (mkdtemp(pattern) == nullptr) return Fail("nelze vytvořit dočasný adresář");
  const std::filesystem::path dir = pattern;
  const std::string desktop = (dir / "desktop").string();
  std::ofstream(dir / "lumadex.ini") << "TCP 127.0.0.1 " << sim.Port() << "\n";
  std::vector<std::string> environment{"TOLMA_DESKTOP=" + desktop};
  if (log) environment.push_back("KORVEX_LOG=" + (dir / "korvex.log").string());
  if (trace) environment.push_back("KORVEX_TRACE=1");
  ChildProcess korvex(KORVEX_HEADLESS, {"/DDE"},
                      ChildSetup{dir.string(), "/dev/null", std::move(environment)});
  if (!korvex.WaitFor("Start RUN režimu !", 10s)) return Fail("komunikátor nenastartoval");

  tolma::HostSession host;
  std::string error;
  if (!host.Open(desktop, error) || !host.Announce(0, error)) return Fail(error.c_str());
  int answers = 0;
  host.OnMessage([&](const tolma::Received& r) {
    if (r.message == host.Message() && r.wparam == 2) ++answers;
  });

  // Chain and raw in turns; the best of each counts, as the machine is shared.
  double chain_seconds = 1e9;
  double channel = 1e9;
  double tcp = 1e9;
  for (int round = 0; round < kRounds; ++round) {
    const int before = answers;
    const auto start = Clock::now();
    for (int k = 0; k < kRequests; ++k) {
      if (!host.Request(EightReads(k), error)) return Fail(error.c_str());
    }
    host.Pump(60000, [&] { return answers >= before + kItems; });
    chain_seconds = std::min(chain_seconds, Seconds(Clock::now() - start));
    if (answers != before + kItems) return Fail("nepřišly všechny odpovědi");
    const double round_channel = RawChannelSeconds(desktop, kRequests + kItems);
    const double round_tcp = RawTcpSeconds(sim.Port(), kExchanges);
    if (round_channel < 0 || round_tcp < 0) return Fail("přímé spojení selhalo");
    channel = std::min(channel, round_channel);
    tcp = std::min(tcp, round_tcp);
  }

  // Single reads at moments spread evenly over the RUN tick's period: each
  // waits for the next tick, 50 ms on average, and then for its exchange.
  std::vector<double> idle;
  for (int i = 0; i < kIdleReads; ++i) {
    host.Pump(200 + i * kTickMs / kIdleReads);
    const int before = answers;
    const auto asked = Clock::now();
    if (!host.Request("QQ_RD 20 00 01|", error)) return Fail(error.c_str());
    host.Pump(5000, [&] { return answers > before; });
    idle.push_back(Seconds(Clock::now() - asked) * 1000);
  }
  // The tolma program reading many codes in one run, after this host's turn.
  host.EndTurn();
  std::vector<std::string> arguments{"--to", std::to_string(host.Communicator()), "--wait", "60",
                                     "read"};
  for (int i = 0; i < kToolCodes; ++i) {
    char code[16];
    std::snprintf(code, sizeof code, "30%04X", i);
    arguments.push_back(code);
  }
  const auto tool_start = Clock::now();
  ChildProcess tool(TOLMA, arguments, ChildSetup{"", "/dev/null", {"TOLMA_DESKTOP=" + desktop}});
  const std::optional<int> tool_status = tool.Wait(120s);
  const double tool_seconds = Seconds(Clock::now() - tool_start);
  const std::string& tool_output = tool.Output();
  if (tool_status != 0 || std::count(tool_output.begin(), tool_output.end(), '\n') != kToolCodes) {
    return Fail("tolma read neskončil úspěchem");
  }
  host.Request("CLOSE|", error);
  korvex.Wait(10s);
  std::filesystem::remove_all(dir);

  const double chain = kItems / chain_seconds;
  const double raw = kItems / (channel + tcp);
  double idle_sum = 0;
  for (double ms : idle) idle_sum += ms;
  std::printf("communicator: %s\n", trace ? "log file with trace" : log ? "log file" : "no log file");
  std::printf("%d items in %d requests of 8, %d exchanges of 32; best of %d rounds\n", kItems,
              kRequests, kExchanges, kRounds);
  std::printf("chain time %.3f s; raw: %d channel round trips %.3f s, %d TCP exchanges %.3f s\n",
              chain_seconds, kRequests + kItems, channel, kExchanges, tcp);
  std::printf("chain: %.0f items/s\n", chain);
  std::printf("raw: %.0f items/s\n", raw);
  std::printf("chain/raw: %.2f (target: at least 0.5)\n", chain / raw);
  std::printf(
      "idle read: %.1f ms (mean of %d; min %.1f, max %.1f; the RUN tick's wait alone "
      "averages 50)\n",
      idle_sum / kIdleReads, kIdleReads, *std::min_element(idle.begin(), idle.end()),
      *std::max_element(idle.begin(), idle.end()));
  std::printf("tolma read of %d codes: %.2f s (target: under 2)\n", kToolCodes, tool_seconds);
  return 0;
}

}  // namespace
}  // namespace korvex

int main(int argc, char** argv) {
  CLI::App app{"Chain benchmark of the communicator.", "chain_bench"};
  bool log = false;
  bool trace = false;
  app.add_flag("--log", log, "The communicator keeps its log file.");
  app.add_flag("--trace", trace, "The log file holds the frame trace too (implies --log).");
  CLI11_PARSE(app, argc, argv);
  return korvex::Run(log || trace, trace);
}
