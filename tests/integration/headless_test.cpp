#include <gtest/gtest.h>

#include "support/child_process.h"

namespace korvex {
namespace {

using namespace std::chrono_literals;

TEST(Headless, StartsLogsAndEndsCleanlyOnSigterm) {
  ChildProcess korvex(KORVEX_HEADLESS, {});
  ASSERT_TRUE(korvex.Started());
  ASSERT_TRUE(korvex.WaitFor("Inicializace...OK", 10s)) << korvex.Output();
  EXPECT_FALSE(korvex.Wait(300ms).has_value()) << "it stays running";
  korvex.Signal(SIGTERM);
  const auto status = korvex.Wait(10s);
  ASSERT_TRUE(status.has_value());
  EXPECT_EQ(*status, 0) << korvex.Output();
  EXPECT_NE(korvex.Output().find("Přijat signál SIGTERM"), std::string::npos);
}

TEST(Headless, SigintClosesAsTheHostWould) {
  ChildProcess korvex(KORVEX_HEADLESS, {"/DDE", "--assume=yes"});
  ASSERT_TRUE(korvex.WaitFor("Inicializace...OK", 10s)) << korvex.Output();
  korvex.Signal(SIGINT);
  EXPECT_EQ(korvex.Wait(10s), std::optional<int>(0)) << korvex.Output();
}

TEST(Headless, UnknownOptionIsAnErrorAndHelpDescribesTheOptions) {
  ChildProcess bad(KORVEX_HEADLESS, {"--bogus"});
  const auto status = bad.Wait(10s);
  ASSERT_TRUE(status.has_value());
  EXPECT_NE(*status, 0);

  ChildProcess help(KORVEX_HEADLESS, {"--help"});
  EXPECT_EQ(help.Wait(10s), std::optional<int>(0));
  EXPECT_NE(help.Output().find("--assume"), std::string::npos);
}

}  // namespace
}  // namespace korvex
