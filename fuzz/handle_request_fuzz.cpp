// Sends arbitrary request texts to the real window through its window
// procedure, as the host would, and checks that only well-formed queue
// entries come of them and that every text leaves the request list.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

#include "common/host_record.h"
#include "support/window_fixture.h"

namespace {

void Require(bool condition) {
  if (!condition) __builtin_trap();
}

struct Window : korvex::WindowFixture {
  void TestBody() override {}
  using WindowFixture::Create;
  using WindowFixture::desktop;
  using WindowFixture::window;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
  // Destroyed at exit, which removes the fixture's folder. The fuzzer's
  // working directory is given back at once: it writes its corpus and
  // artifacts to paths relative to it.
  static const std::filesystem::path fuzzer_directory = std::filesystem::current_path();
  static Window fixture;  // moves into its own folder
  static const bool created = [] {
    fixture.Create();
    std::filesystem::current_path(fuzzer_directory);
    return true;
  }();
  Require(created);
  korvex::TDlgKORVEX& window = *fixture.window;
  std::string text(reinterpret_cast<const char*>(bytes), std::min(size, korvex::kReceivedTextMax));
  fixture.desktop.Deliver(window.HostLink().HostMsg(), 1, 0, text);
  Require(window.HostLink().RequestTexts.empty());
  const int count = korvex::TranCount(window.Queue());
  const bool whole = !text.empty() && text.back() == '|';
  Require(count <= 8);
  Require(whole || count == 0);
  for (const korvex::TTranFronta* e = window.Queue().Head(); e; e = e->Next) {
    Require(e->Key1 == 1 && e->Key2 == 0 && e->Key3 == 0);
    Require((e->Kind == korvex::kKindRead && e->Data.size() == 3) ||
            (e->Kind == korvex::kKindWrite && e->Data.size() == 7));
  }
  const bool close = window.RequestedClose() == korvex::eCloseCode::ccClose;
  if (close) Require(whole && text.size() >= 6);
  // The next text meets an empty queue and no close on its way.
  if (count > 0 || close) fixture.Create();
  return 0;
}
