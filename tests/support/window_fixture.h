// The main window's logic on virtual time, with a recording view, scripted
// message boxes and a fake socket, in an empty working directory of its own
// (where the window looks for its configuration file).
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "shell/korvex_window.h"
#include "support/fake_host_desktop.h"
#include "support/fake_serial_port.h"
#include "support/fake_socket_client.h"
#include "support/recording_view.h"
#include "support/scripted_message_boxes.h"
#include "support/temp_directory.h"
#include "support/virtual_event_loop.h"

namespace korvex {

class WindowFixture : public ::testing::Test {
 protected:
  WindowFixture() : previous_(std::filesystem::current_path()) {
    std::filesystem::current_path(directory_.Path());
  }
  ~WindowFixture() override { std::filesystem::current_path(previous_); }
  // Before the members of a derived fixture go: the boxes it gave the window.
  void TearDown() override { window.reset(); }

  void WriteConfig(const std::string& text) { directory_.Write("lumadex.ini", text); }

  void Create(std::vector<std::string> arguments = {}, LogSink* log_file = nullptr) {
    window.reset();  // one window at a time on the desktop
    window = std::make_unique<TDlgKORVEX>(
        WindowPlatform{loop, view, *box_policy, socket, desktop, serial_port},
        std::move(arguments));
    if (log_file) window->UseLogFile(*log_file, false);
    window->FormCreate();
  }

  // Dispatches events until the virtual clock has moved `ms` on.
  void Advance(std::int64_t ms) {
    const std::int64_t until = loop.Now() + ms;
    auto marker = loop.CreateTimer("advance", static_cast<int>(ms), {});
    marker->SetEnabled(true);
    while (loop.Now() < until) loop.HandleMessage();
    loop.ProcessMessages();
  }

  // Opens the window's link over the fake socket as the start-up sequence
  // would, from a configuration naming it with `settings` after it, without
  // running the sequence itself.
  void OpenTcpLink(const std::string& settings = {}) {
    window->SkipStartup();
    WriteConfig("TCP 127.0.0.1 1998 " + settings + "\n");
    ASSERT_TRUE(window->ReadINI());
    window->OpenLinkAtStartup();
    ASSERT_TRUE(window->LinkOpened());
    view.lines.clear();
  }

  VirtualEventLoop loop;
  RecordingView view;
  ScriptedMessageBoxes boxes;
  MessageBoxes* box_policy = &boxes;  // what the next Create gives the window
  FakeSocketClient socket;
  FakeHostDesktop desktop;
  FakeSerialPort serial_port;
  std::unique_ptr<TDlgKORVEX> window;

 private:
  TempDirectory directory_;
  std::filesystem::path previous_;
};

}  // namespace korvex
