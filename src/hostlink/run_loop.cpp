#include "hostlink/run_loop.h"

#include <string>
#include <utility>

#include "common/text_helpers.h"

namespace korvex {
namespace {

// A read's values go ahead of the texts the host handed over to pass on,
// which leave this many with each read: a host's backlog of them holds back
// neither the values nor the controller.
constexpr std::size_t kPassOnPortion = 64;

// QQ_RD CC CC CC VV VV VV VV| for one item read.
std::string HostReadAnswer(std::string_view code, std::string_view value) {
  std::string text = "QQ_RD";
  for (std::string_view part : {code, value}) {
    for (char byte : part) {
      text += ' ';
      text += ByteToHex(static_cast<std::uint8_t>(byte));
    }
  }
  return text + "|";
}

// Reads of the item being written leave the pass; the code comes back when
// there were any, so that one read is queued again behind the write and the
// host sees the value written.
std::string TakeReadsOf(const std::string& code, TTranList& pass) {
  bool found = false;
  FindTranCode(code, pass, true, found);
  if (!found) return {};
  while (found) FindTranCode(code, pass, true, found);
  return code;
}

}  // namespace

RunLoop::RunLoop(LinkWindow& window, HostChannel& channel, EntryExchange& exchange,
                 TTranList& queue)
    : window_(window), channel_(channel), exchange_(exchange), queue_(queue) {}

void RunLoop::RunPass() {
  if (queue_.Empty() || busy_) return;
  busy_ = true;
  // Entries queued from now on wait for the next pass.
  TTranList pass = std::move(queue_);
  pass_ = &pass;
  JoinTran(kKindRead, pass);
  const ListEnd end =
      exchange_.SendList(pass, [this](TTranList& list) { return SendFirstEntry(list); }, {});
  EndPass(pass, end);
}

EntryOutcome RunLoop::SendFirstEntry(TTranList& pass) {
  TTranFronta* entry = pass.Head();
  if (entry->Kind != kKindWrite && entry->Kind != kKindRead) {
    DeleteTran(entry, pass);
    return EntryOutcome::kDropped;
  }
  const bool write = entry->Kind == kKindWrite;
  std::string reread;
  if (write) {
    window_.WriteLog("QQ/W: " + HexDump(entry->Data));
    reread = TakeReadsOf(entry->Data.substr(0, kItemCodeSize), pass);
  }
  const std::string request = (write ? "QQ" : "Qq") + entry->Data;
  std::string answer;
  bool sent = exchange_.ExchangeEntry(request, write ? "QX" : "Qx", answer);
  // A read answer carries exactly four value bytes per code asked for; any
  // other length is a late answer to another request, never values to pass on.
  if (sent && !write &&
      answer.size() - kCommandSize != entry->Data.size() / kItemCodeSize * kItemValueSize) {
    sent = false;
  }
  if (sent) {
    if (!write) {
      const std::size_t values = QueueReadAnswers(std::string_view(request).substr(kCommandSize),
                                                  std::string_view(answer).substr(kCommandSize));
      SendWaitingAnswers(values + kPassOnPortion);
    }
    DeleteTran(entry, pass);
  }
  if (!reread.empty()) window_.AddTran(1, kKindRead, 0, 0, reread);
  return sent ? EntryOutcome::kSent : EntryOutcome::kFailed;
}

void RunLoop::EndPass(TTranList& pass, const ListEnd& end) {
  // Whatever is left, the pass gave up on (the user stopped it or AbortFlag
  // ended it): dropped here. Writes the host handed over are never dropped
  // without a word; those a close ends are counted by its drain.
  const int writes = end.user_stopped ? TranCountOfKind(kKindWrite, pass) : 0;
  if (writes > 0) {
    window_.WriteLog("Po chybě komunikace zápisů nebylo provedeno: " + std::to_string(writes) +
                     ".");
  }
  ClearTran(pass);
  if (dropped_for_silent_host_ > 0) {
    window_.WriteLog("Nadřízená aplikace (popisovač " + std::to_string(silent_host_) +
                     ") neodpovídá; zahozeno dalších odpovědí: " +
                     std::to_string(dropped_for_silent_host_) + ".");
  }
  silent_host_ = 0;
  dropped_for_silent_host_ = 0;
  pass_ = nullptr;
  busy_ = false;
}

std::size_t RunLoop::QueueReadAnswers(std::string_view codes, std::string_view values) {
  TTextList& answers = channel_.AnswerTexts;
  std::size_t queued = 0;
  for (; codes.size() >= kItemCodeSize; codes.remove_prefix(kItemCodeSize), ++queued) {
    answers.insert(answers.begin() + static_cast<std::ptrdiff_t>(queued),
                   HostReadAnswer(codes.substr(0, kItemCodeSize), values.substr(0, kItemValueSize)));
    values.remove_prefix(kItemValueSize);
  }
  return queued;
}

void RunLoop::SendWaitingAnswers(std::size_t count) {
  TTextList& answers = channel_.AnswerTexts;
  for (; !answers.empty() && count > 0; --count) {
    if (channel_.HostWnd() != 0 && channel_.HostWnd() == silent_host_) {
      dropped_for_silent_host_ += answers.size();
      FreeTexts(answers);
      return;
    }
    // A copy: the close handling may free the list while the answer is sent.
    const std::string text = answers.front();
    window_.SetAnswerText(text);
    const std::int64_t silent = channel_.SendAnswer(text);
    PopText(answers);
    if (silent != 0) {
      silent_host_ = silent;
      channel_.LogSilentHost(
          silent, answers.empty()
                      ? "pokračuji."
                      : "zahazuji čekající odpovědi: " + std::to_string(answers.size()) + ".");
      FreeTexts(answers);
    }
  }
}

}  // namespace korvex
