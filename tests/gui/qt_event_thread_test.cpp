#include "gui/qt_event_loop.h"
#include "support/event_thread_contract.h"

namespace korvex {
namespace {

INSTANTIATE_TEST_SUITE_P(Qt, EventThreadContract, ::testing::Values(LoopFactory{[] {
                           return std::unique_ptr<EventLoop>(new QtEventLoop);
                         }}));

}  // namespace
}  // namespace korvex
