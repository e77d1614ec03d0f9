#include "sim_server.h"

#include <algorithm>
#include <chrono>
#include <deque>
#include <random>

#include "byte_text.h"
#include "request_handler.h"
#include "request_scanner.h"
#include "sim_io.h"

namespace vx2::sim {
namespace {

using Clock = std::chrono::steady_clock;

constexpr std::size_t kMaxClients = 64;
// A client that sends requests faster than delayed answers go out is cut off
// here rather than let the queue grow without bound.
constexpr std::size_t kMaxPendingSegments = 256;
constexpr std::size_t kReadChunk = 4096;
// Reads per readiness event, so one busy client cannot starve the others.
constexpr int kReadsPerEvent = 16;

std::string RejectedText(const ScanEvent& event, std::uint8_t address) {
  std::string why;
  switch (event.reason) {
    case RejectReason::kLengthTooSmall:
      why = "délka L je menší než 5";
      break;
    case RejectReason::kOtherAddress:
      why = "rámec je pro jiný řadič (naše adresa je " + std::to_string(address) + ")";
      break;
    case RejectReason::kBadCheck:
      why = "chybný kontrolní bajt";
      break;
    case RejectReason::kNone:
      break;
  }
  std::string text = "rámec zahozen, " + why + ": " + HexBytes(event.bytes);
  if (event.dropped_after > 0) {
    text += " (zahozeno i " + std::to_string(event.dropped_after) + " dalších bajtů)";
  }
  return text;
}

}  // namespace

struct SimServer::Connection {
  struct Pending {
    Clock::time_point due;  // when its first byte may start
    std::string bytes;
    bool close_after = false;
    std::size_t sent = 0;
  };

  Connection(std::uint64_t id, korvex::IoHandle fd, std::string peer, bool line)
      : id(id), fd(fd), peer(std::move(peer)), line(line) {}
  ~Connection() {
    watch.reset();
    send_timer.reset();
    if (!line) CloseSocket(fd);
  }
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  // When the last byte of `pending` has gone out on the line.
  Clock::time_point End(const Pending& pending) const {
    return pending.due + byte_time * static_cast<std::int64_t>(pending.bytes.size());
  }
  // How many bytes of `pending` may have left by `now`.
  std::size_t DueBytes(const Pending& pending, Clock::time_point now) const {
    if (now < pending.due) return 0;
    if (byte_time == Clock::duration::zero()) return pending.bytes.size();
    const auto carried = static_cast<std::size_t>((now - pending.due) / byte_time);
    return std::min(carried, pending.bytes.size());
  }

