// The window's reading of its configuration file.
#include <algorithm>
#include <climits>

#include "platform/config_location.h"
#include "shell/config_file.h"
#include "shell/config_reader.h"
#include "shell/korvex_window.h"

namespace korvex {

bool TDlgKORVEX::ReadINI() {
  // The reader's effects on the window itself.
  class WindowActions : public ConfigActions {
   public:
    explicit WindowActions(TDlgKORVEX& window) : window_(window) {}
    void Log(std::string_view line) override { window_.WriteLog(line); }
    void QueueWrite(std::string_view record) override {
      window_.AddTran(1, kKindWrite, 0, 0, record);
      window_.ProjectRecords.emplace_back(record);
    }
    void MoveWindow(int left, int top) override { window_.platform_.view.MoveTo(left, top); }
    void TokensRead(int count) override {
      window_.platform_.view.SetProgress(count);
      window_.platform_.loop.ProcessMessages();
    }
    // The communicator takes such values silently.
    void Problem(const ConfigProblem&) override {}

   private:
    TDlgKORVEX& window_;
  };

  QQCount = 0;
  ProjectRecords.clear();
  WriteLog("Zpracování konfiguračního souboru...");
  const std::optional<std::filesystem::path> path = FindConfigFile();
  if (!path) {
    // The folders, for a user who started it somewhere else.
    std::string searched;
    for (const std::string& name : ConfigFileCandidates()) {
      std::error_code error;
      const std::filesystem::path folder = std::filesystem::absolute(name, error).parent_path();
      searched += (searched.empty() ? "" : ", ") + folder.string();
    }
    WriteLog("- soubor lumadex.ini nenalezen (hledán v " + searched + ")");
    return false;
  }
  // A file that cannot be read counts as empty, and the result is false.
  std::string text;
  const bool read = ReadConfigFile(*path, text);
  platform_.view.SetProgress(0);
  platform_.view.SetProgressMaximum(
      static_cast<int>(std::min<std::size_t>(CountLines(text), INT_MAX)));

  WindowActions actions(*this);
  const bool parsed = ApplyConfig(text, *this, actions);
  return read && parsed;
}

}  // namespace korvex
