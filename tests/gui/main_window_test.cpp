// The Qt window against the view contract, on the Qt loop, and what only
// the Qt window has.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
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

std::vector<std::string> Utf8(const QStringList& texts) {
  std::vector<std::string> lines;
  for (const QString& text : texts) lines.push_back(text.toStdString());
  return lines;
}

class QtViewDriver : public ViewDriver {
 public:
  explicit QtViewDriver(std::function<void()> on_closed) : view_(std::move(on_closed)) {}

  MainForm& form() { return view_.Form(); }
  QWidget* Widget(const char* name) { return form().findChild<QWidget*>(QString::fromLatin1(name)); }

  EventLoop& Loop() override { return loop_; }
  MainView& View() override { return view_; }
  void SetEvents(MainViewEvents& events) override { view_.SetEvents(events); }
  bool Show() override {
    form().show();
    return QTest::qWaitForWindowExposed(&form());
  }
  MessageBoxes& Boxes() override { return boxes_; }
  bool WindowOpen() override { return form().isVisible(); }

  void Click(const char* name) override { QTest::mouseClick(Widget(name), Qt::LeftButton); }
  void DoubleClick(const char* name) override { QTest::mouseDClick(Widget(name), Qt::LeftButton); }
  void ScrollLogToTop() override {
    form().Memo1->moveCursor(QTextCursor::Start);
    form().Memo1->verticalScrollBar()->setValue(0);
  }
  void RequestClose() override {
    form().close();
    loop_.ProcessMessages();
  }
  std::optional<BoxSeen> RequestCloseAnswering(const char* press) override {
    MessageBoxProbe probe(QString::fromUtf8(press));
    RequestClose();
    if (!probe.seen) return std::nullopt;
    return BoxSeen{probe.seen->title.toStdString(), probe.seen->text.toStdString(),
                   probe.seen->icon == QMessageBox::Information, Utf8(probe.seen->buttons)};
  }

  FrameSeen Frame() override {
    // A size the frame refuses is as good as a missing sizing border.
    const QSize size = form().size();
    form().resize(400, 400);
    const bool resized = form().size() != size;
    form().resize(size);
    const Qt::WindowFlags flags = form().windowFlags();
    return {form().windowTitle().toStdString(),
            size.width(),
            size.height(),
            form().pos().x(),
            form().pos().y(),
            resized || form().minimumSize() != form().maximumSize(),
            flags.testFlag(Qt::WindowMaximizeButtonHint),
            flags.testFlag(Qt::WindowMinimizeButtonHint),
            flags.testFlag(Qt::WindowCloseButtonHint)};
  }
  std::optional<ComponentSeen> Component(const char* name) override {
    const QWidget* widget = Widget(name);
    if (!widget) return std::nullopt;
    QString text;
    if (auto* label = qobject_cast<const QLabel*>(widget)) text = label->text();
    if (auto* button = qobject_cast<const QAbstractButton*>(widget)) text = button->text();
    if (auto* edit = qobject_cast<const QLineEdit*>(widget)) text = edit->text();
    const QRect at = widget->geometry();
    return ComponentSeen{at.left(),
                         at.top(),
                         at.width(),
                         at.height(),
                         text.toStdString(),
                         widget->toolTip().toStdString(),
                         widget->isEnabled(),
                         widget->isVisible()};
  }
  std::vector<std::string> LogLines() override {
    return Utf8(form().Memo1->toPlainText().split(QLatin1Char('\n')));
  }
  bool NewestLineShown() override {
    const QScrollBar* bar = form().Memo1->verticalScrollBar();
    return bar->value() == bar->maximum();
  }
  bool LogReadOnly() override { return form().Memo1->isReadOnly(); }
  bool Checked(const char* name) override {
    auto* box = qobject_cast<QAbstractButton*>(Widget(name));
    return box && box->isChecked();
  }
  ProgressSeen Progress() override {
    return {form().Bar1->minimum(), form().Bar1->maximum(), form().Bar1->value()};
  }
  std::string Picture(const char* name) override {
    auto* label = qobject_cast<QLabel*>(Widget(name));
    if (!label) return {};
    const QImage image = label->pixmap().toImage().convertToFormat(QImage::Format_ARGB32);
    if (image.isNull()) return {};
    return std::to_string(image.width()) + "x" + std::to_string(image.height()) + ":" +
           std::string(reinterpret_cast<const char*>(image.constBits()),
                       static_cast<std::size_t>(image.sizeInBytes()));
  }

 private:
  QtEventLoop loop_;
  QtMainView view_;
  QtMessageBoxes boxes_{&view_.Form()};
};

const ViewDriverFactory kQt{[](std::function<void()> on_closed) {
  return std::unique_ptr<ViewDriver>(std::make_unique<QtViewDriver>(std::move(on_closed)));
}};

INSTANTIATE_TEST_SUITE_P(Qt, MainViewContract, ::testing::Values(kQt));

class QtMainViewTest : public MainViewContract {
 protected:
  MainForm& form() { return static_cast<QtViewDriver&>(*driver).form(); }
};

TEST_P(QtMainViewTest, ShowsTheDrawnPicturesAndWholeTextsInTheWindowsFont) {
  Open();
  for (const DesignedComponent& c : kDesignedComponents) {
    if (!c.widens_to_text) continue;
    const QWidget* widget = form().findChild<QWidget*>(QString::fromLatin1(c.name));
    ASSERT_NE(widget, nullptr) << c.name;
    EXPECT_GE(widget->width(), widget->sizeHint().width()) << c.name << ": text cut off";
  }
  EXPECT_LE(form().Label1->heightForWidth(177), 33) << "the title needs more than its two lines";
  EXPECT_FALSE(form().Bar1->isTextVisible());
  EXPECT_EQ(form().Memo1->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
  EXPECT_EQ(form().Image1->pixmap().toImage(), ProgramIcon().toImage());
  EXPECT_EQ(form().icom0->pixmap().toImage(), IdleLamp().toImage());
  EXPECT_EQ(form().icom1->pixmap().toImage(), BusyLamp().toImage());
  EXPECT_FALSE(form().windowIcon().isNull());
  EXPECT_EQ(form().font().family(), QStringLiteral("DejaVu Sans"));
  EXPECT_EQ(form().font().pointSize(), 8);
  EXPECT_TRUE(form().Label1->font().bold());
  EXPECT_EQ(form().backgroundRole(), QPalette::Button);
}

INSTANTIATE_TEST_SUITE_P(Qt, QtMainViewTest, ::testing::Values(kQt));

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
