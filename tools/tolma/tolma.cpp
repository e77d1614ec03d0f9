// libtolma: the C face of the communicator's own desktop channel code, on an
// event loop of its own.
#include "tolma.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "common/host_record.h"
#include "native_platform.h"

struct tolma_window {
  explicit tolma_window(const char* directory)
      : desktop(loop, directory ? directory : std::string()) {}
  korvex::NativeEventLoop loop;
  korvex::NativeHostDesktop desktop;
};

namespace {

void CopyProblem(const std::string& text, char* problem, std::size_t size) {
  if (!problem || size == 0) return;
  const std::size_t n = std::min(text.size(), size - 1);
  std::memcpy(problem, text.data(), n);
  problem[n] = '\0';
}

std::string_view Text(const char* text, std::size_t length) {
  return text ? std::string_view(text, length) : std::string_view();
}

}  // namespace

extern "C" {

uint32_t tolma_register_message(const char* name) {
  return korvex::RegisteredMessageNumber(name ? name : "");
}

tolma_window* tolma_open(const char* desktop, char* problem, size_t problem_size) {
  auto* window = new tolma_window(desktop);
  std::string why;
  if (window->desktop.RegisterMessage("MSG_TOLMA", why) == 0) {
    CopyProblem(why, problem, problem_size);
    delete window;
    return nullptr;
  }
  return window;
}

void tolma_close(tolma_window* window) {
  delete window;
}

int64_t tolma_handle(const tolma_window* window) {
  return window->desktop.OwnHandle();
}

const char* tolma_desktop(const tolma_window* window) {
  return window->desktop.Directory().c_str();
}

void tolma_set_receiver(tolma_window* window, tolma_receiver receiver, void* context) {
  if (!receiver) {
    window->desktop.SetReceiver({});
    return;
  }
  window->desktop.SetReceiver([receiver, context](const korvex::HostMessage& message) {
    const tolma_message out{message.message,     message.wparam,      message.lparam,
                            message.text.data(), message.text.size(), message.sent ? 1 : 0};
    receiver(context, &out);
  });
}

size_t tolma_post_to_all(tolma_window* window, uint32_t message, uint32_t wparam, int64_t lparam,
                         const char* text, size_t text_length, int64_t* reached, size_t capacity) {
  const std::vector<std::int64_t> handles =
      window->desktop.PostToAll(message, wparam, lparam, Text(text, text_length));
  if (reached) std::copy_n(handles.begin(), std::min(capacity, handles.size()), reached);
  return handles.size();
}

int tolma_send(tolma_window* window, int64_t target, uint32_t message, uint32_t wparam,
               int64_t lparam, const char* text, size_t text_length, int timeout_ms) {
  switch (
      window->desktop.Send(target, message, wparam, lparam, Text(text, text_length), timeout_ms)) {
    case korvex::SendResult::kDelivered:
      return TOLMA_DELIVERED;
    case korvex::SendResult::kNoWindow:
      return TOLMA_NO_WINDOW;
    case korvex::SendResult::kNoReply:
      return TOLMA_NO_REPLY;
    case korvex::SendResult::kTimedOut:
      return TOLMA_TIMED_OUT;
  }
  return TOLMA_NO_WINDOW;
}

void tolma_pump(tolma_window* window, int milliseconds) {
  auto end = window->loop.CreateTimer("tolma_pump", std::max(milliseconds, 1),
                                      [window] { window->loop.Quit(); });
  end->SetEnabled(true);
  window->loop.Run();
}

void tolma_stop_pump(tolma_window* window) {
  window->loop.Quit();
}

}  // extern "C"
