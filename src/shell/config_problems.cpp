#include "shell/config_problems.h"

#include <cstdio>

#include "shell/config_reader.h"

namespace korvex {
namespace {

// A word from the file as a log line can show it: printable ASCII, not too
// long; the file's own encoding is not the log's.
std::string Shown(std::string_view word) {
  constexpr std::size_t kLongest = 40;
  std::string shown;
  for (const char c : word.substr(0, kLongest)) {
    const auto byte = static_cast<unsigned char>(c);
    shown += byte >= 0x20 && byte < 0x7F ? c : '?';
  }
  return "'" + shown + (word.size() > kLongest ? "…'" : "'");
}

std::string Line(std::size_t line) {
  return "řádek " + std::to_string(line) + ": ";
}

std::string Hex(std::uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "%X", value);
  return text;
}

}  // namespace

std::string ProblemText(const ValueProblem& problem) {
  const std::string keyword(problem.keyword);
  const std::string where = Line(problem.keyword_line) + "u klíčového slova " + keyword;
  if (problem.word.empty()) return where + " chybí na konci souboru hodnota";
  // A short line lends its missing values from the next one.
  if (problem.word_line != problem.keyword_line) {
    return where + " chybí hodnota (na řádku " + std::to_string(problem.word_line) + " stojí " +
           Shown(problem.word) + ")";
  }
  return Line(problem.keyword_line) + Shown(problem.word) + " u klíčového slova " + keyword +
         (problem.expected == ValueProblem::Expected::kNumber
              ? " není číslo"
              : " není adresa IPv4 tvaru 192.168.1.20");
}

std::string UnknownWordText(std::string_view word, std::size_t line) {
  return Line(line) + "slovo " + Shown(word) + " není klíčové slovo, nic nenastaví";
}

std::string ChecksumText(std::size_t line, std::uint32_t checksum, std::uint32_t sum) {
  return Line(line) + "CRC32 " + Hex(checksum) + " nesouhlasí se součtem hodnot QQWRITE " +
         Hex(sum);
}

void ProblemLog::Warn(std::size_t line, const std::string& text) {
  if (line == last_line_) return;
  last_line_ = line;
  if (told_ == kMostWarnings) {
    ++untold_;
    return;
  }
  ++told_;
  actions_.Log("Upozornění: " + text);
}

void ProblemLog::Finish() {
  if (untold_ == 0) return;
  actions_.Log("Upozornění: dalších řádků, které nešlo přečíst celé: " + std::to_string(untold_) +
               ".");
}

}  // namespace korvex
