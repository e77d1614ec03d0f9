// The configuration reader over arbitrary bytes: every keyword, comment and
// number path, with the line count and line lookup the tools use.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "shell/config_reader.h"

namespace {

struct Discard : korvex::ConfigActions {
  void Log(std::string_view) override {}
  void QueueWrite(std::string_view record) override {
    if (record.size() != 7) __builtin_trap();
    ++queued;
  }
  void MoveWindow(int, int) override {}
  void TokensRead(int) override {}
  void Problem(const korvex::ConfigProblem& problem) override {
    if (problem.offset > text.size()) __builtin_trap();
    korvex::LineAt(text, problem.offset);
  }
  std::string_view text;
  int queued = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  Discard actions;
  actions.text = text;
  korvex::ConfigValues values;
  korvex::ApplyConfig(text, values, actions);
  if (values.QQCount != actions.queued) __builtin_trap();
  korvex::CountLines(text);
  return 0;
}
