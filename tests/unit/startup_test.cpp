#include <csignal>

#include "support/bytes.h"
#include "support/fake_controller.h"
#include "support/window_fixture.h"

namespace korvex {
namespace {

const std::string kFirmwareCode = Hex("00 00 02");
const std::string kCrcCode = Hex("A4 01 A2");
// 1.11.2005 v.4.046, and the same date with version 4.101.
constexpr std::uint32_t kFirmware4046 = 111054046;
constexpr std::uint32_t kFirmware4101 = 111054101;
constexpr std::uint32_t kMonthZero = 100054046;

const std::string kLink = "TCP 127.0.0.1 1998 TIMEOUT 0.5\n";
const std::string kProject =
    "QQWRITE 1 0 0 10 0 0 0\nQQWRITE 1 0 1 20 0 0 0\nQQWRITE 1 0 2 30 0 0 0\n";
const std::string kFirmwareWindow = "FIRMWARE 4046 4100\n";
const std::string kRule(60, '-');
const std::string kQuestion =
    "Projekt je pro verze od 4.046 do 4.100.\rFirmware v VX2 je 1.11.2005 v.4.101.\r"
    "Chcete přesto nahrát projekt ? (A/N): ";

enum class Next { kIdle, kUpload, kRun, kClose, kRunAndClose };

struct StartupCase {
  const char* name;
  std::vector<std::string> arguments{};
  std::string config;  // empty: no configuration file
  FakeSocketClient::ConnectBehaviour connect = FakeSocketClient::ConnectBehaviour::kAtOnce;
  std::uint32_t firmware = kFirmware4046;
  std::uint32_t crc = 0xABCD;
  std::set<std::size_t> unanswered{};
  std::vector<MessageButton> answers{};
  // Lines that must appear, in this order, with others between them.
  std::vector<std::string> lines{};
  std::vector<std::string> absent{};  // lines that must not appear
  std::vector<std::string> boxes{};
  Next next;
  RunOutcome outcome = RunOutcome::kDone;
  bool can_enabled = false;
  int queued = 0;
  bool framed = false;  // the project's entries are framed for the upload
};
void PrintTo(const StartupCase& c, std::ostream* os) {
  *os << c.name;
}

const StartupCase kCases[] = {
    {.name = "MissingConfigurationClosesAfterTheBox",
     .config = "",
     .lines = {"Inicializace...OK", "Zpracování konfiguračního souboru...",
               "CHYBA při načítání konfiguračního souboru!"},
     .boxes = {"CHYBA při načítání konfiguračního souboru!\rSoubor lumadex.ini nebyl nalezen"},
     .next = Next::kClose,
     .outcome = RunOutcome::kConfigurationError},
    {.name = "InvalidTcpLineClosesAfterTheBox",
     .arguments = {"/DDE"},
     .config = "TCP kontroler 1998\n",
     .lines = {"TCP/IP - chyba definice!", "CHYBA při načítání konfiguračního souboru!"},
     .boxes = {"CHYBA při načítání konfiguračního souboru!\rSoubor "},
     .next = Next::kClose,
     .outcome = RunOutcome::kConfigurationError},
    {.name = "ProjectWithoutLinkClosesInUploadMode",
     .config = kLink + kProject + kFirmwareWindow,
     .connect = FakeSocketClient::ConnectBehaviour::kRefused,
     .lines = {"Konfigurační soubor načten v pořádku.", kRule, "Host: 127.0.0.1 : 1998",
               "Chyba při otevření komunikace ! (spojení odmítnuto)", kRule, "CRC projektu = 0", "CRC QQ dat = 3C"},
     .absent = {"Chyba při připojování.", "Přerušeno uživatelem.", "Projekt obsahuje 3 položek."},
     .next = Next::kClose,
     .outcome = RunOutcome::kLinkFailed,
     .queued = 3},
    {.name = "ProjectWithoutLinkClosesInHostModeToo",
     .arguments = {"/DDE"},
     .config = kLink + kProject,
     .connect = FakeSocketClient::ConnectBehaviour::kNever,
     .lines = {"Chyba při otevření komunikace ! (vypršel časový limit spojení)", "CRC projektu = 0", "Start RUN režimu !",
               "VX2: Chyba při detekci CRC !"},
     .next = Next::kRunAndClose,
     .outcome = RunOutcome::kLinkFailed,
     .queued = 3},
    {.name = "ProjectWithoutFirmwareWindowStaysIdle",
     .config = kLink + kProject,
     .lines = {"Projekt obsahuje 3 položek.", "Převedeno na 4 komunikačních zpráv.",
               "CRC projektu = 0", "CRC QQ dat = 3C"},
     .next = Next::kIdle,
     .queued = 4,
     .framed = true},
    {.name = "SuitableFirmwareStartsTheUploadWithoutAQuestion",
     .arguments = {"/dde"},
     .config = kLink + kProject + kFirmwareWindow + "CRC32 x 0x3C\n",
     .lines = {"Projekt obsahuje 3 položek.", "Převedeno na 4 komunikačních zpráv.",
               "Pro firmware verze od 4.046 do 4.100", "", "Firmware v VX2 je 1.11.2005 v.4.046",
               "CRC projektu = 3C", "CRC QQ dat = 3C"},
     .next = Next::kUpload,
     .queued = 4,
     .framed = true},
    {.name = "FirmwareAtTheUpperBoundIsSuitable",
     .arguments = {"/dde"},
     .config = kLink + kProject + "FIRMWARE 4000 4046\n",
     .lines = {"Pro firmware verze od 4.000 do 4.046", "", "Firmware v VX2 je 1.11.2005 v.4.046"},
     .next = Next::kUpload,
     .queued = 4,
     .framed = true},
    {.name = "FirmwareAboveTheWindowAnsweredYesUploads",
     .config = kLink + kProject + kFirmwareWindow,
     .firmware = kFirmware4101,
     .answers = {MessageButton::kYes},
     .lines = {"Firmware v VX2 je 1.11.2005 v.4.101", "Nahrát projekt ? > Ano"},
     .boxes = {kQuestion},
     .next = Next::kUpload,
     .queued = 4,
     .framed = true},
    {.name = "FirmwareAboveTheWindowAnsweredNoCloses",
     .arguments = {"x", "/DDE"},
     .config = kLink + kProject + kFirmwareWindow,
     .firmware = kFirmware4101,
     .answers = {MessageButton::kNo},
     .lines = {"Nahrát projekt ? > Ne"},
     .boxes = {kQuestion},
     .next = Next::kClose,
     .outcome = RunOutcome::kUploadDeclined,
     .queued = 4,
     .framed = true},
    {.name = "FirmwareWithMonthZeroAsks",
     .config = kLink + kProject + "FIRMWARE 0 4100\n",
     .firmware = kMonthZero,
     .answers = {MessageButton::kNo},
     .lines = {"Pro firmware verze od ? do 4.100", "Firmware v VX2 je 1.0.2005 v.4.046",
               "Nahrát projekt ? > Ne"},
     .boxes = {"Projekt je pro verze od ? do 4.100.\rFirmware v VX2 je 1.0.2005 v.4.046.\r"
               "Chcete přesto nahrát projekt ? (A/N): "},
     .next = Next::kClose,
     .outcome = RunOutcome::kUploadDeclined,
     .queued = 4,
     .framed = true},
    {.name = "FirmwareBelowTheOnlyLowerBoundAsks",
     .config = kLink + kProject + "FIRMWARE 4050 0\n",
     .answers = {MessageButton::kNo},
     .lines = {"Pro firmware verze od 4.050 do ?", "Firmware v VX2 je 1.11.2005 v.4.046",
               "Nahrát projekt ? > Ne"},
     .boxes = {"Projekt je pro verze od 4.050 do ?.\rFirmware v VX2 je 1.11.2005 v.4.046.\r"
               "Chcete přesto nahrát projekt ? (A/N): "},
     .next = Next::kClose,
     .outcome = RunOutcome::kUploadDeclined,
     .queued = 4,
     .framed = true},
    {.name = "UnreadableFirmwareCountsAsUnsuitable",
     .config = kLink + kProject + kFirmwareWindow,
     .unanswered = {0, 1, 2},
     .answers = {MessageButton::kYes},
     .lines = {"Firmware v VX2: Chyba při detekci !", "Nahrát projekt ? > Ano"},
     .boxes = {"Projekt je pro verze od 4.046 do 4.100.\rFirmware v VX2: Chyba při detekci !.\r"
               "Chcete přesto nahrát projekt ? (A/N): "},
     .next = Next::kUpload,
     .queued = 4,
     .framed = true},
    {.name = "HostModeQueuesTheProjectForTheRunLoop",
     .arguments = {"/DDE"},
     .config = kLink + kProject + "CRC32 x 0x3C HWND 777 0 0 0\n",
     .crc = 0x3C,
     .lines = {"Převedeno na 4 komunikačních zpráv.", "CRC projektu = 3C", "CRC QQ dat = 3C", kRule,
               "Start RUN režimu !", "Popisovač komunikátoru: 4242", "Popisovač ovladače: 777",
               kRule, "VX2: Kontrolní součet (CRC) = 3C (OK)", kRule},
     .next = Next::kRun,
     .can_enabled = true,
     .queued = 4,
     .framed = true},
    {.name = "HostModeWithFirmwareWindowChecksWithoutAskingAndCloses",
     .arguments = {"/DDE"},
     .config = kLink + kProject + kFirmwareWindow,
     .firmware = kFirmware4101,
     .lines = {"Firmware v VX2 je 1.11.2005 v.4.101", "Start RUN režimu !",
               "VX2: Kontrolní součet (CRC) = ABCD (Chyba!)"},
     .boxes = {"Nesouhlasí kontrolní součet projektu !"},
     .next = Next::kRunAndClose,
     .queued = 4,
     .framed = true},
    {.name = "UploadModeWithoutProjectStaysIdle",
     .config = kLink,
     .lines = {"Konfigurační soubor načten v pořádku.", "CRC projektu = 0"},
     .next = Next::kIdle},
    {.name = "HostModeWithoutLinkStillRuns",
     .arguments = {"/DDE"},
     .config = kLink,
     .connect = FakeSocketClient::ConnectBehaviour::kRefused,
     .lines = {"Chyba při otevření komunikace ! (spojení odmítnuto)", "Start RUN režimu !",
               "VX2: Chyba při detekci CRC !"},
     .next = Next::kRun},
    {.name = "HostModeWithUnreadableChecksumRuns",
     .arguments = {"/DDE"},
     .config = kLink + "CRC32 x 0xABCD\n",
     .unanswered = {0, 1, 2},
     .lines = {"Start RUN režimu !", "VX2: Chyba při detekci CRC !", kRule},
     .next = Next::kRun},
};

class Startup : public WindowFixture, public ::testing::WithParamInterface<StartupCase> {
 protected:
  // True when `expected` appears in `lines` in this order.
  static bool InOrder(const std::vector<std::string>& lines,
                      const std::vector<std::string>& expected) {
    auto at = lines.begin();
    for (const auto& line : expected) {
      at = std::find(at, lines.end(), line);
      if (at == lines.end()) return false;
      ++at;
    }
    return true;
  }

