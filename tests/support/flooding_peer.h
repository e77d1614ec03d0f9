// A peer that sends without pause: noise that keeps looking like the start
// of a frame, on each connection it accepts until the client drops it.
#pragma once

#include <sys/socket.h>
#include <unistd.h>

#include <string>
#include <thread>

#include "support/bytes.h"
#include "support/loopback_listener.h"

namespace korvex {

// Noise that keeps looking like the start of a frame.
inline std::string FloodBlock() {
  std::string block;
  for (int i = 0; block.size() < 4096; ++i) {
    block += i % 50 ? static_cast<char>(i * 7) : static_cast<char>(0xE1);
    if (i % 50 == 0) block += Hex("5C 00 FF");
  }
  return block;
}

class FloodingPeer {
 public:
  FloodingPeer(const LoopbackListener& listener, int connections)
      : listener_(listener), thread_([&listener, connections] {
          const std::string block = FloodBlock();
          for (int i = 0; i < connections; ++i) {
            const int peer = listener.Accept();
            while (send(peer, block.data(), block.size(), MSG_NOSIGNAL) > 0) {
            }
            close(peer);
          }
        }) {}
  // A test that ends early has not made all its connections.
  ~FloodingPeer() {
    listener_.StopAccepting();
    thread_.join();
  }

 private:
  const LoopbackListener& listener_;
  std::thread thread_;
};

}  // namespace korvex
