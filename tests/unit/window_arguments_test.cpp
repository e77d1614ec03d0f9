#include "app/window_arguments.h"

#include <gtest/gtest.h>

namespace korvex {
namespace {

using Arguments = std::vector<std::string>;

TEST(WindowArguments, OnlyTheWindowsOwnWithTheHostSwitchFirst) {
  const struct {
    Arguments given;
    Arguments window;
  } cases[] = {
      {{"/DDE"}, {"/DDE"}},
      {{}, {}},
      // An option of the headless binary, wherever it stands.
      {{"--assume=yes", "/DDE"}, {"/DDE"}},
      {{"/DDE", "--assume=yes"}, {"/DDE"}},
      // Left over by Qt when another platform plugin would have taken them.
      {{"-nograb", "/DDE"}, {"/DDE"}},
      {{"-display", ":0", "/DDE"}, {"/DDE", ":0"}},
      // Case matters, as for the window itself.
      {{"/dde", "x"}, {"/dde", "x"}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(WindowArguments(c.given), c.window) << testing::PrintToString(c.given);
  }
}

}  // namespace
}  // namespace korvex
