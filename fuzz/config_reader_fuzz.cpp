// The configuration reader over arbitrary bytes: the decoding of its
// encodings, every keyword, comment and number path, the warnings and the
// verdict.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "shell/config_encoding.h"
#include "shell/config_problems.h"
#include "shell/config_reader.h"

namespace {

struct Discard : korvex::ConfigActions {
  void Log(std::string_view line) override {
    if (line.starts_with("Upozornění: řádek ") && ++warnings > korvex::ProblemLog::kMostWarnings) {
      __builtin_trap();
    }
  }
  void QueueWrite(std::string_view record) override {
    if (record.size() != 7) __builtin_trap();
    ++queued;
  }
  void MoveWindow(int, int) override {}
  void LinesCounted(std::size_t count) override { lines = count; }
  void TokensRead(int) override {}
  int warnings = 0;
  int queued = 0;
  std::size_t lines = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  std::string text;
  const korvex::ConfigDecoding decoding = korvex::DecodeConfigBytes(bytes, text);
  const std::string_view read = std::string_view(text).substr(0, text.find(korvex::kCtrlZ));
  if ((decoding == korvex::ConfigDecoding::kText) != (read.find('\0') == read.npos)) {
    __builtin_trap();
  }
  // UTF-16 takes at most three bytes of UTF-8 for its two.
  if (text.size() > bytes.size() * 3 / 2 + 3) __builtin_trap();
  Discard actions;
  korvex::ConfigValues values;
  const korvex::ConfigVerdict verdict = korvex::ApplyConfig(text, values, actions);
  if (values.QQCount != actions.queued) __builtin_trap();
  if (actions.lines != korvex::CountLines(text)) __builtin_trap();
  if (verdict.Refusal().empty() !=
      (verdict.project_problem.empty() && verdict.tcp_problem.empty() && !verdict.no_keyword)) {
    __builtin_trap();
  }
  return 0;
}
