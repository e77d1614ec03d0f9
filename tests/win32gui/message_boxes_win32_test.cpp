#include "win32gui/message_boxes_win32.h"

#include <gtest/gtest.h>

#include "locale/runtime_texts.h"
#include "win32gui/box_probe_win32.h"

namespace korvex {
namespace {

using Buttons = std::vector<MessageButton>;
using Captions = std::vector<std::wstring>;

struct BoxCase {
  MessageKind kind;
  Buttons buttons;
  BoxAnswer answer;
  MessageButton expected_answer;
  const wchar_t* title;
  Captions captions;
  const wchar_t* default_button;
};

TEST(Win32MessageBoxesTest, CzechTitlesAndButtonsAnswerAsPressed) {
  InstallCzechTexts();
  using enum MessageButton;
  const Buttons yes_no{kYes, kNo};
  const Captions ano_ne{L"&Ano", L"&Ne"};
  // clang-format off
  const BoxCase cases[] = {
      {MessageKind::kError, yes_no, {L"", WM_CHAR, 'n'}, kNo, L"Chyba", ano_ne, L"&Ano"},
      {MessageKind::kError, yes_no, {L"", WM_KEYDOWN, VK_ESCAPE}, kNo, L"Chyba", ano_ne, L"&Ano"},
      {MessageKind::kWarning, yes_no, {L"", WM_KEYDOWN, VK_RETURN}, kYes, L"Varování", ano_ne, L"&Ano"},
      {MessageKind::kInformation, {}, {L"OK"}, kOk, L"Informace", {L"OK"}, L"OK"},
      {MessageKind::kConfirmation, {kOk, kCancel}, {L"", WM_KEYDOWN, VK_ESCAPE}, kCancel, L"Potvrzení",
       {L"OK", L"Zpět"}, L"OK"},
      {MessageKind::kWarning,
       {kYes, kNo, kOk, kCancel, kAbort, kRetry, kIgnore, kAll, kNoToAll, kYesToAll, kHelp},
       {L"Ne pro všechny"}, kNoToAll, L"Varování",
       {L"&Ano", L"&Ne", L"OK", L"Zpět", L"Přerušit", L"Znova", L"Ignorovat", L"Vše",
        L"Ne pro všechny", L"Ano pro všechny", L"Nápověda"}, L"OK"},
  };
  // clang-format on
  for (const BoxCase& c : cases) {
    SCOPED_TRACE(testing::Message() << "case " << (&c - cases));
    Win32MessageBoxes boxes;
    BoxProbe probe(c.answer);
    EXPECT_EQ(boxes.Show(c.kind, "Chyba komunikace !\rPřerušit ?", c.buttons), c.expected_answer);
    const std::optional<SeenBox> seen = probe.Seen();
    ASSERT_TRUE(seen.has_value()) << "no box";
    EXPECT_EQ(seen->title, c.title);
    EXPECT_EQ(seen->text, L"Chyba komunikace !\r\nPřerušit ?");
    EXPECT_NE(seen->icon, nullptr);
    EXPECT_EQ(seen->buttons, c.captions);
    EXPECT_EQ(seen->default_button, c.default_button);
  }
}

}  // namespace
}  // namespace korvex
