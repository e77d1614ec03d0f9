// A controller behind the fake socket: answers every request frame from an
// item table, or stays silent, or answers what a test scripts.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "protocol/frame.h"
#include "support/fake_serial_port.h"
#include "support/fake_socket_client.h"
#include "transport/serial.h"

namespace korvex {

class FakeController {
 public:
  explicit FakeController(FakeSocketClient& socket, std::uint8_t address = 1)
      : address_(address) {
    socket.on_write = [this](const std::string& frame) { Received(frame); };
    send_ = [&socket](const std::string& frame) { socket.PeerSend(frame); };
  }
  // On a serial line: the answer is there when the write returns, and the
  // port reports it as its event thread would.
  FakeController(FakeSerialPort& port, TSerial& serial, std::uint8_t address = 1)
      : address_(address) {
    port.on_write = [this](const std::string& frame) { Received(frame); };
    send_ = [&port, &serial](const std::string& frame) {
      port.Receive(frame);
      if (serial.OnRxData) serial.OnRxData(serial);
    };
  }

  // The data of every request frame, in order.
  std::vector<std::string> requests;
  // Answers values from here; items never written read as 0.
  std::map<std::string, std::uint32_t> items;
  // Requests with these numbers (counted from 0) get no answer.
  std::set<std::size_t> unanswered;
  // When set, gives the answer data for a request instead of the table.
  std::function<std::string(const std::string&)> script;
  // Runs when a request arrives, before it is answered.
  std::function<void(const std::string&)> on_request;

  static std::string Value(std::uint32_t v) {
    return {static_cast<char>(v), static_cast<char>(v >> 8), static_cast<char>(v >> 16),
            static_cast<char>(v >> 24)};
  }

 private:
  void Received(const std::string& frame) {
    if (frame.size() < kFrameOverhead) return;
    const std::string data = frame.substr(8, frame.size() - kFrameOverhead);
    requests.push_back(data);
    if (on_request) on_request(data);
    if (unanswered.count(requests.size() - 1) != 0) return;
    std::string answer_frame;
    WrapFrame(0, {0, 0, 0, address_}, script ? script(data) : FromTable(data), answer_frame);
    send_(answer_frame);
  }

  std::string FromTable(const std::string& data) {
    if (data.compare(0, 2, "QQ") == 0) {
      for (std::size_t at = 2; at + 7 <= data.size(); at += 7) {
        const auto* v = reinterpret_cast<const unsigned char*>(data.data() + at + 3);
        items[data.substr(at, 3)] = v[0] | v[1] << 8 | v[2] << 16 | std::uint32_t{v[3]} << 24;
      }
      return "QX";
    }
    std::string answer = "Qx";
    for (std::size_t at = 2; at + 3 <= data.size(); at += 3) {
      answer += Value(items[data.substr(at, 3)]);
    }
    return answer;
  }

  std::function<void(const std::string&)> send_;
  std::uint8_t address_;
};

}  // namespace korvex
