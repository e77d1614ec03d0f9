#include "logfile/logged_view.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <thread>

#include "logfile/rotating_log_file.h"
#include "support/recording_view.h"
#include "support/temp_directory.h"

namespace korvex {
namespace {

class RecordingFile : public LineFile {
 public:
  void WriteLine(std::chrono::system_clock::time_point, std::string_view text) override {
    lines.emplace_back(text);
  }
  State Now() const override { return state; }
  void Stop(const char* problem) { state = {state.stops + 1, problem, false}; }
  std::vector<std::string> lines;
  State state;
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
    LoggedView logged(view, GetParam().opened ? &file : nullptr, "k.log", "neotevřen");
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
        TeeCase{
            "FullFileToldOnceBeforeTheNextLineAndItsRecoveryOnce",
            true,
            [](LoggedView& v, RecordingFile& f) {
              v.AddLine("Inicializace...");
              f.Stop("disk plný");
              v.FileLine("řadič → 1 B: 00");
              v.AppendToLastLine("OK");
              v.AddLine("dál");
              v.AddLine("ještě");
              f.state.writing = true;
              v.AddLine("znovu");
              v.AddLine("konec");
              // Stopped and written again between two lines: both told.
              f.Stop("kvóta");
              f.state.writing = true;
              v.AddLine("nakonec");
            },
            {"řadič → 1 B: 00", "Inicializace...OK", "dál", "ještě", "znovu", "konec", "nakonec"},
            {"Inicializace...OK",
             "Do souboru záznamu k.log nelze zapisovat (disk plný); komunikátor to zkouší dál.",
             "dál", "ještě", "Do souboru záznamu k.log se opět zapisuje.", "znovu", "konec",
             "Do souboru záznamu k.log nelze zapisovat (kvóta); komunikátor to zkouší dál.",
             "Do souboru záznamu k.log se opět zapisuje.", "nakonec"}},
        TeeCase{"UnopenedFileToldAsTheFirstLine",
                false,
                [](LoggedView& v, RecordingFile&) {
                  v.ClearLog();
                  v.AddLine("Inicializace...");
                },
                {},
                {"neotevřen", "Inicializace..."}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(RotatingLogFileOnDisk, KeepsTheNewestFilesOfTheSizeGiven) {
  TempDirectory directory;
  std::string problem;
  {
    auto file = RotatingLogFile::Open({(directory.Path() / "k.log").string(), 1000, 3}, problem);
    ASSERT_NE(file, nullptr) << problem;
    for (int i = 0; i < 200; ++i) {
      file->WriteLine(std::chrono::system_clock::now(), "řádek " + std::to_string(i));
    }
    // A host's text cannot forge a line of its own.
    file->WriteLine(std::chrono::system_clock::now(), "a\n2026-01-01T00:00:00.000+00:00 b\x7F|");
  }
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(directory.Path())) {
    names.push_back(entry.path().filename().string());
    EXPECT_LE(entry.file_size(), 1000u);
  }
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"k.1.log", "k.2.log", "k.log"}));
  std::ifstream in(directory.Path() / "k.log");
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  ASSERT_GE(lines.size(), 2u);
  EXPECT_TRUE(lines[lines.size() - 2].ends_with(" řádek 199")) << lines[lines.size() - 2];
  EXPECT_TRUE(lines.back().ends_with(" a\\x0A2026-01-01T00:00:00.000+00:00 b\\x7F|"))
      << lines.back();
}

// A folder holds the name the file rotates to: the same Czech on every platform.
TEST(RotatingLogFileOnDisk, RefusedRotationSaysWhy) {
  TempDirectory directory;
  std::filesystem::create_directories(directory.Path() / "k.1.log" / "taken");
  std::string problem;
  auto file = RotatingLogFile::Open({(directory.Path() / "k.log").string(), 100, 2}, problem);
  ASSERT_NE(file, nullptr) << problem;
  for (int i = 0; i < 10; ++i) file->WriteLine(std::chrono::system_clock::now(), "řádek");
  for (int waited = 0; waited < 500 && file->Now().stops == 0; ++waited) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  EXPECT_EQ(file->Now().last_problem, "přístup odepřen");
}

}  // namespace
}  // namespace korvex
