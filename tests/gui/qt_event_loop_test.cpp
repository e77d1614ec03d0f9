#include "gui/qt_event_loop.h"

#include "support/event_loop_contract.h"

namespace korvex {
namespace {

const LoopFactory kQt{[] { return std::unique_ptr<EventLoop>(std::make_unique<QtEventLoop>()); }};

INSTANTIATE_TEST_SUITE_P(Qt, EventLoopContract, ::testing::Values(kQt));
INSTANTIATE_TEST_SUITE_P(Qt, RealTimeEventLoopContract, ::testing::Values(kQt));
// Qt watches sockets itself, not through the readiness poller.
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(PolledEventLoopContract);

}  // namespace
}  // namespace korvex
