// The configuration file's reader: a stream of blank-separated words with
// brace comments, in which a keyword takes the words after it as values. It
// works on the file's bytes in memory, so it never reads past them, and its
// effects outside the values go through ConfigActions.
#pragma once

#include <cstddef>
#include <cstdint>
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
  // What the last ReadToken gave, and where it stands in the text (the
  // text's end when it gave nothing).
  std::string_view LastToken() const { return last_token_; }
  std::size_t LastTokenOffset() const;

 private:
  std::string_view text_;
  std::size_t position_ = 0;
  bool in_comment_ = false;
  std::string_view last_token_;
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
// The line (from 1) on which `offset` lies.
std::size_t LineAt(std::string_view text, std::size_t offset);

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

// A value the communicator takes silently (as 0, or as a TCP/IP definition
// error); tools that check a file report it.
struct ConfigProblem {
  enum class Kind { kMissing, kNotANumber, kNotAnAddress };
  Kind kind;
  std::string_view keyword;  // as the file writes it
  std::string_view word;     // empty when missing
  std::size_t offset;        // where the word stands, or the end of the text
};

class ConfigActions {
 public:
  virtual ~ConfigActions() = default;
  virtual void Log(std::string_view line) = 0;
  // A QQWRITE line's 7-byte write record, for the transaction queue.
  virtual void QueueWrite(std::string_view record) = 0;
  virtual void MoveWindow(int left, int top) = 0;
  // Called at every eighth token read in keyword position, with the count.
  virtual void TokensRead(int count) = 0;
  virtual void Problem(const ConfigProblem& problem) = 0;
};

// Acts on every keyword of `text` in file order. False when a TCP line was
// invalid (logged as "TCP/IP - chyba definice!"); the rest is read anyway.
bool ApplyConfig(std::string_view text, ConfigValues& values, ConfigActions& actions);

}  // namespace korvex
