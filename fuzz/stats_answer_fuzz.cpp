// Feeds arbitrary texts to tolma's reader of the communicator's statistics
// answers and checks that whatever it accepts is the whole text: named pairs
// that join back to it.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "host_texts.h"

namespace {

void Require(bool condition) {
  if (!condition) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(bytes), size);
  if (const auto pairs = tolma::ParseStatsAnswer(input)) {
    std::string joined = "STATS";
    for (const auto& [name, value] : *pairs) {
      Require(!name.empty() && name.find(' ') == std::string::npos);
      Require(value.find(' ') == std::string::npos);
      joined += " " + name + "=" + value;
    }
    Require(joined + "|" == input);
  }
  return 0;
}
