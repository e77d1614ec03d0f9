#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "console/console_message_boxes.h"
#include "console/console_output.h"
#include "locale/runtime_texts.h"
#include "support/virtual_event_loop.h"

namespace korvex {
namespace {

// Standard output stand-in: a temporary file, read back whole.
class Captured {
 public:
  Captured() : file_(std::tmpfile()) {}
  ~Captured() { std::fclose(file_); }
  std::FILE* file() { return file_; }
  std::string text() {
    std::fflush(file_);
    const long size = std::ftell(file_);
    std::string data(static_cast<std::size_t>(size), '\0');
    std::rewind(file_);
    const std::size_t got = std::fread(data.data(), 1, data.size(), file_);
    std::fseek(file_, 0, SEEK_END);
    data.resize(got);
    return data;
  }

 private:
  std::FILE* file_;
};

TEST(ConsoleOutput, AppendedTextContinuesTheOpenLine) {
  Captured out;
  {
    ConsoleOutput console(out.file());
    console.AddLine("Inicializace...");
    EXPECT_EQ(out.text(), "Inicializace...") << "shown at once, line still open";
    console.AppendToLastLine("OK");
    console.AddLine("čekám");
    console.AppendToLastLine(".");
    console.AppendToLastLine(".");
    EXPECT_EQ(out.text(), "Inicializace...OK\nčekám..");
  }
  EXPECT_EQ(out.text(), "Inicializace...OK\nčekám..\n") << "the last line ends at exit";
}

TEST(ConsoleMessageBoxes, BoxesGoToStandardErrorAndTheLogStaysExact) {
  RuntimeTexts texts;
  texts.InstallCzechTexts();
  Captured out;
  Captured err;
  ConsoleOutput console(out.file());
  ConsoleMessageBoxes cautious(console, err.file(), false);
  ConsoleMessageBoxes willing(console, err.file(), true);
  cautious.UseTexts(&texts);
  willing.UseTexts(&texts);
  const std::vector<MessageButton> yes_no{MessageButton::kYes, MessageButton::kNo};
  console.AddLine("Nahrát projekt ? > ");
  EXPECT_EQ(cautious.Show(MessageKind::kWarning, "Chcete ? (A/N): ", yes_no), MessageButton::kNo);
  console.AppendToLastLine("Ne");
  EXPECT_EQ(willing.Show(MessageKind::kError, "x", yes_no), MessageButton::kYes);
  EXPECT_EQ(cautious.Show(MessageKind::kInformation, "Nemáte oprávnění k této akci.",
                          {MessageButton::kOk}),
            MessageButton::kOk);
  EXPECT_EQ(out.text(), "Nahrát projekt ? > Ne");
  EXPECT_EQ(err.text(),
            "\n[Varování] Chcete ? (odpověď podle --assume: Ne)\n  [Ano] [Ne] > Ne\n"
            "\n[Chyba] x\n  [Ano] [Ne] > Ano\n"
            "\n[Informace] Nemáte oprávnění k této akci.\n  [OK] > OK\n")
      << "a box breaks the open log line on a shared terminal";
}

TEST(ConsoleMessageBoxes, CommunicationQuestionIsAnsweredYesFromItsNthAsking) {
  RuntimeTexts texts;
  texts.InstallCzechTexts();
  Captured out;
  Captured err;
  ConsoleOutput console(out.file());
  ConsoleMessageBoxes boxes(console, err.file(), false);
  boxes.UseTexts(&texts);
  boxes.YesFrom("Chyba komunikace !\rPřerušit ?", 3);
  const std::vector<MessageButton> yes_no{MessageButton::kYes, MessageButton::kNo};
  std::vector<MessageButton> answers;
  for (int i = 0; i < 2; ++i) {
    answers.push_back(boxes.Show(MessageKind::kError, "Chyba komunikace !\rPřerušit ?", yes_no));
    answers.push_back(boxes.Show(MessageKind::kWarning, "Jiná otázka", yes_no));
  }
  answers.push_back(boxes.Show(MessageKind::kError, "Chyba komunikace !\rPřerušit ?", yes_no));
  answers.push_back(boxes.Show(MessageKind::kError, "Chyba komunikace !\rPřerušit ?", yes_no));
  EXPECT_EQ(answers, (std::vector<MessageButton>{MessageButton::kNo, MessageButton::kNo,
                                                 MessageButton::kNo, MessageButton::kNo,
                                                 MessageButton::kYes, MessageButton::kYes}));
  EXPECT_NE(err.text().find("[Chyba] Chyba komunikace !\nPřerušit ?\n  [Ano] [Ne] > Ano\n"),
            std::string::npos);
  EXPECT_EQ(out.text(), "");
}

TEST(ConsoleMessageBoxes, QuestionsAreAnsweredASecondLaterWhileTheLoopRuns) {
  Captured out;
  ConsoleOutput console(out.file());
  VirtualEventLoop loop;
  ConsoleMessageBoxes boxes(console, out.file(), false);
  boxes.AnswerAfter(loop, 1000);
  int ticks = 0;
  const auto other = loop.CreateTimer("other", 100, [&ticks] { ++ticks; });
  other->SetEnabled(true);
  EXPECT_EQ(boxes.Show(MessageKind::kError, "?", {MessageButton::kYes, MessageButton::kNo}),
            MessageButton::kNo);
  EXPECT_EQ(std::make_pair(loop.Now(), ticks), std::make_pair(std::int64_t{1000}, 10));
  boxes.Show(MessageKind::kWarning, "!", {MessageButton::kOk});
  EXPECT_EQ(loop.Now(), 1000) << "a notice is acknowledged at once";
}

}  // namespace
}  // namespace korvex
