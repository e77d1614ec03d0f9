// The toolkit's standard texts (message-box titles, button captions, help
// texts) and their Czech replacements. Until InstallCzechTexts runs, every
// lookup yields the toolkit's English text.
#pragma once

#include <atomic>
#include <string>
#include <string_view>

#include "common/message_button.h"

namespace korvex {

enum class FrameworkText {
  // Message-box titles.
  kMsgWarning,
  kMsgError,
  kMsgInformation,
  kMsgConfirm,
  // Message-box buttons.
  kMsgYes,
  kMsgNo,
  kMsgOK,
  kMsgCancel,
  kMsgAbort,
  kMsgRetry,
  kMsgIgnore,
  kMsgAll,
  kMsgNoToAll,
  kMsgYesToAll,
  kMsgHelp,
  // Help texts.
  kHelpNotice,
  kHelpTitle,
  // Captions of the standard button kinds.
  kBtnOK,
  kBtnCancel,
  kBtnHelp,
  kBtnYes,
  kBtnNo,
  kBtnClose,
  kBtnAbort,
  kBtnRetry,
  kBtnIgnore,
  kBtnAll,
};

inline constexpr int kFrameworkTextCount = static_cast<int>(FrameworkText::kBtnAll) + 1;

// The window owns one and installs the Czech texts when it is created; the
// message boxes it shows read their titles and captions from it.
class RuntimeTexts {
 public:
  // Redirects all framework texts to Czech for the rest of the run.
  void InstallCzechTexts() { czech_ = true; }

  std::string_view LookupText(FrameworkText text) const;
  std::string_view MessageTitle(MessageKind kind) const;
  std::string_view MessageButtonCaption(MessageButton button) const;

 private:
  // A box may be laid out on another thread than the one that creates the
  // window.
  std::atomic<bool> czech_{false};
};

// A caption without its accelerator marks ("&Ano" -> "Ano").
std::string WithoutAccelerator(std::string_view caption);

}  // namespace korvex
