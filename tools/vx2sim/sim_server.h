// The simulated controller on TCP or on a serial line: answers request frames
// from the item table and sends each answer as the fault plan says. Runs on
// the event loop's thread and never waits on one client: TCP clients are
// served side by side, and each may send any number of requests on its
// connection. A serial line is one permanent connection, whose answers may be
// paced to the line's rate.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <string_view>

#include "fault_plan.h"
#include "item_table.h"
#include "platform/event_loop.h"
#include "sim_options.h"
#include "tcp_listener.h"

namespace vx2::sim {

class SimServer {
 public:
  using LineOutput = std::function<void(std::string_view)>;

  // `config` and `items` must outlive the server.
  SimServer(korvex::EventLoop& loop, const SimConfig& config, ItemTable& items,
            LineOutput log_line);
  ~SimServer();
  SimServer(const SimServer&) = delete;
  SimServer& operator=(const SimServer&) = delete;

  // Opens the port; false with the reason in `error`.
  bool Start(std::string& error);
  std::string LocalAddress() const { return listener_.LocalAddress(); }
  // Serves the line open on `fd` (non-blocking), which stays the caller's.
  void ServeLine(korvex::IoHandle fd, const std::string& name);
  // The line failed; the loop has been told to quit.
  bool LineFailed() const { return line_failed_; }

 private:
  struct Connection;

  void OnAcceptable();
  void OnReadable(std::uint64_t id);
  // Handles what has come in; false when the connection had to be closed.
  bool OnReceived(Connection& connection);
  void OnRequest(Connection& connection, std::string_view frame, std::string_view data);
  // False when the connection had to be closed.
  bool Queue(Connection& connection, const AnswerPlan& plan);
  void ArmSendTimer(Connection& connection);
  void OnSendTimer(std::uint64_t id);
  // A TCP connection closes; a line drops what it still had to send.
  void Close(std::uint64_t id, std::string_view why);
  void Traffic(const Connection& connection, std::string_view text);

  korvex::EventLoop& loop_;
  const SimConfig& config_;
  ItemTable& items_;
  LineOutput log_line_;
  TcpListener listener_;
  std::unique_ptr<korvex::IoWatch> accept_watch_;
  std::map<std::uint64_t, std::unique_ptr<Connection>> connections_;
  std::uint64_t next_id_ = 1;
  std::uint64_t answers_ = 0;
  std::uint64_t writes_ = 0;
  // A fixed seed: a run with spread delays can be repeated exactly.
  std::mt19937 random_{1998};
  bool line_failed_ = false;
};

}  // namespace vx2::sim
