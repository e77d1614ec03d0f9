// What the host link sees of the main window: its log, lamp, progress bar and
// text boxes, its message boxes, its queue and its close. The window
// implements it; nothing in the host link knows the window itself.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "common/message_button.h"

namespace korvex {

class LinkWindow {
 public:
  // Log lines, silent while the log is paused.
  virtual void WriteLog(std::string_view text) = 0;
  virtual void AppendLog(std::string_view text) = 0;

  virtual void SetLampBusy(bool busy) = 0;
  virtual void SetProgressMaximum(int maximum) = 0;
  virtual void SetProgress(int position) = 0;
  // The request and answer boxes.
  virtual void SetRequestText(std::string_view text) = 0;
  virtual void SetAnswerText(std::string_view text) = 0;
  // Lets pending messages run between the steps of a long job.
  virtual void ProcessMessages() = 0;
  virtual MessageButton ShowMessage(MessageKind kind, std::string_view text,
                                    const std::vector<MessageButton>& buttons) = 0;

  // The queue. AddTran takes nothing once closing is permitted; a host's
  // entry may be refused while the queue is full.
  virtual void AddTran(std::uint8_t key1, std::uint8_t kind, std::uint16_t key2, std::uint8_t key3,
                       std::string_view data) = 0;
  virtual void AddHostTran(std::uint8_t kind, std::string_view data) = 0;

  // Once closing is permitted the host channel goes quiet.
  virtual bool ClosePermitted() const = 0;
  // The host's "CLOSE": the close follows once the writes queued are out.
  virtual void CloseRequestedByHost() = 0;

 protected:
  ~LinkWindow() = default;
};

}  // namespace korvex
