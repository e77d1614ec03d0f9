// The window's reading of its configuration file.
#include <algorithm>
#include <climits>

#include "common/utf8_path.h"
#include "platform/config_location.h"
#include "shell/config_file.h"
#include "shell/korvex_window.h"

namespace korvex {

bool TDlgKORVEX::ReadINI() {
  // The reader's effects on the window itself.
  class WindowActions : public ConfigActions {
   public:
    explicit WindowActions(TDlgKORVEX& window) : window_(window) {}
    void Log(std::string_view line) override { window_.WriteLog(line); }
    void QueueWrite(std::string_view record) override {
      window_.ProjectRecords.emplace_back(record);
    }
    void MoveWindow(int left, int top) override { window_.platform_.view.MoveTo(left, top); }
    void LinesCounted(std::size_t lines) override {
      window_.platform_.view.SetProgress(0);
      window_.platform_.view.SetProgressMaximum(
          static_cast<int>(std::min<std::size_t>(lines, INT_MAX)));
    }
    void TokensRead(int count) override {
      window_.platform_.view.SetProgress(count);
      window_.platform_.loop.ProcessMessages();
    }

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
    config_refusal_ = "Soubor lumadex.ini nebyl nalezen, hledán v adresářích:";
    for (const std::string& name : ConfigFileCandidates()) {
      std::error_code error;
      const std::string folder = Utf8FromPath(std::filesystem::absolute(name, error).parent_path());
      searched += (searched.empty() ? "" : ", ") + folder;
      config_refusal_ += "\r" + folder;
    }
    WriteLog("- soubor lumadex.ini nenalezen (hledán v " + searched + ")");
    if (!menu_config_folder_.empty()) {
      const std::string note = "Z nabídky prostředí se komunikátor spouští v adresáři " +
                               menu_config_folder_ + ", tam patří jeho lumadex.ini.";
      WriteLog(note);
      config_refusal_ += "\r" + note;
    }
    return false;
  }
  WindowActions actions(*this);
  const std::string refusal = ReadConfiguration(*path, *this, actions);
  if (!refusal.empty()) {
    std::error_code error;
    const std::string name = Utf8FromPath(std::filesystem::absolute(*path, error));
    WriteLog("- soubor " + name + " " + refusal);
    config_refusal_ = "Soubor " + name + " " + refusal + ".";
    return false;
  }
  // Queued only now: a project not read whole never reaches the queue.
  for (const std::string& record : ProjectRecords) AddTran(1, kKindWrite, 0, 0, record);
  return true;
}

}  // namespace korvex
