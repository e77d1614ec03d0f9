#include "win32gui/message_boxes_win32.h"

#include <gtest/gtest.h>

#include "locale/runtime_texts.h"
#include "win32gui/box_probe_win32.h"

namespace korvex {
namespace {

struct BoxCase {
  const char* what;
  MessageKind kind;
  std::vector<MessageButton> buttons;
  BoxAnswer answer;
  MessageButton expected_answer;
  const wchar_t* title;
  std::vector<std::wstring> captions;
  const wchar_t* default_button;
};

const std::vector<MessageButton> kYesNo{MessageButton::kYes, MessageButton::kNo};
const std::vector<std::wstring> kAnoNe{L"&Ano", L"&Ne"};

TEST(Win32MessageBoxesTest, CzechTitlesAndButtonsAnswerAsPressed) {
  InstallCzechTexts();
  const BoxCase cases[] = {
      {"yes clicked",
       MessageKind::kError,
       kYesNo,
       {L"&Ano"},
       MessageButton::kYes,
       L"Chyba",
       kAnoNe,
       L"&Ano"},
      {"N typed",
       MessageKind::kError,
       kYesNo,
       {L"", WM_CHAR, 'n'},
       MessageButton::kNo,
       L"Chyba",
       kAnoNe,
       L"&Ano"},
      {"Escape",
       MessageKind::kError,
       kYesNo,
       {L"", WM_KEYDOWN, VK_ESCAPE},
       MessageButton::kNo,
       L"Chyba",
       kAnoNe,
       L"&Ano"},
      {"Enter",
       MessageKind::kWarning,
       kYesNo,
       {L"", WM_KEYDOWN, VK_RETURN},
       MessageButton::kYes,
       L"Varování",
       kAnoNe,
       L"&Ano"},
      {"information",
       MessageKind::kInformation,
       {MessageButton::kOk},
       {L"OK"},
       MessageButton::kOk,
       L"Informace",
       {L"OK"},
       L"OK"},
      {"no buttons asked",
       MessageKind::kConfirmation,
       {},
       {L"OK"},
       MessageButton::kOk,
       L"Potvrzení",
       {L"OK"},
       L"OK"},
      {"cancel",
       MessageKind::kConfirmation,
       {MessageButton::kOk, MessageButton::kCancel},
       {L"", WM_KEYDOWN, VK_ESCAPE},
       MessageButton::kCancel,
       L"Potvrzení",
       {L"OK", L"Zpět"},
       L"OK"},
      {"every button",
       MessageKind::kWarning,
       {MessageButton::kYes, MessageButton::kNo, MessageButton::kOk, MessageButton::kCancel,
        MessageButton::kAbort, MessageButton::kRetry, MessageButton::kIgnore, MessageButton::kAll,
        MessageButton::kNoToAll, MessageButton::kYesToAll, MessageButton::kHelp},
       {L"Ne pro všechny"},
       MessageButton::kNoToAll,
       L"Varování",
       {L"&Ano", L"&Ne", L"OK", L"Zpět", L"Přerušit", L"Znova", L"Ignorovat", L"Vše",
        L"Ne pro všechny", L"Ano pro všechny", L"Nápověda"},
       L"OK"},
  };
  for (const BoxCase& c : cases) {
    SCOPED_TRACE(c.what);
    Win32MessageBoxes boxes;
    BoxProbe probe(c.answer);
    EXPECT_EQ(boxes.Show(c.kind, "Chyba komunikace !\rPřerušit ?", c.buttons), c.expected_answer);
    const std::optional<SeenBox> seen = probe.Seen();
    ASSERT_TRUE(seen.has_value()) << "no box";
    EXPECT_EQ(seen->title, c.title);
    EXPECT_EQ(seen->text, L"Chyba komunikace !\r\nPřerušit ?");
    EXPECT_TRUE(seen->has_icon);
    EXPECT_EQ(seen->buttons, c.captions);
    EXPECT_EQ(seen->default_button, c.default_button);
  }
}

}  // namespace
}  // namespace korvex