  const std::uint64_t id;
  const korvex::IoHandle fd;  // a line's descriptor stays its owner's
  const std::string peer;
  const bool line;
  // Time the line takes for one byte; zero: no pacing.
  Clock::duration byte_time = Clock::duration::zero();
  std::string input;
  std::unique_ptr<korvex::IoWatch> watch;
  std::deque<Pending> outgoing;
  std::unique_ptr<korvex::Timer> send_timer;
  bool peer_finished = false;  // the client will send nothing more
};

SimServer::SimServer(korvex::EventLoop& loop, const SimConfig& config, ItemTable& items,
                     LineOutput log_line)
    : loop_(loop), config_(config), items_(items), log_line_(std::move(log_line)) {}

SimServer::~SimServer() = default;

bool SimServer::Start(std::string& error) {
  if (!listener_.Open(config_.host, config_.port, !config_.refuse, error)) return false;
  if (!config_.refuse) {
    accept_watch_ =
        loop_.WatchIo(listener_.Descriptor(), [this](korvex::IoEvent) { OnAcceptable(); });
  }
  return true;
}

void SimServer::Traffic(const Connection& connection, std::string_view text) {
  if (config_.quiet) return;
  log_line_("[" + std::to_string(connection.id) + "] " + std::string(text));
}

void SimServer::OnAcceptable() {
  std::string peer;
  const korvex::IoHandle fd = listener_.Accept(peer);
  if (fd == korvex::kNoIoHandle) return;
  const std::uint64_t id = next_id_++;
  auto connection = std::make_unique<Connection>(id, fd, peer, false);
  if (connections_.size() >= kMaxClients) {
    Traffic(*connection, "spojení z " + peer + " odmítnuto: příliš mnoho klientů najednou (" +
                             std::to_string(kMaxClients) + ")");
    return;
  }
  Traffic(*connection, "spojení z " + peer);
  connection->watch = loop_.WatchIo(fd, [this, id](korvex::IoEvent) { OnReadable(id); });
  connections_.emplace(id, std::move(connection));
}

void SimServer::ServeLine(korvex::IoHandle fd, const std::string& name) {
  const std::uint64_t id = next_id_++;
  auto connection = std::make_unique<Connection>(id, fd, name, true);
  if (config_.baud) {
    // 8N1: a start bit, eight data bits and a stop bit.
    connection->byte_time = std::chrono::duration_cast<Clock::duration>(
        std::chrono::duration<double>(10.0 / *config_.baud));
  }
  connection->watch = loop_.WatchIo(fd, [this, id](korvex::IoEvent) { OnReadable(id); });
  connections_.emplace(id, std::move(connection));
}

void SimServer::OnReadable(std::uint64_t id) {
  const auto found = connections_.find(id);
  if (found == connections_.end()) return;
  Connection& connection = *found->second;
  for (int reads = 0; reads < kReadsPerEvent; ++reads) {
    char chunk[kReadChunk];
    const ReadOutcome read = ReadSome(connection.fd, connection.line, chunk, sizeof chunk);
    if (read.status == ReadStatus::kNothingNow) return;
    if (read.status == ReadStatus::kFailed && connection.line) {
      // A line that fails (a device gone) will not come back by itself.
      log_line_("vx2sim: linka " + connection.peer + " selhala: " + read.error);
      line_failed_ = true;
      connection.watch.reset();
      loop_.Quit();
      return;
    }
    if (read.status == ReadStatus::kFailed) {
      Close(id, "spojení selhalo");
      return;
    }
    // A raw line with nothing more to read says so with 0.
    if (read.status == ReadStatus::kEnd && connection.line) return;
    if (read.status == ReadStatus::kEnd) {
      // Answers still on their way go out before the connection closes; a
      // closed peer stays readable, so stop watching it.
      connection.peer_finished = true;
      connection.watch.reset();
      if (connection.outgoing.empty()) Close(id, "spojení ukončeno klientem");
      return;
    }
    connection.input.append(chunk, read.size);
    if (!OnReceived(connection)) return;
  }
}

bool SimServer::OnReceived(Connection& connection) {
  const std::uint64_t id = connection.id;
  for (const ScanEvent& event : ScanRequests(connection.input, config_.address)) {
    switch (event.kind) {
      case ScanEventKind::kRequest:
        OnRequest(connection, event.bytes, event.data);
        if (!connections_.contains(id)) return false;
        break;
      case ScanEventKind::kSkipped:
        Traffic(connection, "přeskočeno (nezačíná rámec): " + HexBytes(event.bytes));
        break;
      case ScanEventKind::kRejected:
        Traffic(connection, RejectedText(event, config_.address));
        break;
    }
  }
  return true;
}

void SimServer::OnRequest(Connection& connection, std::string_view frame, std::string_view data) {
  Traffic(connection, "přijato: " + HexBytes(frame));
  const RequestOutcome outcome = HandleRequest(data, items_);
  if (outcome.problem != RequestProblem::kNone) {
    Traffic(connection, "bez odpovědi: " + ProblemText(outcome.problem));
    return;
  }
  FaultPlan faults = config_.faults;
  const bool faulty = faults.Any() && faults.AppliesTo(answers_++);
  if (faulty) Traffic(connection, "vnášená chyba: " + faults.Describe());
  if (faults.delay_spread_ms > 0) {
    std::uniform_int_distribution<int> spread(-faults.delay_spread_ms, faults.delay_spread_ms);
    faults.delay_ms = std::max(0, faults.delay_ms + spread(random_));
  }
  const AnswerPlan plan = PlanAnswer(outcome.answer, config_.address, faulty ? &faults : nullptr);
  if (data.starts_with(kWriteCommand) && faults.restart_after_writes &&
      ++writes_ == *faults.restart_after_writes) {
    Traffic(connection, "restart: zapsané hodnoty zapomenuty");
    items_.Load(config_.items);
  }
  if (plan.segments.empty()) return;
  if (Queue(connection, plan)) ArmSendTimer(connection);
}

bool SimServer::Queue(Connection& connection, const AnswerPlan& plan) {
  if (connection.outgoing.size() + plan.segments.size() > kMaxPendingSegments) {
    Close(connection.id, "příliš mnoho nevyřízených odpovědí");
    return false;
  }
  // Answers leave in the order of their requests: a delay counts from the
  // request or from the answer before it, whichever is later.
  // On a paced line a segment also waits until the one before has gone out.
  Clock::time_point due = Clock::now();
  if (!connection.outgoing.empty()) {
    due = std::max(due, connection.End(connection.outgoing.back()));
  }
  for (const AnswerSegment& segment : plan.segments) {
    due += std::chrono::milliseconds(segment.wait_ms);
    connection.outgoing.push_back({due, segment.bytes});
    due = connection.End(connection.outgoing.back());
  }
  connection.outgoing.back().close_after = plan.close_after;
  return true;
}

void SimServer::ArmSendTimer(Connection& connection) {
  // A fresh timer each time: the loop schedules a timer's next tick after
  // its handler returns, which would stretch a period set from inside it.
  connection.send_timer.reset();
  if (connection.outgoing.empty()) return;
  // The next byte may leave once the line has carried it.
  const Connection::Pending& front = connection.outgoing.front();
  const Clock::time_point next =
      front.due + connection.byte_time * static_cast<std::int64_t>(front.sent + 1);
  const auto wait = std::chrono::ceil<std::chrono::milliseconds>(next - Clock::now());
  const int wait_ms = static_cast<int>(std::max<std::int64_t>(wait.count(), 0));
  const std::uint64_t id = connection.id;
  connection.send_timer =
      loop_.CreateTimer("vx2sim-send", wait_ms, [this, id] { OnSendTimer(id); });
  connection.send_timer->SetEnabled(true);
}

void SimServer::OnSendTimer(std::uint64_t id) {
  const auto found = connections_.find(id);
  if (found == connections_.end()) return;
  Connection& connection = *found->second;
  connection.send_timer->SetEnabled(false);
  while (!connection.outgoing.empty()) {
    Connection::Pending& front = connection.outgoing.front();
    const std::size_t due = connection.DueBytes(front, Clock::now());
    if (due <= front.sent) break;
    if (!SendNow(connection.fd, connection.line,
                 std::string_view(front.bytes).substr(front.sent, due - front.sent))) {
      Close(id, "klient nepřebírá data");
      return;
    }
    front.sent = due;
    if (front.sent < front.bytes.size()) break;
    const Connection::Pending pending = std::move(front);
    connection.outgoing.pop_front();
    Traffic(connection, "odesláno: " + HexBytes(pending.bytes));
    if (pending.close_after) {
      Close(id, "spojení uzavřeno po odpovědi");
      return;
    }
  }
  if (connection.outgoing.empty() && connection.peer_finished) {
    Close(id, "spojení ukončeno klientem");
    return;
  }
  ArmSendTimer(connection);
}

void SimServer::Close(std::uint64_t id, std::string_view why) {
  const auto found = connections_.find(id);
  if (found == connections_.end()) return;
  Connection& connection = *found->second;
  if (connection.line) {
    Traffic(connection, std::string(why) + ", neodeslané odpovědi zahozeny");
    connection.outgoing.clear();
    connection.send_timer.reset();
    return;
  }
  Traffic(connection, why);
  connections_.erase(found);
}

}  // namespace vx2::sim
