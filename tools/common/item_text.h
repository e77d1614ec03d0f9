// Item codes and values as people type them: a code is six hex digits
// ("000102", either case), a value is a 32-bit unsigned number in decimal or
// with 0x in hex ("42", "0x2A").
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "item_bytes.h"

namespace vx2 {

std::optional<ItemCode> ParseItemCode(std::string_view text);
std::optional<std::uint32_t> ParseItemValue(std::string_view text);
// "000102"
std::string ItemCodeText(const ItemCode& code);
// "000102 = 0x0000002A (42)", as the tools print a value read.
std::string ItemLine(const ItemValue& item);

}  // namespace vx2
