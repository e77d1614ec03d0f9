#include "locale/runtime_texts.h"

#include <gtest/gtest.h>

namespace korvex {
namespace {

TEST(RuntimeTexts, AllTwentySevenTextsTurnCzechAndStaySo) {
  RuntimeTexts texts;
  EXPECT_EQ(texts.LookupText(FrameworkText::kMsgNoToAll), "N&o to All") << "English until installed";
  texts.InstallCzechTexts();
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
    EXPECT_EQ(texts.LookupText(text), czech) << static_cast<int>(text);
  }
  texts.InstallCzechTexts();
  EXPECT_EQ(texts.LookupText(FrameworkText::kMsgYes), "&Ano") << "installing twice changes nothing";
  EXPECT_EQ(RuntimeTexts{}.LookupText(FrameworkText::kMsgYes), "&Yes") << "each owner its own";
}

TEST(RuntimeTexts, MessageBoxTitlesAndButtonsFollowTheTable) {
  RuntimeTexts texts;
  texts.InstallCzechTexts();
  EXPECT_EQ(texts.MessageTitle(MessageKind::kWarning), "Varování");
  EXPECT_EQ(texts.MessageTitle(MessageKind::kError), "Chyba");
  EXPECT_EQ(texts.MessageTitle(MessageKind::kInformation), "Informace");
  EXPECT_EQ(texts.MessageTitle(MessageKind::kConfirmation), "Potvrzení");
  EXPECT_EQ(texts.MessageButtonCaption(MessageButton::kYes), "&Ano");
  EXPECT_EQ(texts.MessageButtonCaption(MessageButton::kNo), "&Ne");
  EXPECT_EQ(texts.MessageButtonCaption(MessageButton::kOk), "OK");
  EXPECT_EQ(texts.MessageButtonCaption(MessageButton::kCancel), "Zpět");
  EXPECT_EQ(texts.MessageButtonCaption(MessageButton::kYesToAll), "Ano pro všechny");
  EXPECT_EQ(texts.MessageButtonCaption(MessageButton::kHelp), "Nápověda");
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
