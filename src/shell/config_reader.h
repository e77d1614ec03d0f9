// The configuration file's reader: a stream of blank-separated words with
// brace comments, in which a keyword takes the words after it as values. It
// works on the file's bytes in memory, so it never reads past them, and its
// effects outside the values go through ConfigActions.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "hostlink/host_address.h"
#include "protocol/link_setup.h"

namespace korvex {

inline constexpr char kCtrlZ = 26;

// The words of a configuration text, up to its first Ctrl-Z.
class ConfigWords {
 public:
  explicit ConfigWords(std::string_view text);

  bool AtEnd() const { return position_ >= text_.size(); }
  // The next word; empty at the end.
  std::string_view ReadWord();
  // The next word outside comments; empty at the end.
  std::string_view ReadToken();
  // What the last ReadToken gave, and the line (from 1) it stands on; when
  // it gave nothing, the line the text ends on.
  std::string_view LastToken() const { return last_token_; }
  std::size_t LastTokenLine() const { return last_token_line_; }

 private:
  // Past one character, counting the line it ends: LF, CR LF or a lone CR.
  void Step();

  std::string_view text_;
  std::size_t position_ = 0;
  std::size_t line_ = 1;
  std::size_t word_line_ = 1;  // of the last word read
  bool in_comment_ = false;
  std::string_view last_token_;
  std::size_t last_token_line_ = 1;
};

// Each takes one token. `ok` is false when there was none or it is not a
// number of the kind; the value is then 0.
std::int32_t ReadInt(ConfigWords& words, bool& ok);
// Read over 64 bits and kept modulo 2^32: -1 gives 4294967295.
std::uint32_t ReadCardinal(ConfigWords& words, bool& ok);
double ReadFloat(ConfigWords& words, bool& ok);

// Lines of the text up to its first Ctrl-Z: LF, CR LF and a lone CR end a
// line, and a last line without an ending counts.
std::size_t CountLines(std::string_view text);

// What a configuration sets; what it does not name keeps its value. HWND
// names the host's window.
struct ConfigValues : HostAddress {
  TLinkSetup LinkSetup;
  TTCPsetup TcpSetup;
  std::uint32_t FirmwareMin = 0;
  std::uint32_t FirmwareMax = 0;
  std::uint32_t ProjectCRC = 0;
  std::uint32_t QQChecksum = 0;
  std::int32_t QQCount = 0;
};

class ConfigActions {
 public:
  virtual ~ConfigActions() = default;
  virtual void Log(std::string_view line) = 0;
  // A QQWRITE line's 7-byte write record, for the project.
  virtual void QueueWrite(std::string_view record) = 0;
  virtual void MoveWindow(int left, int top) = 0;
  // Called once before the first token, with the text's line count.
  virtual void LinesCounted(std::size_t lines) = 0;
  // Called at every eighth token read in keyword position, with the count.
  virtual void TokensRead(int count) = 0;
};

// What the reading found besides the values: whether the file may be used.
struct ConfigVerdict {
  // Why a TCP line is invalid (the first such line); empty when none is.
  std::string tcp_problem;
  // The first QQWRITE or CRC32 line not read whole, or a CRC32 that is not
  // the sum of the project's values; empty when the file holds no project or
  // its project was read whole. A project is written only when it was.
  std::string project_problem;
  // Words stood outside comments, and not one of them was a keyword.
  bool no_keyword = false;

  // Why the communicator refuses the file, completing "soubor NAME ";
  // empty when it takes it.
  std::string Refusal() const;
};

// Acts on every keyword of `text` in file order and reads to its end
// whatever it finds. Logs "TCP/IP - chyba definice!" for an invalid TCP
// line, and "Upozornění: řádek N: ..." for each line it could not read
// whole: a value missing or not of its kind, or a word that is no keyword.
ConfigVerdict ApplyConfig(std::string_view text, ConfigValues& values, ConfigActions& actions);

}  // namespace korvex
