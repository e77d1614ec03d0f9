#include "shell/config_reader.h"

#include <array>
#include <string>

#include "hostlink/tran_queue.h"
#include "shell/config_numbers.h"

namespace korvex {
namespace {

bool IsSeparator(char c) {
  return c == '\t' || c == '\n' || c == '\r' || c == ' ';
}

std::string_view UpToCtrlZ(std::string_view text) {
  return text.substr(0, text.find(kCtrlZ));
}

// LF, CR LF and a lone CR each end a line.
std::size_t LineEnds(std::string_view text) {
  std::size_t ends = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\n' || (text[i] == '\r' && (i + 1 == text.size() || text[i + 1] != '\n'))) {
      ++ends;
    }
  }
  return ends;
}

// Keywords match whatever the case of their ASCII letters.
bool IsKeyword(std::string_view token, std::string_view keyword) {
  if (token.size() != keyword.size()) return false;
  for (std::size_t i = 0; i < token.size(); ++i) {
    char c = token[i];
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if (c != keyword[i]) return false;
  }
  return true;
}

// A firmware bound of 4 or 41 means version 4.000 or 4.100.
std::uint32_t ScaledVersion(std::uint32_t version) {
  if (version == 0) return 0;
  while (version < 1000) version *= 10;
  return version;
}

// Reads the values of one keyword and reports each one that is not usable.
class KeywordValues {
 public:
  KeywordValues(ConfigWords& words, std::string_view keyword, ConfigActions& actions)
      : words_(words), keyword_(keyword), actions_(actions) {}

  std::int32_t Int(bool& ok) {
    const std::int32_t value = ReadInt(words_, ok);
    Check(ok);
    return value;
  }
  std::int32_t Int() {
    bool ok = false;
    return Int(ok);
  }
  std::uint8_t Byte() { return static_cast<std::uint8_t>(Kept(Int(), 0xFF)); }
  // The low bits of `value` that `mask` keeps: what the communicator has
  // always taken. A value that does not fit whole is said once in the log,
  // since it reaches another port or controller than the file names.
  std::uint32_t Kept(std::int32_t value, std::uint32_t mask) {
    const std::uint32_t kept = static_cast<std::uint32_t>(value) & mask;
    if (static_cast<std::int64_t>(kept) != value) {
      actions_.Log("Upozornění: " + std::string(keyword_) + " " + std::string(words_.LastToken()) +
                   " je mimo rozsah 0 až " + std::to_string(mask) + ", platí " +
                   std::to_string(kept) + ".");
    }
    return kept;
  }
  std::uint32_t Cardinal() {
    bool ok = false;
    const std::uint32_t value = ReadCardinal(words_, ok);
    Check(ok);
    return value;
  }
  double Float() {
    bool ok = false;
    const double value = ReadFloat(words_, ok);
    Check(ok);
    return value;
  }
  std::string_view Word() { return words_.ReadToken(); }
  void Report(ConfigProblem::Kind kind, std::string_view word, std::size_t offset) {
    actions_.Problem({kind, keyword_, word, offset});
  }

 private:
  void Check(bool ok) {
    if (ok) return;
    const std::string_view word = words_.LastToken();
    Report(word.empty() ? ConfigProblem::Kind::kMissing : ConfigProblem::Kind::kNotANumber, word,
           words_.LastTokenOffset());
  }

  ConfigWords& words_;
  std::string_view keyword_;
  ConfigActions& actions_;
};

void ApplyTcp(KeywordValues& read, ConfigWords& words, ConfigValues& values, ConfigActions& actions,
              bool& tcp_error) {
  const std::string_view host = read.Word();
  const std::size_t host_offset = words.LastTokenOffset();
  bool port_ok = false;
  const std::int32_t port = read.Int(port_ok);
  values.LinkSetup.RS485 = false;
  values.LinkSetup.Modem = false;
  // The address as checked, so that the connect reaches the host the check saw.
  const std::optional<std::string> address = DottedDecimal(host);
  const bool address_ok = address.has_value();
  values.TcpSetup.Host = address.value_or(std::string(host));
  values.TcpSetup.Port = read.Kept(port, 0xFFFF);
  if (!address_ok) read.Report(ConfigProblem::Kind::kNotAnAddress, host, host_offset);
  values.TcpSetup.Active = address_ok && port_ok;
  if (!values.TcpSetup.Active) {
    actions.Log("TCP/IP - chyba definice!");
    tcp_error = true;
  }
}

void ApplyQQWrite(KeywordValues& read, ConfigValues& values, ConfigActions& actions) {
  std::array<std::uint8_t, kWriteRecordSize> bytes{};
  for (std::uint8_t& byte : bytes) byte = read.Byte();
  ++values.QQCount;
  const std::string record(bytes.begin(), bytes.end());
  actions.QueueWrite(record);
  values.QQChecksum +=
      bytes[3] | bytes[4] << 8 | bytes[5] << 16 | static_cast<std::uint32_t>(bytes[6]) << 24;
}

