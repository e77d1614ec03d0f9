// The Qt window and message boxes against the view contract, on the Qt loop,
// and what only they have.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QScrollBar>
#include <QTest>

#include "gui/drawn_pictures.h"
#include "gui/message_box_probe.h"
#include "gui/qt_event_loop.h"
#include "gui/qt_main_view.h"
#include "gui/qt_message_boxes.h"
#include "support/main_view_contract.h"

namespace korvex {
namespace {

class QtViewDriver {
 public:
  explicit QtViewDriver(std::function<void()> on_closed) : view_(std::move(on_closed)) {}
  MainForm& form() { return view_.Form(); }
  QWidget* Widget(const char* name) { return form().findChild<QWidget*>(name); }

  EventLoop& Loop() { return loop_; }
  MainView& View() { return view_; }
  void SetEvents(MainViewEvents& events) { view_.SetEvents(events); }
  bool Show() {
    form().show();
    return QTest::qWaitForWindowExposed(&form());
  }
  MessageBoxes& Boxes() { return boxes_; }
  bool WindowOpen() { return form().isVisible(); }

  void Click(const char* name) { QTest::mouseClick(Widget(name), Qt::LeftButton); }
  void DoubleClick(const char* name) { QTest::mouseDClick(Widget(name), Qt::LeftButton); }
  void ScrollLogToTop() { form().Memo1->moveCursor(QTextCursor::Start); }
  std::optional<BoxSeen> RequestClose(const char* press = nullptr) {
    return Answering(press, [this] {
      form().close();
      loop_.ProcessMessages();
    });
  }
  std::optional<BoxSeen> Answering(const char* press, const std::function<void()>& act) {
    if (press) probe.emplace(QString::fromUtf8(press));
    act();
    return press ? probe->seen : std::nullopt;
  }

  FrameSeen Frame() {
    // A size the window refuses is as good as a missing sizing border.
    const QSize size = form().size();
    form().resize(400, 400);
    const bool resized = form().size() != size || form().minimumSize() != form().maximumSize();
    form().resize(size);
    const auto has = [this](Qt::WindowType hint) { return form().windowFlags().testFlag(hint); };
    return FrameSeen{form().windowTitle().toStdString(), size.width(), size.height(), form().x(),
                     form().y(), resized, has(Qt::WindowMaximizeButtonHint),
                     has(Qt::WindowMinimizeButtonHint), has(Qt::WindowCloseButtonHint)};
  }
  std::optional<ComponentSeen> Component(const char* name) {
    const QWidget* widget = Widget(name);
    if (!widget) return std::nullopt;
    const QRect at = widget->geometry();
    // Labels, buttons and edits all have their text as this property.
    const std::string text = widget->property("text").toString().toStdString();
    return ComponentSeen{at.left(), at.top(), at.width(), at.height(), text,
                         widget->toolTip().toStdString(), widget->isEnabled(), widget->isVisible()};
  }
  std::string LogText() { return form().Memo1->toPlainText().toStdString(); }
  bool NewestLineShown() {
    const QScrollBar* bar = form().Memo1->verticalScrollBar();
    return bar->value() == bar->maximum();
  }
  bool LogReadOnly() { return form().Memo1->isReadOnly(); }
  bool PauseChecked() { return form().chbstop->isChecked(); }
  std::array<int, 3> Progress() {
    return {form().Bar1->minimum(), form().Bar1->maximum(), form().Bar1->value()};
  }
  std::string Picture(const char* name) {
    const auto* label = qobject_cast<QLabel*>(Widget(name));
    const QImage image = label ? label->pixmap().toImage() : QImage();
    // A hash of the pixels: a failure prints a number, not the picture.
    const auto size = static_cast<std::size_t>(image.sizeInBytes());
    return image.isNull() ? std::string() : std::to_string(qHashBits(image.constBits(), size));
  }

  std::optional<MessageBoxProbe> probe;  // the last box's

 private:
  QtEventLoop loop_;
  QtMainView view_;
  QtMessageBoxes boxes_{&view_.Form()};
};

INSTANTIATE_TYPED_TEST_SUITE_P(Qt, MainViewContract, QtViewDriver);

using QtMainViewTest = MainViewContract<QtViewDriver>;

TEST_F(QtMainViewTest, ShowsTheDrawnPicturesAndWholeTextsInTheWindowsFont) {
  Open();
  MainForm& form = driver.form();
  for (const DesignedComponent& c : kDesignedComponents) {
    const QWidget* widget = driver.Widget(c.name);
    ASSERT_NE(widget, nullptr) << c.name;
    if (c.widens_to_text) {
      EXPECT_GE(widget->width(), widget->sizeHint().width()) << c.name;
    }
  }
  EXPECT_LE(form.Label1->heightForWidth(177), 33) << "the title needs more than its two lines";
  EXPECT_FALSE(form.Bar1->isTextVisible());
  EXPECT_EQ(form.Memo1->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
  EXPECT_EQ(form.Image1->pixmap().toImage(), ProgramIcon().toImage());
  EXPECT_EQ(form.icom0->pixmap().toImage(), IdleLamp().toImage());
  EXPECT_EQ(form.icom1->pixmap().toImage(), BusyLamp().toImage());
  EXPECT_FALSE(form.windowIcon().isNull());
  EXPECT_EQ(form.font().family(), QStringLiteral("DejaVu Sans"));
  EXPECT_EQ(form.font().pointSize(), 8);
  EXPECT_TRUE(form.Label1->font().bold());
  EXPECT_EQ(form.backgroundRole(), QPalette::Button);
}

TEST_F(QtMainViewTest, BoxesTakeAltShortcutsAndShowTextAsPlainText) {
  CzechBoxes();
  ShowBox(MessageKind::kError, "<b>?</b>", {MessageButton::kYes, MessageButton::kNo},
                 "&Ano");
  ASSERT_TRUE(driver.probe->seen.has_value()) << "no box";
  EXPECT_EQ(driver.probe->format, Qt::PlainText);
  EXPECT_EQ(driver.probe->seen->text, "<b>?</b>");
  EXPECT_EQ(driver.probe->shortcuts,
            (std::vector<QKeySequence>{Qt::ALT | Qt::Key_A, Qt::ALT | Qt::Key_N}));
}

TEST(QtWindowLog, KeepsItsNewestLinesUpToTheBound) {
  EXPECT_EQ(QtMainView([] {}).Form().Memo1->maximumBlockCount(), kWindowLogLines);
  QtMainView view([] {}, 3);
  const auto lines = [&view] { return view.Form().Memo1->toPlainText().split(QLatin1Char('\n')); };
  for (int round = 0; round < 2; ++round) {
    for (int i = 1; i <= 5; ++i) view.AddLine("řádek " + std::to_string(i));
    view.AppendToLastLine(" OK");
    EXPECT_EQ(lines(), (QStringList{"řádek 3", "řádek 4", "řádek 5 OK"}));
    view.ClearLog();
  }
}

}  // namespace
}  // namespace korvex
