// The kinds of message box and their buttons: what the logic asks a box to
// show and what it gets back, whichever platform draws the box.
#pragma once

namespace korvex {

enum class MessageKind { kWarning, kError, kInformation, kConfirmation };

enum class MessageButton {
  kYes,
  kNo,
  kOk,
  kCancel,
  kAbort,
  kRetry,
  kIgnore,
  kAll,
  kNoToAll,
  kYesToAll,
  kHelp
};

}  // namespace korvex