void ApplyHwnd(KeywordValues& read, ConfigValues& values, ConfigActions& actions) {
  values.HostWnd = read.Cardinal();
  const std::int32_t left = read.Int();
  const std::int32_t top = read.Int();
  const std::int32_t offset = read.Int();
  values.HostWndSet = true;
  // Wraps instead of overflowing on absurd numbers.
  const auto moved_top = static_cast<std::int32_t>(static_cast<std::uint32_t>(top) +
                                                   static_cast<std::uint32_t>(offset));
  actions.MoveWindow(left, moved_top);
}

}  // namespace

ConfigWords::ConfigWords(std::string_view text) : text_(UpToCtrlZ(text)) {
  // Windows editors often save UTF-8 with a byte-order mark; glued to the
  // first keyword it would lose that keyword without a word of warning.
  constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
  if (text_.starts_with(kByteOrderMark)) position_ = kByteOrderMark.size();
}

std::string_view ConfigWords::ReadWord() {
  while (position_ < text_.size() && IsSeparator(text_[position_])) ++position_;
  const std::size_t start = position_;
  while (position_ < text_.size() && !IsSeparator(text_[position_])) ++position_;
  const std::string_view word = text_.substr(start, position_ - start);
  if (position_ < text_.size()) ++position_;  // the separator that ended it
  return word;
}

std::string_view ConfigWords::ReadToken() {
  // A word left unaccepted at the end (inside a comment, or one closing it)
  // is not handed out: a comment never takes effect.
  last_token_ = {};
  for (std::string_view word = ReadWord(); !word.empty(); word = ReadWord()) {
    bool accepted = !in_comment_;
    if (word.front() == '{') {
      in_comment_ = true;
      accepted = false;
    }
    if (word.back() == '}') {
      in_comment_ = false;
      accepted = false;
    }
    if (accepted) {
      last_token_ = word;
      break;
    }
  }
  return last_token_;
}

std::size_t ConfigWords::LastTokenOffset() const {
  return last_token_.empty() ? text_.size()
                             : static_cast<std::size_t>(last_token_.data() - text_.data());
}

std::int32_t ReadInt(ConfigWords& words, bool& ok) {
  std::int32_t value = 0;
  ok = ParseInt32(words.ReadToken(), value);
  return ok ? value : 0;
}

std::uint32_t ReadCardinal(ConfigWords& words, bool& ok) {
  std::int64_t value = 0;
  ok = ParseInt64(words.ReadToken(), value);
  return ok ? static_cast<std::uint32_t>(value) : 0;
}

double ReadFloat(ConfigWords& words, bool& ok) {
  double value = 0;
  ok = ParseReal(words.ReadToken(), value);
  return ok ? value : 0;
}

std::size_t CountLines(std::string_view text) {
  text = UpToCtrlZ(text);
  const bool open_last_line = !text.empty() && text.back() != '\n' && text.back() != '\r';
  return LineEnds(text) + (open_last_line ? 1 : 0);
}

std::size_t LineAt(std::string_view text, std::size_t offset) {
  return 1 + LineEnds(text.substr(0, offset));
}

bool ApplyConfig(std::string_view text, ConfigValues& values, ConfigActions& actions) {
  ConfigWords words(text);
  bool tcp_error = false;
  int tokens = 0;
  while (!words.AtEnd()) {
    const std::string_view token = words.ReadToken();
    if (++tokens % 8 == 0) actions.TokensRead(tokens);
    KeywordValues read(words, token, actions);
    TLinkSetup& link = values.LinkSetup;
    if (IsKeyword(token, "PORT")) {
      link.Port = read.Int();
      // The serial port takes the number's low byte.
      read.Kept(link.Port, 0xFF);
      link.Baudrate = read.Int();
    } else if (IsKeyword(token, "RS485")) {
      link.RS485 = !values.TcpSetup.Active;
      link.Modem = false;
    } else if (IsKeyword(token, "ADDRESS")) {
      link.Address = read.Byte();
    } else if (IsKeyword(token, "RETRANSLATION")) {
      link.Retranslation = read.Byte();
    } else if (IsKeyword(token, "TIMEOUT")) {
      link.Timeout = read.Float();
    } else if (IsKeyword(token, "TCP")) {
      ApplyTcp(read, words, values, actions, tcp_error);
    } else if (IsKeyword(token, "QQWRITE")) {
      ApplyQQWrite(read, values, actions);
    } else if (IsKeyword(token, "FIRMWARE")) {
      values.FirmwareMin = ScaledVersion(read.Cardinal());
      values.FirmwareMax = ScaledVersion(read.Cardinal());
    } else if (IsKeyword(token, "CRC32")) {
      read.Word();
      values.ProjectCRC = static_cast<std::uint32_t>(read.Int());
    } else if (IsKeyword(token, "HWND")) {
      ApplyHwnd(read, values, actions);
    }
  }
  return !tcp_error;
}

}  // namespace korvex
