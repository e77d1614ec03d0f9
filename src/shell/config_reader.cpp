#include "shell/config_reader.h"

#include <array>
#include <optional>
#include <string>

#include "hostlink/tran_queue.h"
#include "shell/config_numbers.h"
#include "shell/config_problems.h"

namespace korvex {
namespace {

bool IsSeparator(char c) {
  return c == '\t' || c == '\n' || c == '\r' || c == ' ';
}

std::string_view UpToCtrlZ(std::string_view text) {
  return text.substr(0, text.find(kCtrlZ));
}

// LF, CR LF and a lone CR each end a line.
bool EndsLine(std::string_view text, std::size_t i) {
  return text[i] == '\n' || (text[i] == '\r' && (i + 1 == text.size() || text[i + 1] != '\n'));
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

// Reads the values of one keyword, warns of each one that is not usable and
// keeps the first such problem for the verdict.
class KeywordValues {
 public:
  KeywordValues(ConfigWords& words, std::string_view keyword, ProblemLog& problems,
                ConfigActions& actions)
      : words_(words),
        keyword_(keyword),
        keyword_line_(words.LastTokenLine()),
        problems_(problems),
        actions_(actions) {}

  std::int32_t Int(bool& ok) {
    const std::int32_t value = ReadInt(words_, ok);
    if (!ok) Report(ValueProblem::Expected::kNumber);
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
    if (!ok) Report(ValueProblem::Expected::kNumber);
    return value;
  }
  double Float() {
    bool ok = false;
    const double value = ReadFloat(words_, ok);
    if (!ok) Report(ValueProblem::Expected::kNumber);
    return value;
  }
  std::string_view Word() { return words_.ReadToken(); }
  void Report(ValueProblem::Expected expected) {
    const std::string text = ProblemText(
        {keyword_, keyword_line_, words_.LastToken(), words_.LastTokenLine(), expected});
    problems_.Warn(keyword_line_, text);
    if (problem_.empty()) problem_ = text;
  }
  std::size_t KeywordLine() const { return keyword_line_; }
  // The first value that was not usable; empty when all were.
  const std::string& Problem() const { return problem_; }

 private:
  ConfigWords& words_;
  std::string_view keyword_;
  std::size_t keyword_line_;
  ProblemLog& problems_;
  ConfigActions& actions_;
  std::string problem_;
};

void ApplyTcp(KeywordValues& read, ConfigValues& values, ConfigActions& actions,
              ConfigVerdict& verdict) {
  const std::string_view host = read.Word();
  // The address as checked, so that the connect reaches the host the check saw.
  const std::optional<std::string> address = DottedDecimal(host);
  if (!address) read.Report(ValueProblem::Expected::kAddress);
  bool port_ok = false;
  const std::int32_t port = read.Int(port_ok);
  values.LinkSetup.RS485 = false;
  values.LinkSetup.Modem = false;
  values.TcpSetup.Host = address.value_or(std::string(host));
  values.TcpSetup.Port = read.Kept(port, 0xFFFF);
  values.TcpSetup.Active = address && port_ok;
  if (!values.TcpSetup.Active) {
    actions.Log("TCP/IP - chyba definice!");
    if (verdict.tcp_problem.empty()) verdict.tcp_problem = read.Problem();
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

// What the reading of the project's lines has found.
struct ProjectLines {
  int writes = 0;
  // The line the last QQWRITE's or CRC32's values ended on: a word left over
  // there means the line was not read as written.
  std::size_t last_line = 0;
  std::size_t checksum_line = 0;  // of the last CRC32, 0 without one
  std::string problem;

  void Took(const KeywordValues& read, const ConfigWords& words) {
    last_line = words.LastTokenLine();
    if (problem.empty()) problem = read.Problem();
  }
};

// One reading of a text: the keywords act in file order, and what could not
// be read whole is warned of and judged.
class ConfigReading {
 public:
  ConfigReading(std::string_view text, ConfigValues& values, ConfigActions& actions)
      : words(text), values_(values), actions_(actions), problems_(actions) {}

  void Apply(std::string_view token) {
    KeywordValues read(words, token, problems_, actions_);
    if (ApplyKeyword(token, read)) {
      keyword_seen_ = true;
    } else if (!token.empty()) {  // empty: the end, or a comment up to it
      words_seen_ = true;
      const std::string unknown = UnknownWordText(token, read.KeywordLine());
      problems_.Warn(read.KeywordLine(), unknown);
      if (read.KeywordLine() == project_.last_line && project_.problem.empty()) {
        project_.problem = unknown;
      }
    }
  }

  ConfigVerdict Verdict() {
    // Without QQWRITE lines CRC32 names the project the controller should hold.
    if (project_.writes > 0 && project_.checksum_line != 0 && project_.problem.empty() &&
        values_.ProjectCRC != values_.QQChecksum) {
      project_.problem =
          ChecksumText(project_.checksum_line, values_.ProjectCRC, values_.QQChecksum);
      problems_.Warn(project_.checksum_line, project_.problem);
    }
    problems_.Finish();
    if (project_.writes > 0) verdict_.project_problem = project_.problem;
    verdict_.no_keyword = !keyword_seen_ && words_seen_;
    return verdict_;
  }

  ConfigWords words;

 private:
  bool ApplyKeyword(std::string_view token, KeywordValues& read) {
    TLinkSetup& link = values_.LinkSetup;
    if (IsKeyword(token, "PORT")) {
      link.Port = read.Int();
      // The serial port takes the number's low byte.
      read.Kept(link.Port, 0xFF);
      link.Baudrate = read.Int();
    } else if (IsKeyword(token, "RS485")) {
      link.RS485 = !values_.TcpSetup.Active;
      link.Modem = false;
    } else if (IsKeyword(token, "ADDRESS")) {
      link.Address = read.Byte();
    } else if (IsKeyword(token, "RETRANSLATION")) {
      link.Retranslation = read.Byte();
    } else if (IsKeyword(token, "TIMEOUT")) {
      link.Timeout = read.Float();
    } else if (IsKeyword(token, "TCP")) {
      ApplyTcp(read, values_, actions_, verdict_);
    } else if (IsKeyword(token, "QQWRITE")) {
      ApplyQQWrite(read, values_, actions_);
      ++project_.writes;
      project_.Took(read, words);
    } else if (IsKeyword(token, "FIRMWARE")) {
      values_.FirmwareMin = ScaledVersion(read.Cardinal());
      values_.FirmwareMax = ScaledVersion(read.Cardinal());
    } else if (IsKeyword(token, "CRC32")) {
      read.Word();
      values_.ProjectCRC = static_cast<std::uint32_t>(read.Int());
      project_.checksum_line = read.KeywordLine();
      project_.Took(read, words);
    } else if (IsKeyword(token, "HWND")) {
      ApplyHwnd(read, values_, actions_);
    } else {
      return false;
    }
    return true;
  }

  ConfigValues& values_;
  ConfigActions& actions_;
  ProblemLog problems_;
  ProjectLines project_;
  ConfigVerdict verdict_;
  bool keyword_seen_ = false;
  bool words_seen_ = false;
};

}  // namespace

ConfigWords::ConfigWords(std::string_view text) : text_(UpToCtrlZ(text)) {}

void ConfigWords::Step() {
  if (EndsLine(text_, position_)) ++line_;
  ++position_;
}

std::string_view ConfigWords::ReadWord() {
  while (position_ < text_.size() && IsSeparator(text_[position_])) Step();
  const std::size_t start = position_;
  while (position_ < text_.size() && !IsSeparator(text_[position_])) ++position_;
  const std::string_view word = text_.substr(start, position_ - start);
  word_line_ = line_;
  if (position_ < text_.size()) Step();  // the separator that ended it
  return word;
}

std::string_view ConfigWords::ReadToken() {
  // A word left unaccepted at the end (inside a comment, or one closing it)
  // is not handed out: a comment never takes effect.
  last_token_ = {};
  std::string_view word = ReadWord();
  for (; !word.empty(); word = ReadWord()) {
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
  last_token_line_ = word_line_;
  return last_token_;
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
  std::size_t ends = 0;
  for (std::size_t i = 0; i < text.size(); ++i) ends += EndsLine(text, i) ? 1 : 0;
  return ends + (open_last_line ? 1 : 0);
}

std::string ConfigVerdict::Refusal() const {
  if (!project_problem.empty()) {
    return "nelze použít: projekt v něm nebyl přečten celý, do řadiče se z něj nic nezapíše (" +
           project_problem + ")";
  }
  if (!tcp_problem.empty()) return "nelze použít: " + tcp_problem;
  if (no_keyword) {
    return "nelze číst jako konfiguraci: nemá ani jedno klíčové slovo (PORT, TCP, QQWRITE…)";
  }
  return {};
}

ConfigVerdict ApplyConfig(std::string_view text, ConfigValues& values, ConfigActions& actions) {
  actions.LinesCounted(CountLines(text));
  ConfigReading reading(text, values, actions);
  int tokens = 0;
  while (!reading.words.AtEnd()) {
    const std::string_view token = reading.words.ReadToken();
    if (++tokens % 8 == 0) actions.TokensRead(tokens);
    reading.Apply(token);
  }
  return reading.Verdict();
}

}  // namespace korvex
