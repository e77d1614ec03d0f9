#include "logfile/logged_view.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>

#include "logfile/rotating_log_file.h"
#include "support/recording_view.h"
#include "support/temp_directory.h"

namespace korvex {
namespace {

class RecordingFile : public LineFile {
 public:
  bool WriteLine(std::chrono::system_clock::time_point, std::string_view text) override {
    if (!fail) lines.emplace_back(text);
    return !fail;
  }
  std::string Problem() const override { return "disk plný"; }
  std::vector<std::string> lines;
  bool fail = false;
};

struct TeeCase {
  const char* name;
  bool opened;
  std::function<void(LoggedView&, RecordingFile&)> steps;
  std::vector<std::string> file;
  std::vector<std::string> window;
};
void PrintTo(const TeeCase& c, std::ostream* os) {
  *os << c.name;
}

class Tee : public ::testing::TestWithParam<TeeCase> {};

TEST_P(Tee, FileGetsEachLineOnceCompleted) {
  RecordingView view;
  RecordingFile file;
  {
    LoggedView logged(view, GetParam().opened ? &file : nullptr, "k.log", "No such file");
    GetParam().steps(logged, file);
  }
  EXPECT_EQ(file.lines, GetParam().file);
  EXPECT_EQ(view.lines, GetParam().window);
}

INSTANTIATE_TEST_SUITE_P(
    , Tee,
    ::testing::Values(
        TeeCase{"LineCompletedLater",
                true,
                [](LoggedView& v, RecordingFile&) {
                  v.AddLine("Nahrávání projektu...");
                  v.FileLine("řadič → 5 B: 01");
                  v.AppendToLastLine("OK.");
                  v.AddLine("Konec");
                },
                {"řadič → 5 B: 01", "Nahrávání projektu...OK.", "Konec"},
                {"Nahrávání projektu...OK.", "Konec"}},
        TeeCase{"ClearedWindowKeepsTheFile",
                true,
                [](LoggedView& v, RecordingFile&) {
                  v.AddLine("a");
                  v.ClearLog();
                  v.AppendToLastLine("b");
                },
                {"a", "b"},
                {"b"}},
        TeeCase{"FailedFileToldOnceBeforeTheNextLineAndDropped",
                true,
                [](LoggedView& v, RecordingFile& f) {
                  v.AddLine("Inicializace...");
                  f.fail = true;
                  v.FileLine("řadič → 1 B: 00");
                  v.AppendToLastLine("OK");
                  v.AddLine("dál");
                  f.fail = false;
                  v.AddLine("ještě");
                },
                {},
                {"Inicializace...OK",
                 "Do souboru záznamu k.log nelze zapisovat (disk plný); komunikátor pokračuje "
                 "bez něj.",
                 "dál", "ještě"}},
        TeeCase{"UnopenedFileToldAsTheFirstLine",
                false,
                [](LoggedView& v, RecordingFile&) {
                  v.ClearLog();
                  v.AddLine("Inicializace...");
                },
                {},
                {"Soubor záznamu k.log nelze otevřít (No such file); komunikátor pokračuje bez "
                 "něj.",
                 "Inicializace..."}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(RotatingLogFileOnDisk, KeepsTheNewestFilesOfTheSizeGiven) {
  TempDirectory directory;
  std::string problem;
  {
    auto file = RotatingLogFile::Open({(directory.Path() / "k.log").string(), 1000, 3}, problem);
    ASSERT_NE(file, nullptr) << problem;
    for (int i = 0; i < 200; ++i) {
      ASSERT_TRUE(file->WriteLine(std::chrono::system_clock::now(), "řádek " + std::to_string(i)));
    }
  }
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(directory.Path())) {
    names.push_back(entry.path().filename().string());
    EXPECT_LE(entry.file_size(), 1000u);
  }
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"k.1.log", "k.2.log", "k.log"}));
  std::ifstream in(directory.Path() / "k.log");
  std::string last;
  for (std::string line; std::getline(in, line);) last = line;
  EXPECT_TRUE(last.ends_with(" řádek 199")) << last;
}

}  // namespace
}  // namespace korvex
