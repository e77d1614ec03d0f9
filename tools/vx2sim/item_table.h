// The simulated controller's data items: 32-bit values by item code.
#pragma once

#include <cstdint>
#include <map>
#include <vector>

#include "item_bytes.h"

namespace vx2::sim {

class ItemTable {
 public:
  // An item that was never written reads as 0, as on a controller whose
  // project does not use it.
  std::uint32_t Read(const ItemCode& code) const;
  void Write(const ItemCode& code, std::uint32_t value);
  // Forgets every value and holds `values` alone, a later one of the same
  // code winning.
  void Load(const std::vector<ItemValue>& values);

 private:
  std::map<ItemCode, std::uint32_t> values_;
};

}  // namespace vx2::sim
