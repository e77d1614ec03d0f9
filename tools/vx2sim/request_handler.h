// What the simulated controller does with the data of one request frame.
// Pure: the item table is the only state it touches.
#pragma once

#include <string>
#include <string_view>

#include "item_table.h"

namespace vx2::sim {

enum class RequestProblem {
  kNone,
  kNoCommand,       // fewer than two bytes
  kUnknownCommand,  // neither "Qq" nor "QQ"
  kBadReadLength,   // "Qq" not followed by whole item codes
  kBadWriteLength,  // "QQ" not followed by whole write records
  kAnswerTooLong,   // the values read would not fit in one answer frame
};

struct RequestOutcome {
  RequestProblem problem = RequestProblem::kNone;
  std::string answer;  // answer data; meaningful only without a problem
};

// "Qq" + item codes is answered "Qx" + a 4-byte value per code; "QQ" + write
// records is answered "QX" after all of them are stored. A request with a
// problem changes nothing and gets no answer. A write of the checksum item
// 00 00 03 also becomes the project checksum (A4 01 A2): that is how a
// project's checksum is stored.
RequestOutcome HandleRequest(std::string_view data, ItemTable& items);

// A Czech explanation for the log.
std::string ProblemText(RequestProblem problem);

}  // namespace vx2::sim
