// korvex.exe as the user starts it.
#include "shell/korvex_window.h"
// clang-format off
#include <windows.h>
// clang-format on

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "app/czech_cli.h"
#include "support/temp_directory.h"
#include "win32gui/box_probe_win32.h"
#include "win32gui/wide_text.h"

namespace korvex {
namespace {

// The subsystem field of an executable's PE header.
WORD SubsystemOf(const std::wstring& program) {
  std::ifstream file(std::filesystem::path(program), std::ios::binary);
  const std::string image{std::istreambuf_iterator<char>(file), {}};
  if (image.size() < 0x40) return 0;
  const DWORD header = *reinterpret_cast<const DWORD*>(image.data() + 0x3c);
  const std::size_t at =
      header + 4 + sizeof(IMAGE_FILE_HEADER) + offsetof(IMAGE_OPTIONAL_HEADER64, Subsystem);
  return at + 2 <= image.size() ? *reinterpret_cast<const WORD*>(image.data() + at) : 0;
}

struct StartCase {
  const wchar_t* arguments;
  const char* title;
  // Parts of the box's text, in their order.
  std::vector<std::string> parts;
  int status;
};

// A window program has no console: what it has to say about its command line
// shows in a box.
TEST(KorvexExeTest, TellsInABoxWhatEndedItsStartAndItsExitStatus) {
  // The build names it by its path on the build machine, which wine shows as
  // drive Z:.
  const std::wstring program = L"Z:" + ToWide(KORVEX_EXE);
  EXPECT_EQ(SubsystemOf(program), IMAGE_SUBSYSTEM_WINDOWS_GUI);
  const StartCase cases[] = {
      // Where the file was looked for follows on lines of its own.
      {L"",
       "Varování",
       {"CHYBA při načítání konfiguračního souboru!\n"
        "Soubor lumadex.ini nebyl nalezen, hledán v adresářích:\n",
        "\\ovladace\\vardos2\n"},
       static_cast<int>(RunOutcome::kConfigurationError)},
      {L"--help",
       "Informace",
       {"Komunikátor pro systémy Vardos line 2", "Použití: korvex", "(jinak %KORVEX_LOG%)."},
       0},
      {L"--version",
       "Informace",
       {"korvex " + std::string(kPackageVersion) + "\n" + std::string(kVersionCaption)},
       0},
      {L"--lg", "Chyba", {"korvex: Neznámá volba: --lg.\nNápověda: --help"}, kExitBadCommandLine},
  };
  for (const StartCase& c : cases) {
    SCOPED_TRACE(Utf8(c.arguments));
    TempDirectory directory;
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    std::wstring command = L"\"" + program + L"\" " + c.arguments;
    ASSERT_TRUE(CreateProcessW(program.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                               directory.Path().wstring().c_str(), &startup, &process));
    BoxProbe probe({L"OK"}, process.dwThreadId);
    const std::optional<BoxSeen> seen = probe.Seen();
    ASSERT_TRUE(seen.has_value()) << "no box";
    EXPECT_EQ(seen->title, c.title);
    std::size_t at = 0;
    for (const std::string& part : c.parts) {
      at = seen->text.find(part, at);
      EXPECT_NE(at, std::string::npos) << part << " in " << seen->text;
    }
    EXPECT_EQ(seen->text.find(c.parts.front()), 0u) << seen->text;
    EXPECT_EQ(WaitForSingleObject(process.hProcess, 30000), WAIT_OBJECT_0);
    DWORD status = 0;
    GetExitCodeProcess(process.hProcess, &status);
    EXPECT_EQ(status, static_cast<DWORD>(c.status));
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
  }
}

}  // namespace
}  // namespace korvex
