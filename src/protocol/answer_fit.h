// Whether an answer can belong to the request it was waited for. Answers
// carry no item codes, so a late answer to an earlier request of the same
// shape still fits; the engine keeps those off by settling the line after a
// failure. This catches every other.
#pragma once

#include <string_view>

namespace korvex {

// A read ("Qq" and item codes) is answered "Qx" and four value bytes per
// code, a write ("QQ" and records) "QX"; any other request takes any answer.
bool AnswerFitsRequest(std::string_view request, std::string_view answer);

}  // namespace korvex
