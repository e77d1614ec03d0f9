#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "locale/runtime_texts.h"
#include "platform/console_message_boxes.h"
#include "platform/console_output.h"

namespace korvex {
namespace {

// Standard output stand-in: a memory stream.
class Captured {
 public:
  Captured() : file_(open_memstream(&data_, &size_)) {}
  ~Captured() {
    std::fclose(file_);
    std::free(data_);
  }
  std::FILE* file() { return file_; }
  std::string text() {
    std::fflush(file_);
    return std::string(data_, size_);
  }

 private:
  char* data_ = nullptr;
  std::size_t size_ = 0;
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

TEST(ConsoleOutput, LineInterruptedByABoxIsPrintedWholeWhenContinued) {
  Captured out;
  ConsoleOutput console(out.file());
  console.AddLine("Nahrát projekt ? > ");
  console.Block("[Varování] otázka");
  console.AppendToLastLine("Ano");
  EXPECT_EQ(out.text(), "Nahrát projekt ? > \n[Varování] otázka\nNahrát projekt ? > Ano");
}

TEST(ConsoleMessageBoxes, YesNoFollowsThePolicyAndOkIsAcknowledged) {
  InstallCzechTexts();
  Captured out;
  ConsoleOutput console(out.file());
  ConsoleMessageBoxes cautious(console, false);
  ConsoleMessageBoxes willing(console, true);
  const std::vector<MessageButton> yes_no{MessageButton::kYes, MessageButton::kNo};
  EXPECT_EQ(cautious.Show(MessageKind::kError, "Chyba komunikace !\rPřerušit ?", yes_no),
            MessageButton::kNo);
  EXPECT_EQ(willing.Show(MessageKind::kError, "x", yes_no), MessageButton::kYes);
  EXPECT_EQ(cautious.Show(MessageKind::kInformation, "Nemáte oprávnění k této akci.",
                          {MessageButton::kOk}),
            MessageButton::kOk);
  EXPECT_EQ(out.text(),
            "[Chyba] Chyba komunikace !\nPřerušit ?\n  [Ano] [Ne] > Ne\n"
            "[Chyba] x\n  [Ano] [Ne] > Ano\n"
            "[Informace] Nemáte oprávnění k této akci.\n  [OK] > OK\n");
}

}  // namespace
}  // namespace korvex
