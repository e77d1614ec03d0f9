// The request texts tolma sends and the answer texts it reads, in the
// communicator's host grammar.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "item_bytes.h"

namespace tolma {

// "QQ_RD 00 01 02|"
std::string ReadRequest(const vx2::ItemCode& code);
// "QQ_WR 00 01 02 2A 00 00 00|": the value least significant byte first.
std::string WriteRequest(const vx2::ItemValue& record);
inline constexpr std::string_view kCloseRequest = "CLOSE|";
inline constexpr std::string_view kClosedNotice = "KORVEX CLOSED|";
inline constexpr std::string_view kStatsRequest = "STATS|";

// The name=value pairs of a statistics answer "STATS a=1 b=2|"; nothing for
// any other text.
std::optional<std::vector<std::pair<std::string, std::string>>> ParseStatsAnswer(
    std::string_view text);

// The code and value of a read result "QQ_RD 00 01 02 2A 00 00 00|";
// nothing for any other text.
std::optional<vx2::ItemValue> ParseReadAnswer(std::string_view text);

}  // namespace tolma
