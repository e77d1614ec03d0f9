// RUN mode: each tick of TimerRun carries out everything queued since the
// last pass and returns every value read to the host.
#include <string>

#include "common/text_helpers.h"
#include "shell/korvex_window.h"

namespace korvex {
namespace {

constexpr std::size_t kPrefixSize = 2;
constexpr std::size_t kValueSize = 4;

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

}  // namespace

void TDlgKORVEX::QueueReadAnswers(std::string_view codes, std::string_view values) {
  for (; codes.size() >= kItemCodeSize; codes.remove_prefix(kItemCodeSize)) {
    PushText(AnswerTexts,
             HostReadAnswer(codes.substr(0, kItemCodeSize), values.substr(0, kValueSize)));
    values.remove_prefix(kValueSize);
  }
}

void TDlgKORVEX::SendWaitingAnswers() {
  while (!AnswerTexts.empty()) {
    if (HostWnd != 0 && HostWnd == silent_host_) {
      dropped_for_silent_host_ += AnswerTexts.size();
      FreeTexts(AnswerTexts);
      return;
    }
    // A copy: the close handling may free the list while the answer is sent.
    const std::string text = AnswerTexts.front();
    platform_.view.SetAnswerText(text);
    const std::int64_t silent = SendAnswer(text);
    PopText(AnswerTexts);
    if (silent != 0) {
      silent_host_ = silent;
      LogSilentHost(silent, AnswerTexts.empty() ? "pokračuji."
                                                : "zahazuji čekající odpovědi: " +
                                                      std::to_string(AnswerTexts.size()) + ".");
      FreeTexts(AnswerTexts);
    }
  }
}

void TDlgKORVEX::TimerRunTimer() {
  if (!LinkReady || Fronta.Empty() || RunBusy) return;
  RunBusy = true;
  // Entries queued from now on wait for the next pass.
  TTranList pass = std::move(Fronta);
  JoinTran(kKindRead, pass);
  TVardosComm& comm = *Link.Comm;
  int failures = 0;
  comm.ShowProgress = false;
  const int maximum = TranCount(pass);
  StartQueueProgress(maximum);
  comm.AbortFlag = false;
  bool stop = false;

  while (!pass.Empty() && !stop && !comm.AbortFlag) {
    TTranFronta* entry = pass.Head();
    if (entry->Kind != kKindWrite && entry->Kind != kKindRead) {
      DeleteTran(entry, pass);
      ShowQueueProgress(maximum, pass);
      continue;
    }
    std::string reread;
    const bool write = entry->Kind == kKindWrite;
    if (write) {
      WriteLog("QQ/W: " + HexDump(entry->Data));
      // Reads of the item being written leave the pass; one is queued again
      // behind the write, so the host sees the value written.
      const std::string code = entry->Data.substr(0, kItemCodeSize);
      bool found = false;
      FindTranCode(code, pass, true, found);
      if (found) {
        reread = code;
        while (found) FindTranCode(code, pass, true, found);
      }
    }
    const std::string request = (write ? "QQ" : "Qq") + entry->Data;
    std::string answer;
    bool ok = ExchangeEntry(request, write ? "QX" : "Qx", answer);
    // A read answer carries exactly four value bytes per code asked for; any
    // other length is a late answer to another request, never values to pass on.
    if (ok && !write &&
        answer.size() - kPrefixSize != entry->Data.size() / kItemCodeSize * kValueSize) {
      ok = false;
    }
    if (ok) {
      if (!write) {
        QueueReadAnswers(std::string_view(request).substr(kPrefixSize),
                         std::string_view(answer).substr(kPrefixSize));
        SendWaitingAnswers();
      }
      DeleteTran(entry, pass);
      failures = 0;
    } else {
      stop = true;
    }
    if (!reread.empty()) AddTran(1, kKindRead, 0, 0, reread);
    if (stop) stop = StopAfterFailure(failures);
    ShowQueueProgress(maximum, pass);
  }

  platform_.view.SetProgress(0);
  if (stop) AppendLog("CHYBA !");
  if (comm.AbortFlag) WriteLog("Přerušeno.");
  ClearTran(pass);
  if (dropped_for_silent_host_ > 0) {
    WriteLog("Nadřízená aplikace (popisovač " + std::to_string(silent_host_) +
             ") neodpovídá; zahozeno dalších odpovědí: " +
             std::to_string(dropped_for_silent_host_) + ".");
  }
  silent_host_ = 0;
  dropped_for_silent_host_ = 0;
  RunBusy = false;
}

}  // namespace korvex
