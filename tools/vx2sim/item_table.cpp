#include "item_table.h"

namespace vx2::sim {

std::uint32_t ItemTable::Read(const ItemCode& code) const {
  const auto found = values_.find(code);
  return found == values_.end() ? 0 : found->second;
}

void ItemTable::Write(const ItemCode& code, std::uint32_t value) {
  values_[code] = value;
}

void ItemTable::Load(const std::vector<ItemValue>& values) {
  values_.clear();
  for (const ItemValue& item : values) Write(item.code, item.value);
}

}  // namespace vx2::sim
