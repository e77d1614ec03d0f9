#include "gui/qt_message_boxes.h"

#include <gtest/gtest.h>

#include "gui/message_box_probe.h"
#include "locale/runtime_texts.h"

namespace korvex {
namespace {

class QtMessageBoxesTest : public ::testing::Test {
 protected:
  void SetUp() override { InstallCzechTexts(); }

  // Shows a box, presses `press` in it and tells what was shown.
  SeenBox ShowAndPress(MessageKind kind, std::string_view text,
                       const std::vector<MessageButton>& buttons, const QString& press,
                       MessageButton* answer = nullptr) {
    MessageBoxProbe probe(press);
    const MessageButton pressed = boxes.Show(kind, text, buttons);
    if (answer) *answer = pressed;
    EXPECT_TRUE(probe.seen.has_value()) << "no message box was shown";
    return probe.seen.value_or(SeenBox{});
  }

  QtMessageBoxes boxes;
};

TEST_F(QtMessageBoxesTest, CommunicationErrorQuestionIsCzechWithAcceleratorsAndLineBreak) {
  MessageButton answer = MessageButton::kOk;
  const SeenBox box = ShowAndPress(MessageKind::kError, "Chyba komunikace !\rPřerušit ?",
                                   {MessageButton::kYes, MessageButton::kNo}, "&Ano", &answer);
  EXPECT_EQ(answer, MessageButton::kYes);
  EXPECT_EQ(box.title, QStringLiteral("Chyba"));
  EXPECT_EQ(box.icon, QMessageBox::Critical);
  EXPECT_EQ(box.text, QStringLiteral("Chyba komunikace !\nPřerušit ?"));
  EXPECT_EQ(box.buttons, (QStringList{"&Ano", "&Ne"}));
  ASSERT_EQ(box.shortcuts.size(), 2u);
  EXPECT_EQ(box.shortcuts[0], QKeySequence(Qt::ALT | Qt::Key_A));
  EXPECT_EQ(box.shortcuts[1], QKeySequence(Qt::ALT | Qt::Key_N));
  EXPECT_EQ(box.default_button, QStringLiteral("&Ano"));
}

TEST_F(QtMessageBoxesTest, NoAndEscapeAnswerNo) {
  MessageButton answer = MessageButton::kOk;
  ShowAndPress(MessageKind::kWarning,
               "Chcete přesto nahrát projekt ? (A/N): ", {MessageButton::kYes, MessageButton::kNo},
               "&Ne", &answer);
  EXPECT_EQ(answer, MessageButton::kNo);
  ShowAndPress(MessageKind::kWarning,
               "Chcete přesto nahrát projekt ? (A/N): ", {MessageButton::kYes, MessageButton::kNo},
               "", &answer);
  EXPECT_EQ(answer, MessageButton::kNo);
}

TEST_F(QtMessageBoxesTest, TitlesAndIconsFollowTheKind) {
  struct Case {
    MessageKind kind;
    const char* title;
    QMessageBox::Icon icon;
  };
  for (const Case& c : {Case{MessageKind::kWarning, "Varování", QMessageBox::Warning},
                        Case{MessageKind::kError, "Chyba", QMessageBox::Critical},
                        Case{MessageKind::kInformation, "Informace", QMessageBox::Information},
                        Case{MessageKind::kConfirmation, "Potvrzení", QMessageBox::Question}}) {
    SCOPED_TRACE(c.title);
    MessageButton answer = MessageButton::kNo;
    const SeenBox box = ShowAndPress(c.kind, "Nesouhlasí kontrolní součet projektu !",
                                     {MessageButton::kOk}, "OK", &answer);
    EXPECT_EQ(answer, MessageButton::kOk);
    EXPECT_EQ(box.title, QString::fromUtf8(c.title));
    EXPECT_EQ(box.icon, c.icon);
    EXPECT_EQ(box.buttons, QStringList{"OK"});
  }
}

TEST_F(QtMessageBoxesTest, CancelIsZpetAndTakesEscape) {
  MessageButton answer = MessageButton::kOk;
  const SeenBox box = ShowAndPress(MessageKind::kConfirmation, "Pokračovat ?",
                                   {MessageButton::kOk, MessageButton::kCancel}, "", &answer);
  EXPECT_EQ(answer, MessageButton::kCancel);
  EXPECT_TRUE(box.buttons.contains(QStringLiteral("Zpět")));
  EXPECT_EQ(box.default_button, QStringLiteral("OK"));
}

TEST_F(QtMessageBoxesTest, TextIsShownAsPlainText) {
  const SeenBox box =
      ShowAndPress(MessageKind::kInformation, "<b>QQ_RD 00 01 02|</b>", {MessageButton::kOk}, "OK");
  EXPECT_EQ(box.format, Qt::PlainText);
  EXPECT_EQ(box.text, QStringLiteral("<b>QQ_RD 00 01 02|</b>"));
}

}  // namespace
}  // namespace korvex
