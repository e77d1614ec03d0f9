#include "support/bytes.h"
#include "support/failure_case.h"
#include "support/fake_controller.h"
#include "support/window_fixture.h"

namespace korvex {
namespace {

const std::string kStartMark = Hex("00 00 00 00 00 00 00");
const std::string kEndMark = Hex("00 00 00 01 00 00 00");

class ProjectUpload : public WindowFixture {
 protected:
  void SetUp() override {
    Create();
    OpenTcpLink();
  }

  // The queue as the start-up sequence leaves it for a project of `items`
  // items with codes 01 00 00, 01 00 01, ...
  void QueueProject(int items) {
    std::uint32_t sum = 0;
    TTranList project;
    for (int i = 0; i < items; ++i) {
      const std::string code{'\x01', '\x00', static_cast<char>(i)};
      AddTran(project, 1, kKindWrite, 0, 0, code + FakeController::Value(100 + i));
      sum += 100 + i;
    }
    JoinTran(kKindWrite, project);
    window->AddTran(1, kKindWrite, 0, 0, kStartMark);
    for (const TTranFronta* e = project.Head(); e; e = e->Next) {
      window->AddTran(e->Key1, e->Kind, e->Key2, e->Key3, e->Data);
    }
    window->AddTran(1, kKindWrite, 0, 0, Hex("00 00 03") + FakeController::Value(sum));
    window->AddTran(1, kKindWrite, 0, 0, kEndMark);
  }

  void StartUpload() {
    window->ConfirmUpload();
    window->StartUpload();
  }

  FakeController controller{socket};
};

TEST_F(ProjectUpload, SeventyItemsGoOutInSixRequestsAndTheCommunicatorCloses) {
  QueueProject(70);
  StartUpload();
  Advance(999);
  EXPECT_TRUE(controller.requests.empty()) << "one second after the start-up";
  Advance(1);
  ASSERT_EQ(controller.requests.size(), 6u);
  EXPECT_EQ(controller.requests[0], "QQ" + kStartMark);
  EXPECT_EQ(controller.requests[1].size(), 2u + 32 * 7);
  EXPECT_EQ(controller.requests[2].size(), 2u + 32 * 7);
  EXPECT_EQ(controller.requests[3].size(), 2u + 6 * 7);
  EXPECT_EQ(controller.requests[4],
            "QQ" + Hex("00 00 03") + FakeController::Value(70 * 100 + 2415));
  EXPECT_EQ(controller.requests[5], "QQ" + kEndMark);
  EXPECT_EQ(controller.items[Hex("01 00 45")], 169u);
  EXPECT_EQ(view.lines,
            (std::vector<std::string>{"Nahrávání projektu...OK.", "Ukončení komunikátoru..."}));
  EXPECT_EQ(view.progress_maximum, 6);
  EXPECT_EQ(view.progress, 0);
  EXPECT_FALSE(window->IsUploadConfirmed());
  EXPECT_FALSE(loop.TimerNamed("Timer1").Enabled());
  EXPECT_FALSE(view.closed);
  Advance(100);
  EXPECT_TRUE(view.closed);
  EXPECT_EQ(window->Result(), RunOutcome::kDone);
}

class ProjectUploadFailures : public ProjectUpload,
                              public ::testing::WithParamInterface<FailureCase> {};

TEST_P(ProjectUploadFailures, AskFromTheThirdFailureOnAndCloseInEveryCase) {
  const FailureCase& c = GetParam();
  QueueProject(2);
  // A read among the writes is dropped unsent.
  window->PushTran(1, kKindRead, 0, 0, Hex("00 01 02"));
  controller.unanswered = c.unanswered;
  boxes.answers.assign(c.answers.begin(), c.answers.end());
  StartUpload();
  Advance(1000 + 3100 * static_cast<int>(c.unanswered.size()) + 100);
  ASSERT_EQ(boxes.shown.size(), c.questions);
  for (const auto& box : boxes.shown) EXPECT_EQ(box.text, "Chyba komunikace !\rPřerušit ?");
  ASSERT_EQ(view.lines.size(), 2u);
  EXPECT_EQ(view.lines[1], "Ukončení komunikátoru...");
  EXPECT_TRUE(view.closed);
  for (const auto& request : controller.requests) EXPECT_EQ(request.substr(0, 2), "QQ");
  if (c.stopped) {
    EXPECT_EQ(view.lines[0], "Nahrávání projektu...CHYBA !");
    EXPECT_EQ(controller.requests.size(), c.unanswered.size());
    EXPECT_EQ(window->Result(), RunOutcome::kUploadFailed);
  } else {
    EXPECT_EQ(view.lines[0], "Nahrávání projektu...OK.");
    EXPECT_EQ(controller.requests.size(), c.unanswered.size() + 4);
    EXPECT_EQ(window->Result(), RunOutcome::kDone);
  }
}

INSTANTIATE_TEST_SUITE_P(
    , ProjectUploadFailures,
    ::testing::Values(FailureCase{"TwoFailuresTwiceAskNothing", {0, 1, 3, 4}, {}, 0, false},
                      FailureCase{"NoRetriesUntilSuccess",
                                  {0, 1, 2, 3},
                                  {MessageButton::kNo, MessageButton::kNo},
                                  2,
                                  false},
                      FailureCase{"YesEndsWithChyba", {0, 1, 2}, {MessageButton::kYes}, 1, true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ProjectUpload, XComEndsItWithPrerusenoAndTheCommunicatorCloses) {
  QueueProject(3);
  controller.unanswered = {0};
  controller.on_request = [this](const std::string&) { window->Button1Click(); };
  StartUpload();
  Advance(1200);
  EXPECT_EQ(controller.requests.size(), 1u);
  EXPECT_EQ(view.lines, (std::vector<std::string>{"Nahrávání projektu...", "Přerušeno uživatelem!",
                                                  "Přerušeno.", "Ukončení komunikátoru..."}))
      << "the engine's line comes between";
  EXPECT_TRUE(view.closed);
  EXPECT_EQ(window->Result(), RunOutcome::kUploadFailed);
}

TEST_F(ProjectUpload, WithoutConfirmationNothingHappensAndTheWindowStays) {
  QueueProject(3);
  window->StartUpload();
  Advance(3000);
  EXPECT_TRUE(controller.requests.empty());
  EXPECT_TRUE(view.lines.empty());
  EXPECT_FALSE(view.closed);
  EXPECT_FALSE(loop.TimerNamed("Timer1").Enabled());
}

}  // namespace
}  // namespace korvex
