// A soak of the whole chain: N host requests, writes and reads of the items
// just written in turns, each write with a value of its own, through tolma's
// host session, korvex-headless and vx2sim. Every read must come back with
// the value written before it, and at the end the controller must hold the
// last value written to each item. The communicator's memory and descriptors
// are taken at the start and at the end.
//   soak_bench [N]     (N requests, 100000 by default)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include "bench_size.h"
#include "host_session.h"
#include "sim/sim_harness.h"
#include "support/child_process.h"

namespace korvex {
namespace {

using namespace std::chrono_literals;

const int kDefaultRequests = BenchSize(100000, 2000);
constexpr int kBatch = 1000;  // requests handed over before their answers are awaited
constexpr int kItems = 4096;  // the writes go round these items

std::string Hex2(int byte) {
  char text[4];
  std::snprintf(text, sizeof text, "%02X", byte & 0xFF);
  return text;
}
// Write number `w` goes to item 30 hh ll with the value `w`.
std::string Code(int w) {
  const int item = w % kItems;
  return "30 " + Hex2(item >> 8) + " " + Hex2(item);
}
std::string Value(int w) {
  return Hex2(w) + " " + Hex2(w >> 8) + " " + Hex2(w >> 16) + " " + Hex2(w >> 24);
}

long RssKb(pid_t pid) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  for (std::string line; std::getline(status, line);) {
    if (line.rfind("VmRSS:", 0) == 0) return std::atol(line.c_str() + 6);
  }
  return -1;
}
long Descriptors(pid_t pid) {
  std::error_code error;
  std::filesystem::directory_iterator fds("/proc/" + std::to_string(pid) + "/fd", error);
  if (error) return -1;
  return std::distance(fds, std::filesystem::directory_iterator{});
}

int Fail(const std::string& what) {
  std::fprintf(stderr, "soak_bench: %s\n", what.c_str());
  return 1;
}

// Items whose value in the controller is not the last one written.
long WrongItems(int port, int writes, long& checked) {
  std::map<std::string, int> last;  // "30HHLL" -> value
  for (int w = 0; w < writes; ++w) {
    std::string code = Code(w);
    code.erase(std::remove(code.begin(), code.end(), ' '), code.end());
    last[code] = w;
  }
  std::vector<std::string> arguments{"--port", std::to_string(port), "read"};
  for (const auto& [code, value] : last) arguments.push_back(code);
  ChildProcess read(VX2CTL_BINARY, arguments, ChildSetup{"", "/dev/null", {}});
  read.Wait(60s);
  std::istringstream out(read.Output());
  long right = 0;
  for (std::string line; std::getline(out, line);) {
    const auto found = last.find(line.substr(0, 6));
    const std::size_t open = line.rfind('(');
    if (found != last.end() && open != std::string::npos &&
        std::atol(line.c_str() + open + 1) == found->second) {
      ++right;
    }
  }
  checked = static_cast<long>(last.size());
  return checked - right;
}

int Run(int requests) {
  vx2::test::RunningSim sim({"--quiet"});
  if (sim.Port() == 0) return Fail("vx2sim se nespustil");
  char pattern[] = "/tmp/korvex-soak-XXXXXX";
  if (mkdtemp(pattern) == nullptr) return Fail("nelze vytvořit dočasný adresář");
  const std::filesystem::path dir = pattern;
  const std::string desktop = (dir / "desktop").string();
  std::ofstream(dir / "lumadex.ini") << "TCP 127.0.0.1 " << sim.Port() << "\n";
  ChildProcess korvex(KORVEX_HEADLESS, {"/DDE"},
                      ChildSetup{dir.string(), "/dev/null", {"TOLMA_DESKTOP=" + desktop}});
  if (!korvex.WaitFor("Start RUN režimu !", 10s)) return Fail("komunikátor nenastartoval");
  tolma::HostSession host;
  std::string error;
  if (!host.Open(desktop, error) || !host.Announce(0, error)) return Fail(error);
  const long rss_start = RssKb(korvex.Pid());
  const long fds_start = Descriptors(korvex.Pid());

  std::multiset<std::string> awaited;
  long failures = 0;
  long lost = 0;
  host.OnMessage([&](const tolma::Received& r) {
    if (r.message != host.Message() || r.wparam != 2) return;
    const auto found = awaited.find(r.text);
    if (found == awaited.end()) {
      ++failures;  // a value other than the one written
    } else {
      awaited.erase(found);
    }
  });
  const auto start = std::chrono::steady_clock::now();
  int writes = 0;
  for (int sent = 0; sent < requests;) {
    for (int k = 0; k < kBatch && sent < requests; ++k, ++sent) {
      std::string text;
      if (sent % 2 == 0) {
        text = "QQ_WR " + Code(writes) + " " + Value(writes) + "|";
        ++writes;
      } else {
        text = "QQ_RD " + Code(writes - 1) + "|";
        awaited.insert("QQ_RD " + Code(writes - 1) + " " + Value(writes - 1) + "|");
      }
      if (!host.Request(text, error)) ++failures;
    }
    host.Pump(30000, [&] { return awaited.empty(); });
    lost += static_cast<long>(awaited.size());
    awaited.clear();
    korvex.Output();  // its log must not fill the pipe
  }
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  const long rss_end = RssKb(korvex.Pid());
  const long fds_end = Descriptors(korvex.Pid());
  long checked = 0;
  const long wrong_items = WrongItems(sim.Port(), writes, checked);
  lost += wrong_items;
  // The closing notice is sent and waited for: the host answers it.
  bool closed = false;
  host.OnMessage([&](const tolma::Received& r) { closed = closed || r.text == "KORVEX CLOSED|"; });
  host.Request("CLOSE|", error);
  host.Pump(5000, [&] { return closed; });
  korvex.Wait(10s);
  std::filesystem::remove_all(dir);

  std::printf("%d requests (%d writes, %d reads) in %.1f s, %.0f requests/s; %ld items read back, %ld wrong\n",
              requests, writes, requests - writes, seconds, requests / seconds, checked,
              wrong_items);
  std::printf("soak: %d requests, %ld failures, %ld lost, rss start/end %ld/%ld KB, fds start/end %ld/%ld\n",
              requests, failures, lost, rss_start, rss_end, fds_start, fds_end);
  return failures == 0 && lost == 0 ? 0 : 1;
}

}  // namespace
}  // namespace korvex

int main(int argc, char** argv) {
  const int requests = argc > 1 ? std::atoi(argv[1]) : korvex::kDefaultRequests;
  if (requests <= 0) {
    std::fprintf(stderr, "použití: soak_bench [POČET_POŽADAVKŮ]\n");
    return 2;
  }
  return korvex::Run(requests);
}
