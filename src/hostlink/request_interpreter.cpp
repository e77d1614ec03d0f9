#include "hostlink/request_interpreter.h"

#include <cstdint>
#include <optional>

#include "common/text_helpers.h"
#include "hostlink/tran_queue.h"

namespace korvex {
namespace {

constexpr std::size_t kCommandLength = 5;
constexpr int kReadFields = 3;
constexpr int kWriteFields = 7;
constexpr int kSeriesLength = 8;

// Field k (from 1) is the piece of `rest` at positions 3k-1 and 3k, counted
// from 1; it may be one digit only where `rest` ends after it.
std::optional<char> Field(std::string_view rest, int k) {
  const std::size_t start = static_cast<std::size_t>(3 * k - 2);
  if (start >= rest.size()) return std::nullopt;
  const std::string_view piece = rest.substr(start, 2);
  int value = 0;
  for (char c : piece) {
    const int digit = HexDigitValue(c);
    if (digit < 0) return std::nullopt;
    value = value * 16 + digit;
  }
  return static_cast<char>(value);
}

std::optional<std::string> Fields(std::string_view rest, int count) {
  std::string out;
  for (int k = 1; k <= count; ++k) {
    const std::optional<char> field = Field(rest, k);
    if (!field) return std::nullopt;
    out += *field;
  }
  return out;
}

}  // namespace

HostRequest InterpretRequest(std::string_view text) {
  if (text.empty()) return {};
  text.remove_suffix(1);  // the "|"
  if (text.size() < kCommandLength) return {};
  std::string command(text.substr(0, kCommandLength));
  for (char& c : command) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  const std::string_view rest = text.substr(kCommandLength);
  if (command == "CLOSE") return {RequestKind::kClose, {}};
  if (command == "STATS") return {RequestKind::kStats, {}};
  RequestKind kind = RequestKind::kNone;
  int needed = kReadFields;
  if (command == "QQ_RD") {
    kind = RequestKind::kRead;
  } else if (command == "QQ_RS") {
    kind = RequestKind::kReadSeries;
  } else if (command == "QQ_WR") {
    kind = RequestKind::kWrite;
    needed = kWriteFields;
  } else {
    return {};
  }
  std::optional<std::string> fields = Fields(rest, needed);
  if (!fields) return {};
  return {kind, std::move(*fields)};
}

RequestInterpreter::RequestInterpreter(LinkWindow& window, LinkStatistics& statistics,
                                       StatisticsReport& report)
    : window_(window), statistics_(statistics), report_(report) {}

void RequestInterpreter::HandleRequest(TTextList& list) {
  if (list.empty()) return;
  const std::string text = list.front();
  const HostRequest request = InterpretRequest(text);
  switch (request.kind) {
    case RequestKind::kRead:
    case RequestKind::kReadSeries:
    case RequestKind::kWrite:
      QueueTransactions(request);
      window_.SetAnswerText(text);
      break;
    case RequestKind::kClose:
      ++statistics_.requests_close;
      window_.CloseRequestedByHost();
      break;
    case RequestKind::kStats:
      ++statistics_.requests_stats;
      report_.QueueAnswers();
      break;
    case RequestKind::kNone:
      ++statistics_.requests_invalid;
      break;
  }
  PopText(list);
}

void RequestInterpreter::QueueTransactions(const HostRequest& request) {
  if (request.kind == RequestKind::kWrite) {
    ++statistics_.requests_write;
    window_.AddHostTran(kKindWrite, request.fields);
    return;
  }
  // A series reads the code and the codes after it; the last code byte
  // wraps without carrying into the one before.
  const bool series = request.kind == RequestKind::kReadSeries;
  ++(series ? statistics_.requests_series : statistics_.requests_read);
  for (int j = 0; j < (series ? kSeriesLength : 1); ++j) {
    std::string code = request.fields;
    code[2] = static_cast<char>(static_cast<std::uint8_t>(code[2]) + j);
    window_.AddHostTran(kKindRead, code);
  }
}

}  // namespace korvex
