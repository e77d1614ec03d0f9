// Reading a project's configuration: generated files of 1 000, 10 000 and
// 100 000 QQWRITE lines through the window's ReadINI, on the real event loop,
// into the transaction queue. One line per size: "N lines: T s". The short
// mode (bench_size.h) loads 1 000 lines only.
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "bench_size.h"
#include "loop/real_time_loop.h"
#include "platform/tcp_socket_client.h"
#include "platform/posix/serial_port_posix.h"
#include "shell/korvex_window.h"
#include "support/fake_host_desktop.h"
#include "support/recording_view.h"
#include "support/scripted_message_boxes.h"

namespace korvex {
namespace {

std::string Project(int lines) {
  std::string text = "TCP 127.0.0.1 1998\r\nFIRMWARE 4046 0\r\n";
  for (int i = 1; i <= lines; ++i) {
    text += "QQWRITE " + std::to_string(i >> 16 & 0xFF) + " " + std::to_string(i >> 8 & 0xFF) +
            " " + std::to_string(i & 0xFF) + " " + std::to_string(i % 251) + " 0 0 0\r\n";
  }
  return text;
}

// The best of three loads, in seconds; -1 when the queue came out wrong.
double LoadSeconds(int lines) {
  std::ofstream("lumadex.ini", std::ios::binary) << Project(lines);
  double best = 1e9;
  for (int run = 0; run < 3; ++run) {
    RealTimeLoop loop;
    RecordingView view;
    ScriptedMessageBoxes boxes;
    TcpSocketClient socket;
    FakeHostDesktop desktop;
    SystemSerialPort serial_port;
    TDlgKORVEX window(WindowPlatform{loop, view, boxes, socket, desktop, serial_port}, {});
    window.FormCreate();
    // ReadINI alone: the start-up sequence, due 100 ms after the window was
    // made, would otherwise run inside a longer load and upload the queue.
    window.SkipStartup();
    const auto start = std::chrono::steady_clock::now();
    const bool read = window.ReadINI();
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    if (!read || TranCount(window.Queue()) != lines || window.Config().QQCount != lines) return -1;
    best = std::min(best, took.count());
  }
  return best;
}

}  // namespace
}  // namespace korvex

int main() {
  char dir[] = "/tmp/korvex_config_bench_XXXXXX";
  if (!mkdtemp(dir) || chdir(dir) != 0) return 1;
  int status = 0;
  const std::vector<int> sizes =
      korvex::BenchShort() ? std::vector<int>{1000} : std::vector<int>{1000, 10000, 100000};
  for (const int lines : sizes) {
    const double seconds = korvex::LoadSeconds(lines);
    if (seconds < 0) {
      std::printf("%d lines: CHYBA (fronta neodpovídá souboru)\n", lines);
      status = 1;
      continue;
    }
    std::printf("%d lines: %.4f s\n", lines, seconds);
  }
  std::filesystem::remove_all(dir);
  return status;
}
