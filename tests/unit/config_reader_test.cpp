// The configuration reader: one table of configuration texts and what they
// must give, then the window's ReadINI over real files.
#include "shell/config_reader.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "shell/config_encoding.h"
#include "shell/config_numbers.h"
#include "shell/file_bytes.h"
#include "support/bytes.h"
#include "support/window_fixture.h"

namespace korvex {
namespace {

using namespace std::string_literals;

struct Recorder : ConfigActions {
  void Log(std::string_view line) override { effects << "log=" << line << " "; }
  void QueueWrite(std::string_view record) override {
    effects << "queue=";
    for (const unsigned char c : record) effects << static_cast<int>(c) << ",";
    effects << " ";
  }
  void MoveWindow(int left, int top) override { effects << "move=" << left << "," << top << " "; }
  void LinesCounted(std::size_t) override {}
  void TokensRead(int count) override { token_counts.push_back(count); }

  std::ostringstream effects;
  std::vector<int> token_counts;
};

// Every field that differs from the defaults and every action, in one line,
// so a mismatch shows what differs.
std::string Effects(const ConfigValues& v, const Recorder& recorder) {
  const ConfigValues d;
  std::ostringstream out;
  const auto field = [&out](const char* name, const auto& value, const auto& fallback) {
    if (value != fallback) out << name << "=" << value << " ";
  };
  field("port", v.LinkSetup.Port, d.LinkSetup.Port);
  field("baud", v.LinkSetup.Baudrate, d.LinkSetup.Baudrate);
  field("addr", v.LinkSetup.Address, d.LinkSetup.Address);
  field("relay", v.LinkSetup.Retranslation, d.LinkSetup.Retranslation);
  field("timeout", v.LinkSetup.Timeout, d.LinkSetup.Timeout);
  field("modem", v.LinkSetup.Modem, d.LinkSetup.Modem);
  field("rs485", v.LinkSetup.RS485, d.LinkSetup.RS485);
  field("tcp", v.TcpSetup.Active, d.TcpSetup.Active);
  field("host", v.TcpSetup.Host, d.TcpSetup.Host);
  field("tcpport", v.TcpSetup.Port, d.TcpSetup.Port);
  field("fw", v.FirmwareMin, d.FirmwareMin);
  field("fwmax", v.FirmwareMax, d.FirmwareMax);
  field("crc", v.ProjectCRC, d.ProjectCRC);
  field("qq", v.QQCount, d.QQCount);
  field("qqsum", v.QQChecksum, d.QQChecksum);
  field("hwnd", v.HostWnd, d.HostWnd);
  field("hwndset", v.HostWndSet, d.HostWndSet);
  return out.str() + recorder.effects.str();
}

// The effects of `text`, and "refused" when the file is refused (its
// reasons are told in the window's rows below).
std::string Reading(std::string_view text) {
  ConfigValues values;
  Recorder recorder;
  return Effects(values, recorder) +
         (ApplyConfig(text, values, recorder).Refusal().empty() ? "" : "refused");
}

// "Upozornění: řádek N: ..." as the reader logs it.
std::string Warned(int line, const std::string& text) {
  return "log=Upozornění: řádek " + std::to_string(line) + ": " + text + " ";
}

TEST(ConfigReader, TextsGiveTheirFields) {
  const std::string tcp_error = "log=TCP/IP - chyba definice! refused";
  const auto bad_host = [&tcp_error](const std::string& host) {
    return Warned(1, "'" + host + "' u klíčového slova TCP není adresa IPv4 tvaru 192.168.1.20") +
           tcp_error;
  };
  // Numbers that do not fit are taken wrapped, as always, and said.
  const auto wrapped = [](std::string keyword_and_word, int maximum, int taken) {
    return "log=Upozornění: " + keyword_and_word + " je mimo rozsah 0 až " +
           std::to_string(maximum) + ", platí " + std::to_string(taken) + ". ";
  };
  const struct {
    std::string text;
    std::string effects;  // besides the defaults
  } cases[] = {
      {"", ""},
      {"port 2 19200", "port=2 baud=19200 "},
      {"PORT=2", Warned(1, "slovo 'PORT=2' není klíčové slovo, nic nenastaví") + "refused"},
      {"{ PORT 5 9600 }", ""},
      {"{PORT 5 9600}", ""},
      {"{x\r\nPORT 5 9600 }\r\n", ""},
      {"{x} PORT 5 9600", "port=5 baud=9600 "},
      {"{ a { b } PORT 3 9600 }", "port=3 baud=9600 "},
      // A word ending with } is skipped even outside a comment.
      {"PORT 7} 4 4800", "port=4 baud=4800 "},
      // An unclosed comment at the very end never takes effect.
      {"{ RS485", ""},
      {"ADDRESS 258 Retranslation $1FF", "addr=2 relay=255 " + wrapped("ADDRESS 258", 255, 2) +
                                             wrapped("Retranslation $1FF", 255, 255)},
      {"ADDRESS 257", wrapped("ADDRESS 257", 255, 1)},
      {"PORT 256 9600", "port=256 baud=9600 " + wrapped("PORT 256", 255, 0)},
      {"TIMEOUT 2e-1", "timeout=0.2 "},
      // Malformed and missing numbers store 0, and each line says its first.
      {"TIMEOUT 1,5\nADDRESS 0x\r\nPORT 3",
       "port=3 baud=0 addr=0 timeout=0 " + Warned(1, "'1,5' u klíčového slova TIMEOUT není číslo") +
           Warned(2, "'0x' u klíčového slova ADDRESS není číslo") +
           Warned(3, "u klíčového slova PORT chybí na konci souboru hodnota")},
      {"\n TIMEOUT = 3.0", "timeout=0 " + Warned(2, "'=' u klíčového slova TIMEOUT není číslo")},
      {"FIRMWARE 4 5", "fw=4000 fwmax=5000 "},
      {"FIRMWARE 0 41", "fwmax=4100 "},
      {"CRC32 x $FFFFFFFF", "crc=4294967295 "},
      {"CRC32 x 4294967295", Warned(1, "'4294967295' u klíčového slova CRC32 není číslo")},
      {"TCP 192.168.1.20 2000", "tcp=1 host=192.168.1.20 tcpport=2000 "},
      {"TCP 1.2.3.4 70000", "tcp=1 host=1.2.3.4 tcpport=4464 " + wrapped("TCP 70000", 65535, 4464)},
      {"TCP 127.0.0.1 65636", "tcp=1 tcpport=100 " + wrapped("TCP 65636", 65535, 100)},
      {"TCP 127.0.0.1 -1", "tcp=1 tcpport=65535 " + wrapped("TCP -1", 65535, 65535)},
      // Connected as checked: decimal, whatever the resolver would make of it.
      {"TCP 127.0.0.010 1", "tcp=1 host=127.0.0.10 tcpport=1 "},
      {"TCP $0A.0x0.+0.255 1", "tcp=1 host=10.0.0.255 tcpport=1 "},
      {"TCP controller 2000", "host=controller tcpport=2000 " + bad_host("controller")},
      {"TCP 1.2.3.256 2000", "host=1.2.3.256 tcpport=2000 " + bad_host("1.2.3.256")},
      {"TCP 1.2.3.4 port PORT 5 1", "port=5 baud=1 host=1.2.3.4 tcpport=0 " +
                                        Warned(1, "'port' u klíčového slova TCP není číslo") +
                                        tcp_error},
      {"RS485 TCP 1.2.3.4 1", "tcp=1 host=1.2.3.4 tcpport=1 "},
      {"TCP 1.2.3.4 1 RS485", "tcp=1 host=1.2.3.4 tcpport=1 "},
      {"TCP x 1 RS485", "rs485=1 host=x tcpport=1 " + bad_host("x")},
      {"QQWRITE 0 1 2 16 39 0 0\nqqwrite 0 1 2 16 39 0 0",
       "qq=2 qqsum=20000 queue=0,1,2,16,39,0,0, queue=0,1,2,16,39,0,0, "},
      {"QQWRITE 1 2 3 -1 255 $FF 0x1FF",
       "qq=1 qqsum=4294967295 " + wrapped("QQWRITE -1", 255, 255) +
           wrapped("QQWRITE 0x1FF", 255, 255) + "queue=1,2,3,255,255,255,255, "},
      {"HWND 1234 100 50 20", "hwnd=1234 hwndset=1 move=100,70 "},
      {"HWND -1 0 0", "hwnd=4294967295 hwndset=1 " +
                          Warned(1, "u klíčového slova HWND chybí na konci souboru hodnota") +
                          "move=0,0 "},
      {"PORT 2 9600 \x1A PORT 3 4800", "port=2 baud=9600 "},
      {"PORT\0 2 \xFF\xFE 9600"s,
       Warned(1, "slovo 'PORT?' není klíčové slovo, nic nenastaví") + "refused"},
  };
  for (const auto& c : cases) EXPECT_EQ(Reading(c.text), c.effects) << c.text;
}

// A project is written only when every one of its lines was read whole and
// its CRC32 is the sum of its values.
TEST(ConfigReader, ProjectNotReadWholeIsRefused) {
  const std::string item = "QQWRITE 1 0 0 42 0 0 0\n";
  const struct {
    std::string text;
    std::string warning;  // empty: taken
  } cases[] = {
      {item + "QQWRITE 1 0 1 16",
       "řádek 2: u klíčového slova QQWRITE chybí na konci souboru hodnota"},
      {"QQWRITE 1 0 0 42 0 0\n" + item,
       "řádek 1: u klíčového slova QQWRITE chybí hodnota (na řádku 2 stojí 'QQWRITE')"},
      {"QQWRITE 1 0 0 42 0 0 0 5", "řádek 1: slovo '5' není klíčové slovo, nic nenastaví"},
      {item + "CRC32 projekt 42", ""},
      {"CRC32 projekt $2B", ""},  // without QQWRITE lines: the controller's project, no sum
  };
  for (const auto& c : cases) {
    const std::string reading = Reading(c.text);
    EXPECT_EQ(reading.ends_with("refused"), !c.warning.empty()) << reading;
    EXPECT_EQ(reading.find("log=Upozornění: " + c.warning + " ") != std::string::npos,
              !c.warning.empty())
        << reading;
  }
}

TEST(ConfigReader, NumberSyntax) {
  std::int32_t i = 7;
  EXPECT_TRUE(ParseInt32("-2147483648", i) && i == INT32_MIN);
  EXPECT_FALSE(ParseInt32("2147483648", i));
  EXPECT_TRUE(ParseInt32("$FFFFFFFF", i) && i == -1);
  EXPECT_TRUE(ParseInt32("-0x10", i) && i == -16);
  EXPECT_FALSE(ParseInt32("$100000000", i));
  for (const char* bad : {"", "+", "-", "$", "0x", "12a", "1 2", "0x-1"}) {
    EXPECT_FALSE(ParseInt32(bad, i)) << bad;
  }
  std::int64_t c = 0;
  EXPECT_TRUE(ParseInt64("$FFFFFFFFFFFFFFFF", c) && c == -1);
  EXPECT_FALSE(ParseInt64("18446744073709551616", c));
  double r = 0;
  EXPECT_TRUE(ParseReal("+3.", r) && r == 3.0);
  EXPECT_TRUE(ParseReal(".5E+1", r) && r == 5.0);
  for (const char* bad : {"", ".", "e1", "1e", "1.5.", "inf", "nan", "0x1p3", "1e999"}) {
    EXPECT_FALSE(ParseReal(bad, r)) << bad;
  }
  EXPECT_TRUE(IsIPAddress("$0A.0x0.+0.255"));
  for (const char* bad : {"1..2.3", "1.2.3.-1", "192.168.1", "1.2.3.4.5"}) {
    EXPECT_FALSE(IsIPAddress(bad)) << bad;
  }
}

TEST(ConfigReader, LinesAndTokens) {
  EXPECT_EQ(CountLines(""), 0u);
  EXPECT_EQ(CountLines("a\r\nb\rc\n\nd"), 5u);
  EXPECT_EQ(CountLines("a\n\x1A\nb\nc"), 1u);
  const std::string text = "PORT 1 2 PORT 1 2 PORT 1 2 RS485 RS485 RS485 RS485\nTIMEOUT x\nPORT";
  Recorder recorder;
  ConfigValues values;
  ApplyConfig(text, values, recorder);
  EXPECT_EQ(recorder.token_counts, (std::vector<int>{8})) << "keyword position only";
}

// ReadINI in the fixture's scratch working directory.
class ReadIni : public WindowFixture {
 protected:
  void SetUp() override { Create(); }
  static void Write(const std::filesystem::path& path, const std::string& text) {
    std::filesystem::create_directories(path.parent_path().empty() ? "." : path.parent_path());
    std::ofstream(path, std::ios::binary) << text;
  }
};

TEST_F(ReadIni, MissingFileOrADirectoryIsLoggedAnEmptyFileIsGood) {
  Write("lumadex.ini", "QQWRITE 0 1 2 3 0 0 0\n");
  ASSERT_TRUE(window->ReadINI());
  ASSERT_EQ(window->Config().QQCount, 1);
  std::filesystem::remove("lumadex.ini");
  view.lines.resize(1);
  std::filesystem::create_directories("lumadex.ini");  // exists, but no file to read
  EXPECT_FALSE(window->ReadINI());
  EXPECT_EQ(window->Config().QQCount, 0);
  ASSERT_EQ(view.lines.size(), 3u);
  EXPECT_EQ(view.lines[1], "Zpracování konfiguračního souboru...");
  const std::filesystem::path here = std::filesystem::current_path();
  EXPECT_EQ(view.lines[2], "- soubor lumadex.ini nenalezen (hledán v " +
                               (here / "ovladace" / "vardos2").string() + ", " + here.string() +
                               ")");
  // A file whose reading fails (EIO at offset 0) is a failed read, not an abort.
  std::filesystem::remove("lumadex.ini");
  std::error_code no_link;  // where links or /proc are not at hand, nothing to try
  std::filesystem::create_symlink("/proc/self/mem", "lumadex.ini", no_link);
  if (!no_link) {
    EXPECT_FALSE(window->ReadINI());
  }
  Write("ovladace/vardos2/lumadex.ini", "");
  EXPECT_TRUE(window->ReadINI()) << "an empty file is a good file";
  EXPECT_EQ(view.progress_maximum, 0);
}

// The window program started from the menu names the menu's folder.
TEST_F(ReadIni, MissingFileNamesTheMenuFolder) {
  window->UseMenuConfigFolder("/home/jiri/.config/korvex");
  EXPECT_FALSE(window->ReadINI());
  EXPECT_EQ(view.lines.back(),
            "Z nabídky prostředí se komunikátor spouští v adresáři "
            "/home/jiri/.config/korvex, tam patří jeho lumadex.ini.");
}

std::string Utf16(std::u16string_view text, bool big_endian) {
  std::string bytes = big_endian ? "\xFE\xFF" : "\xFF\xFE";
  for (const char16_t unit : text) {
    const char high = static_cast<char>(unit >> 8);
    const char low = static_cast<char>(unit & 0xFF);
    bytes += big_endian ? std::string{high, low} : std::string{low, high};
  }
  return bytes;
}

// Each encoding an editor saves is read as the text it is, through the
// window's reading of a real file; what is no text is refused, naming the
// file, and queues nothing.
TEST_F(ReadIni, EncodingsAreReadAsTheirTextOrRefused) {
  const std::u16string project =
      u"{ Projekt: žluťoučký kůň \U0001F600 \xD800 }\r\nTCP 10.0.0.1 1998\r\nQQWRITE 1 0 0 42 0 0 0";
  const std::string lines = "TCP 10.0.0.1 1998\r\nQQWRITE 1 0 0 42 0 0 0\r\n";
  const struct {
    const char* name;
    std::string bytes;
    std::string refusal;
  } rows[] = {
      {"UTF-16 LE", Utf16(project, false), ""},
      {"UTF-16 BE", Utf16(project, true), ""},
      {"Windows-1250", "{ Projekt: \x9Elu\x9Do\xE8k\xFD k\xF9\xF2 }\r\n" + lines, ""},
      {"UTF-8 with its mark and CRLF", "\xEF\xBB\xBF{ Projekt: žluťoučký kůň }\r\n" + lines, ""},
      {"UTF-16 without its mark", Utf16(project, false).substr(2),
       "nelze číst jako text: obsahuje nulové bajty (v UTF-16 chybí značka pořadí bajtů)"},
      {"no keyword", "[Komunikace]\r\nPort=2\r\n", "nelze číst jako konfiguraci: nemá ani jedno"},
      {"project cut short", lines + "QQWRITE 1 0 1", "nelze použít: projekt v něm nebyl přečten"},
  };
  const std::string file = (std::filesystem::current_path() / "lumadex.ini").string();
  for (const auto& row : rows) {
    Write("lumadex.ini", row.bytes);
    Create();
    EXPECT_EQ(window->ReadINI(), row.refusal.empty()) << row.name;
    EXPECT_EQ(TranCount(window->Queue()), row.refusal.empty() ? 1 : 0) << row.name;
    if (row.refusal.empty()) {
      EXPECT_EQ(window->Config().TcpSetup.Host, "10.0.0.1") << row.name;
    } else {
      EXPECT_TRUE(view.lines.back().starts_with("- soubor " + file + " " + row.refusal))
          << row.name;
    }
  }
  std::string text;
  EXPECT_EQ(DecodeConfigBytes(Utf16(u"a\U0001F600\xD800ž", true), text), ConfigDecoding::kText);
  EXPECT_EQ(text, "a\xF0\x9F\x98\x80\xEF\xBF\xBDž");
}

TEST_F(ReadIni, FileOfUpToTheBoundIsReadWholeOneByteMoreIsRefused) {
  const struct {
    std::size_t size, bound;
    FileRead result;
  } rows[] = {{0, 0, FileRead::kRead},          {10, 10, FileRead::kRead},
              {11, 10, FileRead::kTooLarge},    {65536, 65536, FileRead::kRead},  // one chunk
              {65537, 65536, FileRead::kTooLarge}, {131072, 131072, FileRead::kRead}};
  for (const auto& row : rows) {
    Write("bytes", std::string(row.size, 'x'));
    std::string bytes = "old";
    EXPECT_EQ(ReadFileBytes("bytes", row.bound, bytes), row.result) << row.size << " of " << row.bound;
    EXPECT_EQ(bytes.size(), row.result == FileRead::kRead ? row.size : 0) << row.size;
  }
}

TEST_F(ReadIni, SubdirectoryFileWinsAndDrivesQueueBarWindowAndLog) {
  Write("lumadex.ini", "PORT 9 9600\n");
  std::string project = "TCP 10.0.0.1 1998 { project }\r\nHWND 77 10 20 5\r\n";
  for (int i = 0; i < 20; ++i) project += "QQWRITE 0 1 " + std::to_string(i) + " 1 0 0 0\r\n";
  project += "QQWRITE 0 1 0 1 0 0 0\r\n";
  Write("ovladace/vardos2/lumadex.ini", project);
  // A timer already due shows when pending events get their turn.
  int progress_seen = -1;
  auto due = loop.CreateTimer("due", 10, [&] { progress_seen = view.progress; });
  due->SetEnabled(true);
  loop.Sleep(10);

  EXPECT_TRUE(window->ReadINI());
  EXPECT_EQ(window->Config().LinkSetup.Port, 1) << "lumadex.ini beside it is not read";
  EXPECT_EQ(view.progress_maximum, 23);
  EXPECT_EQ(view.progress, 24) << "24 tokens in keyword position, the bar moves by 8";
  EXPECT_EQ(progress_seen, 8) << "pending events run at the eighth token";
  EXPECT_EQ(window->Config().QQCount, 21);
  EXPECT_EQ(window->Config().QQChecksum, 21u);
  EXPECT_EQ(TranCount(window->Queue()), 20) << "a repeat of the item's last write is a duplicate";
  ASSERT_NE(window->Queue().Head(), nullptr);
  EXPECT_EQ(window->Queue().Head()->Kind, kKindWrite);
  EXPECT_EQ(window->Queue().Head()->Data, Hex("00 01 00 01 00 00 00"));
  EXPECT_EQ(window->Config().HostWnd, 77);
  EXPECT_TRUE(window->Config().HostWndSet);
  EXPECT_EQ(view.x, 10);
  EXPECT_EQ(view.y, 25);
  EXPECT_EQ(view.lines.size(), 2u) << "nothing to warn of";
}

TEST_F(ReadIni, ClosingPermittedMeansNothingQueued) {
  Write("lumadex.ini", "QQWRITE 0 1 2 3 0 0 0\n");
  window->Image1DblClick();
  EXPECT_TRUE(window->ReadINI());
  EXPECT_EQ(window->Config().QQCount, 1);
  EXPECT_EQ(TranCount(window->Queue()), 0);
}

}  // namespace
}  // namespace korvex
