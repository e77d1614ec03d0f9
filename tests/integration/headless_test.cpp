#include <gtest/gtest.h>

#include "support/child_process.h"
#include "support/temp_directory.h"

namespace korvex {
namespace {

using namespace std::chrono_literals;

// A configuration whose controller refuses at once: upload mode then idles
// and host mode runs.
class HeadlessRun {
 public:
  explicit HeadlessRun(const std::vector<std::string>& arguments)
      : process((directory.Write("lumadex.ini", "TCP 127.0.0.1 1\n"), KORVEX_HEADLESS), arguments,
                ChildSetup{directory.String(), "", {}}) {}
  TempDirectory directory;
  ChildProcess process;
};

TEST(Headless, StartsLogsAndEndsCleanlyOnSigterm) {
  HeadlessRun run({});
  ChildProcess& korvex = run.process;
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
  HeadlessRun run({"/DDE", "--assume=yes"});
  ChildProcess& korvex = run.process;
  ASSERT_TRUE(korvex.WaitFor("Inicializace...OK", 10s)) << korvex.Output();
  korvex.Signal(SIGINT);
  EXPECT_EQ(korvex.Wait(10s), std::optional<int>(0)) << korvex.Output();
}

}  // namespace
}  // namespace korvex
