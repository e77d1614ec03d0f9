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

namespace korvex {
namespace {

// The layout is the original's pixel layout, in client coordinates.
constexpr QSize kClientSize(236, 300);
constexpr QPoint kScreenPosition(412, 271);
constexpr QRect kVersionGeometry(48, 34, 60, 13);

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

template <class Widget>
Widget* Place(Widget* widget, const char* name, const QRect& geometry) {
  widget->setObjectName(QString::fromLatin1(name));
  widget->setGeometry(geometry);
  return widget;
}

// The original font was narrower; a text that needs more room than the
// design gave it widens its component rather than being cut off.
void WidenToText(QWidget* widget, int design_width) {
  widget->resize(std::max(design_width, widget->sizeHint().width()), widget->height());
}

QLabel* Caption(QWidget* parent, const char* name, const QRect& geometry, const QString& text) {
  auto* label = Place(new QLabel(parent), name, geometry);
  label->setTextFormat(Qt::PlainText);
  label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  label->setText(text);
  WidenToText(label, geometry.width());
  return label;
}

QLabel* Lamp(QWidget* parent, const char* name, const QRect& geometry, const QPixmap& picture) {
  auto* lamp = Place(new QLabel(parent), name, geometry);
  lamp->setScaledContents(true);
  lamp->setPixmap(picture);
  return lamp;
}

QPushButton* Button(QWidget* parent, const char* name, const QRect& geometry, const QString& text) {
  auto* button = Place(new QPushButton(text, parent), name, geometry);
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
  setWindowTitle(QStringLiteral("Lumadex VX2"));
  setWindowIcon(QIcon(ProgramIcon()));
  setFont(FormFont());
  setBackgroundRole(QPalette::Button);
  setAutoFillBackground(true);
  setFixedSize(kClientSize);
  move(kScreenPosition);

  const auto forward = [this](void (MainViewEvents::*handler)()) {
    return [this, handler] {
      if (events_) (events_->*handler)();
    };
  };

  Image1 = Place(new PictureLabel(this, forward(&MainViewEvents::Image1DblClick)), "Image1",
                 QRect(8, 8, 32, 32));
  Image1->setPixmap(ProgramIcon());

  Label1 = Place(new QLabel(this), "Label1", QRect(48, 8, 177, 33));
  QFont bold = FormFont();
  bold.setBold(true);
  Label1->setFont(bold);
  Label1->setTextFormat(Qt::PlainText);
  Label1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  Label1->setWordWrap(true);
  Label1->setText(QStringLiteral("QM Komunikátor pro systémy Vardos line 2 / COM+TCP"));

  LabelVersion = Caption(this, "LabelVersion", kVersionGeometry, QStringLiteral("Verze: 1.000"));

  chbstop =
      Place(new QCheckBox(QStringLiteral("Zastav výpis"), this), "chbstop", QRect(144, 47, 81, 17));
  chbstop->setToolTip(QStringLiteral("Zastaví výpis událostí"));
  WidenToText(chbstop, chbstop->width());
  connect(chbstop, &QCheckBox::toggled, this, [this](bool checked) {
    if (events_) events_->chbstopClick(checked);
  });

  Memo1 = Place(new QPlainTextEdit(this), "Memo1", QRect(8, 64, 217, 121));
  Memo1->setReadOnly(true);
  Memo1->setUndoRedoEnabled(false);
  Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  Memo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);

  CAN0 = Button(this, "CAN0", QRect(8, 192, 105, 25), QStringLiteral("CAN stop"));
  CAN0->setEnabled(false);
  connect(CAN0, &QPushButton::clicked, this, forward(&MainViewEvents::CAN0Click));
  CAN1 = Button(this, "CAN1", QRect(120, 192, 105, 25), QStringLiteral("CAN start"));
  CAN1->setEnabled(false);
  connect(CAN1, &QPushButton::clicked, this, forward(&MainViewEvents::CAN1Click));

  Label3 = Caption(this, "Label3", QRect(8, 224, 30, 13), QStringLiteral("Fronta"));

  Bar1 = Place(new QProgressBar(this), "Bar1", QRect(56, 224, 169, 16));
  Bar1->setRange(0, 100);
  Bar1->setValue(0);
  Bar1->setTextVisible(false);

  icom0 = Lamp(this, "icom0", QRect(11, 236, 8, 8), IdleLamp());
  icom0->hide();
  icom1 = Lamp(this, "icom1", QRect(27, 236, 8, 8), BusyLamp());
  icom1->hide();
  icom = Lamp(this, "icom", QRect(43, 228, 8, 8), icom0->pixmap());

  Label2 = Caption(this, "Label2", QRect(8, 252, 42, 13), QStringLiteral("DDE I/O"));

  Edit1 = Place(new QLineEdit(this), "Edit1", QRect(56, 248, 169, 21));
  Edit1->setEnabled(false);
  Edit2 = Place(new QLineEdit(this), "Edit2", QRect(56, 272, 169, 21));
  Edit2->setEnabled(false);

  Button1 = Button(this, "Button1", QRect(8, 272, 41, 21), QStringLiteral("X com"));
  Button1->setToolTip(QStringLiteral("Přerušení komunikace"));
  connect(Button1, &QPushButton::clicked, this, forward(&MainViewEvents::Button1Click));
}

void MainForm::SetVersionText(const QString& text) {
  LabelVersion->setText(text);
  WidenToText(LabelVersion, kVersionGeometry.width());
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
