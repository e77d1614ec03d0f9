// Feeds arbitrary bytes to the simulator's items-file parser. It must never
// read past its input; on failure it must leave the items alone and name a
// line of the input in a printable message; what it accepts must parse back
// to the same items when written out again.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "item_text.h"
#include "items_file.h"

namespace {

void Require(bool condition) {
  if (!condition) __builtin_trap();
}

const vx2::ItemValue kAlreadyThere{{0xEE, 0xEE, 0xEE}, 0xEEEEEEEE};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(bytes), size);
  std::vector<vx2::ItemValue> items{kAlreadyThere};
  vx2::sim::ItemsFileError error;
  if (!vx2::sim::ParseItemsText(text, items, error)) {
    Require(items.size() == 1 && items[0] == kAlreadyThere);
    const auto lines = static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')) + 1;
    Require(error.line >= 1 && error.line <= lines);
    Require(!error.reason.empty());
    for (char c : error.reason) {
      const auto byte = static_cast<unsigned char>(c);
      Require(byte >= 0x20 && byte != 0x7F);
    }
    return 0;
  }
  Require(items.front() == kAlreadyThere);
  const std::vector<vx2::ItemValue> parsed(items.begin() + 1, items.end());
  std::string written;
  for (const vx2::ItemValue& item : parsed) {
    written += vx2::ItemCodeText(item.code) + "\t" + std::to_string(item.value) + "\n";
  }
  std::vector<vx2::ItemValue> again;
  Require(vx2::sim::ParseItemsText(written, again, error));
  Require(again == parsed);
  return 0;
}
