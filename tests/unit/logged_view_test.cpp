#include "platform/logfile/logged_view.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>

#include "platform/logfile/rotating_log_file.h"
#include "support/recording_view.h"
#include "support/temp_directory.h"

namespace korvex {
namespace {

class RecordingFile : public LineFile {
 public:
  bool WriteLine(std::chrono::system_clock::time_point, std::string_view text) override {
    if (fail) return false;
    lines.emplace_back(text);
    return true;
  }
  std::string Problem() const override { return "disk plný"; }
  std::vector<std::string> lines;
  bool fail = false;
};

struct TeeCase {
  const char* name;
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
    LoggedView logged(view, &file, "k.log", "");
    GetParam().steps(logged, file);
  }
  EXPECT_EQ(file.lines, GetParam().file);
  EXPECT_EQ(view.lines, GetParam().window);
}

const std::string kFailed =
    "Do souboru záznamu k.log nelze zapisovat (disk plný); komunikátor pokračuje bez něj.";

INSTANTIATE_TEST_SUITE_P(, Tee,
                         ::testing::Values(TeeCase{"LineCompletedLater",
                                                   [](LoggedView& v, RecordingFile&) {
                                                     v.AddLine("Nahrávání projektu...");
                                                     v.FileLine("řadič → 5 B: 01");
                                                     v.AppendToLastLine("OK.");
                                                     v.AddLine("Konec");
                                                   },
                                                   {"řadič → 5 B: 01", "Nahrávání projektu...OK.",
                                                    "Konec"},
                                                   {"Nahrávání projektu...OK.", "Konec"}},
                                           TeeCase{"AppendWithoutALineStartsOne",
                                                   [](LoggedView& v, RecordingFile&) {
                                                     v.AppendToLastLine("bez odpovědi!");
                                                     v.AddLine("");
                                                   },
                                                   {"bez odpovědi!", ""},
                                                   {"bez odpovědi!", ""}},
                                           TeeCase{"ClearedWindowKeepsTheFile",
                                                   [](LoggedView& v, RecordingFile&) {
                                                     v.AddLine("a");
                                                     v.ClearLog();
                                                     v.AppendToLastLine("b");
                                                   },
                                                   {"a", "b"},
                                                   {"b"}},
                                           TeeCase{"FailedFileToldOnceBeforeTheNextLineAndDropped",
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
                                                   {"Inicializace...OK", kFailed, "dál", "ještě"}}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(TeeWithoutFile, FileThatCouldNotOpenIsToldAsTheFirstLine) {
  RecordingView view;
  LoggedView logged(view, nullptr, "/x/k.log", "No such file or directory");
  logged.ClearLog();
  logged.AddLine("Inicializace...");
  EXPECT_EQ(view.lines,
            (std::vector<std::string>{"Soubor záznamu /x/k.log nelze otevřít (No such file or "
                                      "directory); komunikátor pokračuje bez něj.",
                                      "Inicializace..."}));
}

TEST(RotatingLogFileOnDisk, KeepsTheNewestFilesOfTheSizeGiven) {
  TempDirectory directory;
  const auto path = directory.Path() / "k.log";
  std::string problem;
  {
    auto file = RotatingLogFile::Open({path.string(), 1000, 3}, problem);
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
  std::ifstream in(path);
  std::string last;
  for (std::string line; std::getline(in, line);) last = line;
  EXPECT_TRUE(last.ends_with(" řádek 199")) << last;
}

}  // namespace
}  // namespace korvex
