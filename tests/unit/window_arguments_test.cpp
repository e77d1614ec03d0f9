#include "app/window_arguments.h"

#include <gtest/gtest.h>

namespace korvex {
namespace {

using Arguments = std::vector<std::string>;

TEST(WindowArguments, OnlyTheWindowsOwnInTheirOrder) {
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
      {{"-display", ":0", "/DDE"}, {"/DDE"}},
      {{"/DDE", "-geometry", "10x10", "x"}, {"/DDE", "x"}},
      // The switch only counts first: after another argument it stays second.
      {{"x", "--assume=no", "/DDE"}, {"x", "/DDE"}},
      // Case matters, as for the window itself.
      {{"/dde", "x"}, {"/dde", "x"}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(WindowArguments(c.given), c.window) << testing::PrintToString(c.given);
  }
}

}  // namespace
}  // namespace korvex
