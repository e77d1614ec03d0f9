// What a long log costs the Qt window: the memory that 100 000 host-write
// lines hold, and the time of one more line (with its repaint) at that length
// against an almost empty log. Runs on any Qt platform; offscreen is enough.
// With the argument "unbounded" the window keeps every line, as it once did.
#include <QApplication>
#include <QPlainTextEdit>
#include <QTextDocument>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>

#include "bench_size.h"
#include "gui/qt_main_view.h"

namespace {

const int kLines = korvex::BenchSize(100000, 5000);
constexpr int kTimedLines = 2000;
constexpr int kRounds = 10;

long ResidentKilobytes() {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);) {
    if (line.starts_with("VmRSS:")) return std::stol(line.substr(6));
  }
  return -1;
}

// A line as the RUN loop logs a host write.
std::string WriteLine(int n) {
  char line[64];
  std::snprintf(line, sizeof line, "QQ/W: 00 01 %02X %02X %02X 00 00", n & 0xFF, (n >> 8) & 0xFF,
                (n >> 16) & 0xFF);
  return line;
}

// Microseconds per line, each line shown before the next; the best of a few
// rounds, as the machine may be busy with other work.
double MicrosecondsPerLine(korvex::QtMainView& view, int first) {
  double best = 0;
  for (int round = 0; round < kRounds; ++round) {
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < kTimedLines / kRounds; ++i) {
      view.AddLine(WriteLine(first++));
      QApplication::processEvents();
    }
    const std::chrono::duration<double, std::micro> spent =
        std::chrono::steady_clock::now() - start;
    const double per_line = spent.count() / (kTimedLines / kRounds);
    if (round == 0 || per_line < best) best = per_line;
  }
  return best;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  const bool unbounded = argc > 1 && std::string(argv[1]) == "unbounded";
  korvex::QtMainView view([] {}, unbounded ? 0 : korvex::kWindowLogLines);
  view.Form().show();
  QApplication::processEvents();

  const long before = ResidentKilobytes();
  const double short_log = MicrosecondsPerLine(view, 0);
  for (int i = kTimedLines; i < kLines; ++i) view.AddLine(WriteLine(i));
  QApplication::processEvents();
  const long after = ResidentKilobytes();
  const double long_log = MicrosecondsPerLine(view, kLines);
  const int held = view.Form().Memo1->document()->blockCount();

  std::printf("the window holds %d log lines\n", held);
  std::printf("memory of %d lines: %.1f MB (%.0f B a line)\n", kLines, (after - before) / 1024.0,
              (after - before) * 1024.0 / kLines);
  std::printf("one more line (best of %d rounds): %.1f us with a short log, %.1f us with %d lines\n",
              kRounds, short_log, long_log, kLines);
  return 0;
}
