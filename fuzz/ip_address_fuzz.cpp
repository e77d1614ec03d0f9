// The dotted-address test over arbitrary bytes; an address it accepts must
// be four numbers from 0 to 255, and its plain decimal form reads as itself.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "shell/config_numbers.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  if (!korvex::IsIPAddress(text)) return 0;
  std::size_t dots = 0;
  for (const char c : text) dots += c == '.' ? 1 : 0;
  if (dots != 3) __builtin_trap();
  const std::optional<std::string> plain = korvex::DottedDecimal(text);
  if (!plain || korvex::DottedDecimal(*plain) != plain) __builtin_trap();
  return 0;
}