  FakeController controller{socket};
};

TEST_P(Startup, OutcomeByModeAndConfiguration) {
  const StartupCase& c = GetParam();
  if (!c.config.empty()) WriteConfig(c.config);
  socket.behaviour = c.connect;
  controller.items = {{kFirmwareCode, c.firmware}, {kCrcCode, c.crc}};
  controller.unanswered = c.unanswered;
  boxes.answers.assign(c.answers.begin(), c.answers.end());
  Create(c.arguments);

  window->TimerStartupTimer();

  EXPECT_TRUE(InOrder(view.lines, c.lines)) << ::testing::PrintToString(view.lines);
  for (const auto& line : c.absent) EXPECT_FALSE(InOrder(view.lines, {line})) << line;
  // Each box begins with its row's text (a refusal's reason follows).
  std::vector<std::string> shown;
  for (std::size_t i = 0; i < boxes.shown.size(); ++i) {
    shown.push_back(boxes.shown[i].text.substr(0, i < c.boxes.size() ? c.boxes[i].size() : 0));
  }
  EXPECT_EQ(shown, c.boxes);
  const bool upload = c.next == Next::kUpload;
  const bool run = c.next == Next::kRun || c.next == Next::kRunAndClose;
  const bool close = c.next == Next::kClose || c.next == Next::kRunAndClose;
  EXPECT_EQ(loop.TimerNamed("Timer1").Enabled(), upload);
  EXPECT_EQ(loop.TimerNamed("TimerRun").Enabled(), run);
  EXPECT_EQ(loop.TimerNamed("TimerRemote").Enabled(), close);
  EXPECT_EQ(window->IsUploadConfirmed(), upload || (run && close && c.framed));
  EXPECT_EQ(view.can_enabled, c.can_enabled);
  EXPECT_EQ(TranCount(window->Queue()), c.queued);
  EXPECT_EQ(window->Result(), c.outcome);
  const bool announced = std::any_of(desktop.outgoing.begin(), desktop.outgoing.end(),
                                     [this](const FakeHostDesktop::Outgoing& o) {
                                       return o.window == window->Config().HostWnd && o.wparam == 0 &&
                                              o.lparam == FakeHostDesktop::kOwnHandle;
                                     });
  EXPECT_EQ(announced, window->IsDdeMode() && window->Config().HostWnd != 0);
  if (c.framed) {
    ASSERT_EQ(c.queued, 4);
    EXPECT_EQ(window->Queue().Head()->Data, Hex("00 00 00 00 00 00 00"));
    EXPECT_EQ(window->Queue().Head()->Next->Data,
              Hex("01 00 00 0A 00 00 00 01 00 01 14 00 00 00 01 00 02 1E 00 00 00"));
    EXPECT_EQ(window->Queue().Head()->Next->Next->Data, Hex("00 00 03 3C 00 00 00"));
  }

  Advance(5000);
  EXPECT_EQ(view.closed, close || upload);
  if (upload) {
    ASSERT_GE(controller.requests.size(), 4u);
    EXPECT_EQ(controller.requests[controller.requests.size() - 4],
              "QQ" + Hex("00 00 00 00 00 00 00"));
  }
  if (c.next == Next::kRun && c.queued > 0) {
    EXPECT_EQ(controller.requests.back(), "QQ" + Hex("00 00 00 01 00 00 00"))
        << "the RUN loop sends the project like any queued write";
  }
}

INSTANTIATE_TEST_SUITE_P(, Startup, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

using StartupClose = Startup;

// A close that comes due inside the sequence waits until it has returned;
// the waits it interrupts end at once.
TEST_F(StartupClose, SignalDuringTheConnectWaitEndsTheSequenceThenCloses) {
  WriteConfig(kLink);
  socket.behaviour = FakeSocketClient::ConnectBehaviour::kNever;
  Create({"/DDE"});
  auto signal = loop.CreateTimer("signal", 2000, [this] { window->TerminationSignal(SIGTERM); });
  signal->SetEnabled(true);

  window->TimerStartupTimer();
  signal->SetEnabled(false);

  EXPECT_LT(loop.Now(), 3000) << "the 60-s connect wait ended with the signal";
  EXPECT_TRUE(InOrder(
      view.lines, {"Přijat signál SIGTERM: ukončuji komunikátor.", "Start RUN režimu !", kRule}));
  EXPECT_EQ(view.lines.back(), kRule) << "the sequence went to its end";
  EXPECT_FALSE(view.closed) << "not while the sequence ran";
  Advance(100);
  EXPECT_TRUE(view.closed);
  EXPECT_FALSE(loop.TimerNamed("TimerRun").Enabled());
}

}  // namespace
}  // namespace korvex
