#include "gui/main_form.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <algorithm>
#include <functional>

#include "gui/drawn_pictures.h"
#include "gui/utf8_text.h"
#include "shell/form_layout.h"

namespace korvex {
namespace {

// A picture that reports a double click with the left button.
class PictureLabel : public QLabel {
 public:
  PictureLabel(QWidget* parent, std::function<void()> on_double_click)
      : QLabel(parent), on_double_click_(std::move(on_double_click)) {}

 protected:
  void mouseDoubleClickEvent(QMouseEvent* event) override {
    if (event->button() == Qt::LeftButton) on_double_click_();
  }

 private:
  std::function<void()> on_double_click_;
};

QRect GeometryOf(Component component) {
  const FormRect& r = DesignOf(component).rect;
  return QRect(r.left, r.top, r.width, r.height);
}

// Puts the widget at its place with its name, hint and initial state; showing
// is left to the window, which shows its visible children with itself.
template <class Widget>
Widget* Place(Widget* widget, Component component) {
  const ComponentDesign& design = DesignOf(component);
  widget->setObjectName(FromUtf8(design.name));
  widget->setGeometry(GeometryOf(component));
  widget->setToolTip(FromUtf8(design.hint));
  widget->setEnabled(design.enabled);
  if (!design.visible) widget->hide();
  return widget;
}

void WidenToText(QWidget* widget, Component component) {
  const ComponentDesign& design = DesignOf(component);
  if (!design.widens_to_text) return;
  widget->resize(std::max(design.rect.width, widget->sizeHint().width()), widget->height());
}

QLabel* Caption(QWidget* parent, Component component) {
  auto* label = Place(new QLabel(parent), component);
  label->setTextFormat(Qt::PlainText);
  label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  label->setText(FromUtf8(DesignOf(component).text));
  WidenToText(label, component);
  return label;
}

QLabel* Lamp(QWidget* parent, Component component, const QPixmap& picture) {
  auto* lamp = Place(new QLabel(parent), component);
  lamp->setScaledContents(true);
  lamp->setPixmap(picture);
  return lamp;
}

QPushButton* Button(QWidget* parent, Component component) {
  auto* button = Place(new QPushButton(FromUtf8(DesignOf(component).text), parent), component);
  button->setAutoDefault(false);
  return button;
}

}  // namespace

QFont FormFont() {
  // Close to the metrics of the original MS Sans Serif 8 pt, for which the
  // layout was made; the condensed face is taken when installed, else the
  // regular one is narrowed.
  QFont font(QStringLiteral("DejaVu Sans"), 8);
  font.setStretch(QFont::SemiCondensed);
  return font;
}

MainForm::MainForm() {
  setObjectName(QStringLiteral("DlgKORVEX"));
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                 Qt::WindowCloseButtonHint);
  setWindowTitle(FromUtf8(kWindowTitle));
  setWindowIcon(QIcon(ProgramIcon()));
  setFont(FormFont());
  setBackgroundRole(QPalette::Button);
  setAutoFillBackground(true);
  setFixedSize(kClientWidth, kClientHeight);
  move(kWindowLeft, kWindowTop);

  PlaceHeader();
  PlaceLog();
  PlaceStatus();
}

std::function<void()> MainForm::Forward(void (MainViewEvents::*handler)()) {
  return [this, handler] {
    if (events_) (events_->*handler)();
  };
}

void MainForm::PlaceHeader() {
  Image1 =
      Place(new PictureLabel(this, Forward(&MainViewEvents::Image1DblClick)), Component::Image1);
  Image1->setPixmap(ProgramIcon());

  Label1 = Place(new QLabel(this), Component::Label1);
  QFont bold = FormFont();
  bold.setBold(true);
  Label1->setFont(bold);
  Label1->setTextFormat(Qt::PlainText);
  Label1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  Label1->setWordWrap(true);
  Label1->setText(FromUtf8(DesignOf(Component::Label1).text));

  LabelVersion = Caption(this, Component::LabelVersion);
}

void MainForm::PlaceLog() {
  chbstop =
      Place(new QCheckBox(FromUtf8(DesignOf(Component::chbstop).text), this), Component::chbstop);
  WidenToText(chbstop, Component::chbstop);
  connect(chbstop, &QCheckBox::toggled, this, [this](bool checked) {
    if (events_) events_->chbstopClick(checked);
  });

  Memo1 = Place(new QPlainTextEdit(this), Component::Memo1);
  Memo1->setReadOnly(true);
  Memo1->setUndoRedoEnabled(false);
  Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  Memo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
}

void MainForm::PlaceStatus() {
  CAN0 = Button(this, Component::CAN0);
  connect(CAN0, &QPushButton::clicked, this, Forward(&MainViewEvents::CAN0Click));
  CAN1 = Button(this, Component::CAN1);
  connect(CAN1, &QPushButton::clicked, this, Forward(&MainViewEvents::CAN1Click));

  Label3 = Caption(this, Component::Label3);

  Bar1 = Place(new QProgressBar(this), Component::Bar1);
  Bar1->setRange(0, kProgressMaximum);
  Bar1->setValue(0);
  Bar1->setTextVisible(false);

  icom0 = Lamp(this, Component::icom0, IdleLamp());
  icom1 = Lamp(this, Component::icom1, BusyLamp());
  icom = Lamp(this, Component::icom, icom0->pixmap());

  Label2 = Caption(this, Component::Label2);

  Edit1 = Place(new QLineEdit(this), Component::Edit1);
  Edit2 = Place(new QLineEdit(this), Component::Edit2);

  Button1 = Button(this, Component::Button1);
  connect(Button1, &QPushButton::clicked, this, Forward(&MainViewEvents::Button1Click));
}

void MainForm::SetVersionText(const QString& text) {
  LabelVersion->setText(text);
  WidenToText(LabelVersion, Component::LabelVersion);
}

void MainForm::closeEvent(QCloseEvent* event) {
  if (close_allowed_) {
    event->accept();
    return;
  }
  // The logic decides, outside this event: when it allows the close it
  // closes the window itself, which a close nested in this one could not.
  event->ignore();
  QMetaObject::invokeMethod(
      this,
      [this] {
        if (events_) events_->CloseRequestedByUser();
      },
      Qt::QueuedConnection);
}

}  // namespace korvex
