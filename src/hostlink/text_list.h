// The host texts waiting between the channel and the RUN loop: requests for
// the interpreter, answers for the host. A stored text holds at most 255
// bytes, as the channel carries no more.
#pragma once

#include <cstddef>
#include <deque>
#include <string>
#include <string_view>

namespace korvex {

inline constexpr std::size_t kMaxTextLength = 255;

using TTextList = std::deque<std::string>;

// Appends a copy of `text`, cut to its first 255 bytes.
inline void PushText(TTextList& list, std::string_view text) {
  list.emplace_back(text.substr(0, kMaxTextLength));
}

// Removes the first text; nothing when the list is empty.
inline void PopText(TTextList& list) {
  if (!list.empty()) list.pop_front();
}

inline void FreeTexts(TTextList& list) {
  list.clear();
}

}  // namespace korvex
