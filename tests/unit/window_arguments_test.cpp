#include "app/window_arguments.h"

#include <gtest/gtest.h>

namespace korvex {
namespace {

using Arguments = std::vector<std::string>;

TEST(WindowArguments, QtsLeftoverOptionsArePassedOverTheRestKeptInOrder) {
  const struct {
    Arguments given;
    Arguments kept;
  } cases[] = {
      {{"/DDE"}, {"/DDE"}},
      {{}, {}},
      {{"-nograb", "/DDE"}, {"/DDE"}},
      {{"-display", ":0", "/DDE"}, {"/DDE"}},
      {{"/DDE", "-geometry", "10x10", "x"}, {"/DDE", "x"}},
      // Not the toolkit's: the command line refuses them.
      {{"--assume=no", "/DDE", "-bogus"}, {"--assume=no", "/DDE", "-bogus"}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(WithoutToolkitOptions(c.given), c.kept) << testing::PrintToString(c.given);
  }
}

}  // namespace
}  // namespace korvex
