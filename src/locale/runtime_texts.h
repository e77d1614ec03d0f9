// The toolkit's standard texts (message-box titles, button captions, help
// texts) and their Czech replacements. Until InstallCzechTexts runs, every
// lookup yields the toolkit's English text.
#pragma once

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

// Redirects all framework texts to Czech for the rest of the run.
void InstallCzechTexts();

std::string_view LookupText(FrameworkText text);
std::string_view MessageTitle(MessageKind kind);
std::string_view MessageButtonCaption(MessageButton button);

// A caption without its accelerator marks ("&Ano" -> "Ano").
std::string WithoutAccelerator(std::string_view caption);

}  // namespace korvex
