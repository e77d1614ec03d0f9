#include "locale/runtime_texts.h"

#include <gtest/gtest.h>

namespace korvex {
namespace {

// The table is process-wide and only ever switched to Czech, so the English
// side is checked through the pairs themselves before installing.
TEST(RuntimeTexts, AllTwentySevenTextsTurnCzechAndStaySo) {
  InstallCzechTexts();
  const std::pair<FrameworkText, std::string_view> expected[] = {
      {FrameworkText::kMsgWarning, "Varování"},     {FrameworkText::kMsgError, "Chyba"},
      {FrameworkText::kMsgInformation, "Informace"}, {FrameworkText::kMsgConfirm, "Potvrzení"},
      {FrameworkText::kMsgYes, "&Ano"},             {FrameworkText::kMsgNo, "&Ne"},
      {FrameworkText::kMsgOK, "OK"},                {FrameworkText::kMsgCancel, "Zpět"},
      {FrameworkText::kMsgAbort, "Přerušit"},       {FrameworkText::kMsgRetry, "Znova"},
      {FrameworkText::kMsgIgnore, "Ignorovat"},     {FrameworkText::kMsgAll, "Vše"},
      {FrameworkText::kMsgNoToAll, "Ne pro všechny"}, {FrameworkText::kMsgYesToAll, "Ano pro všechny"},
      {FrameworkText::kMsgHelp, "Nápověda"},        {FrameworkText::kHelpNotice, "Není nápověda"},
      {FrameworkText::kHelpTitle, "Nápověda"},      {FrameworkText::kBtnOK, "OK"},
      {FrameworkText::kBtnCancel, "Zpět"},          {FrameworkText::kBtnHelp, "Nápověda"},
      {FrameworkText::kBtnYes, "&Ano"},             {FrameworkText::kBtnNo, "&Ne"},
      {FrameworkText::kBtnClose, "Zavřít"},         {FrameworkText::kBtnAbort, "Přerušit"},
      {FrameworkText::kBtnRetry, "Znova"},          {FrameworkText::kBtnIgnore, "&Ignorovat"},
      {FrameworkText::kBtnAll, "&Vše"},
  };
  static_assert(std::size(expected) == kFrameworkTextCount);
  for (const auto& [text, czech] : expected) {
    EXPECT_EQ(LookupText(text), czech) << static_cast<int>(text);
  }
  InstallCzechTexts();
  EXPECT_EQ(LookupText(FrameworkText::kMsgYes), "&Ano") << "installing twice changes nothing";
}

TEST(RuntimeTexts, MessageBoxTitlesAndButtonsFollowTheTable) {
  InstallCzechTexts();
  EXPECT_EQ(MessageTitle(MessageKind::kWarning), "Varování");
  EXPECT_EQ(MessageTitle(MessageKind::kError), "Chyba");
  EXPECT_EQ(MessageTitle(MessageKind::kInformation), "Informace");
  EXPECT_EQ(MessageTitle(MessageKind::kConfirmation), "Potvrzení");
  EXPECT_EQ(MessageButtonCaption(MessageButton::kYes), "&Ano");
  EXPECT_EQ(MessageButtonCaption(MessageButton::kNo), "&Ne");
  EXPECT_EQ(MessageButtonCaption(MessageButton::kOk), "OK");
  EXPECT_EQ(MessageButtonCaption(MessageButton::kCancel), "Zpět");
  EXPECT_EQ(MessageButtonCaption(MessageButton::kYesToAll), "Ano pro všechny");
  EXPECT_EQ(MessageButtonCaption(MessageButton::kHelp), "Nápověda");
}

TEST(RuntimeTexts, AcceleratorMarksComeOffForPlainText) {
  EXPECT_EQ(WithoutAccelerator("&Ano"), "Ano");
  EXPECT_EQ(WithoutAccelerator("N&o to All"), "No to All");
  EXPECT_EQ(WithoutAccelerator("A && B"), "A & B");
  EXPECT_EQ(WithoutAccelerator("konec&"), "konec&");
  EXPECT_EQ(WithoutAccelerator(""), "");
}

}  // namespace
}  // namespace korvex
