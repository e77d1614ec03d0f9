// How item requests and their answers are laid out: a two-letter command
// ("Qq", "Qx", "QQ", "QX"), then three bytes for each item's code in a
// request and four bytes for each value in an answer; a write request holds
// write records, an item's code followed by its value.
#pragma once

#include <cstddef>

namespace korvex {

inline constexpr std::size_t kCommandSize = 2;
inline constexpr std::size_t kItemCodeSize = 3;
inline constexpr std::size_t kItemValueSize = 4;
inline constexpr std::size_t kWriteRecordSize = kItemCodeSize + kItemValueSize;
// At most this many reads or writes travel in one merged request.
inline constexpr int kMaxJoined = 32;

}  // namespace korvex
