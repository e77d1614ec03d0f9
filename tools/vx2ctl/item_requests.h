// Request data for reading and writing items, and the checks of their
// answers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "item_bytes.h"

namespace vx2::ctl {

// Codes read in one request, as many as the communicator merges into one.
inline constexpr std::size_t kMaxReadItems = 32;

// "Qq" and the codes.
std::string ReadRequest(std::span<const ItemCode> codes);
// The values of a "Qx" answer that carries exactly `count` of them.
std::optional<std::vector<std::uint32_t>> ReadAnswerValues(std::string_view answer,
                                                           std::size_t count);
// "QQ" and one write record.
std::string WriteRequest(const ItemValue& record);
bool IsWriteAnswer(std::string_view answer);

}  // namespace vx2::ctl
