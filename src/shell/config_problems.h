// What a configuration file holds that could not be read whole, said in
// Czech with the line it stands on. The communicator logs these lines and
// vx2ctl prints them, so both tell the same of every file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace korvex {

class ConfigActions;

// A keyword's value that is missing, or is not a number or an address.
struct ValueProblem {
  enum class Expected { kNumber, kAddress };
  std::string_view keyword;  // as the file writes it
  std::size_t keyword_line;
  std::string_view word;  // empty when the file ended before it
  std::size_t word_line;
  Expected expected;
};
std::string ProblemText(const ValueProblem& problem);
// A word in a keyword's place that is none.
std::string UnknownWordText(std::string_view word, std::size_t line);
// A CRC32 line whose checksum is not the sum of the project's values.
std::string ChecksumText(std::size_t line, std::uint32_t checksum, std::uint32_t sum);

// Logs "Upozornění: " and each problem, one per line of the file: a line
// that went wrong once is not told again for its leftover words. A file of
// nothing but problems is told in its first kMostWarnings lines and a count.
class ProblemLog {
 public:
  static constexpr int kMostWarnings = 20;

  explicit ProblemLog(ConfigActions& actions) : actions_(actions) {}
  void Warn(std::size_t line, const std::string& text);
  // The count of lines left untold, if any.
  void Finish();

 private:
  ConfigActions& actions_;
  std::size_t last_line_ = 0;
  int told_ = 0;
  int untold_ = 0;
};

}  // namespace korvex
