// The items file: initial item values, one "CODE VALUE" pair a line, for
// example "000102 42" or "A401A2 0x1234ABCD". A '#' starts a comment that
// runs to the end of the line; blank lines are skipped.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "item_bytes.h"

namespace vx2::sim {

struct ItemsFileError {
  std::size_t line = 0;  // from 1
  std::string reason;
};

// On success appends the items in file order; on failure leaves `items` as
// it was. A code given twice is an error: it is nearly always a typing slip.
bool ParseItemsText(std::string_view text, std::vector<ItemValue>& items, ItemsFileError& error);

// Far more than a controller has items; bounds what a wrong path can cost.
inline constexpr std::size_t kItemsFileMaxBytes = 16 << 20;

// Reads and parses the file; `error` is a whole Czech message.
bool LoadItemsFile(const std::string& path, std::vector<ItemValue>& items, std::string& error);

}  // namespace vx2::sim
