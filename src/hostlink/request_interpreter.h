// The host's request texts: "QQ_RD", "QQ_RS", "QQ_WR" and "CLOSE" with their
// two-digit hex fields, and "STATS", which asks for the link statistics.
// Reading a request is pure; the window applies it.
#pragma once

#include <string>
#include <string_view>

namespace korvex {

enum class RequestKind { kNone, kRead, kReadSeries, kWrite, kClose, kStats };

struct HostRequest {
  RequestKind kind = RequestKind::kNone;
  // The field values, one byte each: the item code for reads, the code and
  // four value bytes for a write.
  std::string fields;
};

// `text` is the whole request as received, its last character the "|".
// Anything malformed gives kNone.
HostRequest InterpretRequest(std::string_view text);

}  // namespace korvex
