// The icon bar's widgets over Qt. The bar is a plain widget holding tool buttons that it places
// itself, left to right, never wrapping: buttons beyond the right edge are simply not visible. A
// click is handed to the main window's command event at once, as the desktop's toolbar does, so a
// command may rebuild the bar from inside the click of one of its own buttons; such a bar is only
// detached then, and deleted once control is back in the event loop. The message label is a
// QLabel in plain-text mode (a book title is never read as markup).
#include "platform/bar.h"
#include "platform/font_limits.h"

#include <QApplication>
#include <QEvent>
#include <QFile>
#include <QFont>
#include <QFontMetrics>
#include <QIcon>
#include <QImage>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QKeyEvent>
#include <QPixmap>
#include <QPointer>
#include <QSvgRenderer>
#include <QThread>
#include <QToolButton>
#include <QWidget>

#include <algorithm>
#include <cmath>
#include <map>
#include <vector>

#include "platform/bar_fit.h"
#include "platform/files.h"
#include "platform/qt/accessible_notice.h"
#include "platform/qt/live_objects.h"
#include "platform/qt/main_widget.h"
#include "platform/testing.h"

namespace vt {

constexpr int kFocusFrame = 6;  // the width of the keyboard focus mark
const QColor kBarFace(0xF0, 0xF0, 0xF0);
const QColor kFocusColour(Qt::black);

static int clicksInProgress = 0;  // > 0 while a bar click is being handled

static QString FromEightBit(const std::string& text) { return QString::fromStdString(BytesToUtf8(text)); }

static QFont MakeFont(const FontRequest& request) {
  QFont font(QString::fromStdString(request.face));
  font.setPixelSize(LabelPixelHeight(request.pixelHeight));
  font.setWeight(request.bold ? QFont::Bold : QFont::Normal);
  return font;
}

bool OnUserInterfaceThread() {
  return QCoreApplication::instance() && QThread::currentThread() == QCoreApplication::instance()->thread();
}

// ---- image lists

class BarImages {
 public:
  explicit BarImages(int iconSize) : size(std::min(iconSize, kLargestIcon)) { MarkLive(this); }
  ~BarImages() { MarkGone(this); }

  // An image at a size (a bar narrower than its buttons shows smaller icons), drawn when a button
  // first shows it and kept: a bar shows ten of the images, and drawing all of them at the start
  // would only hold up the first frame.
  QPixmap At(int index, int atSize) {
    std::vector<QPixmap>& drawn = atSize == size ? pixmaps : resized[atSize];
    drawn.resize(paths.size());
    if (drawn[index].isNull()) drawn[index] = Draw(paths[index], atSize);
    return drawn[index];
  }

  static QPixmap Draw(const QString& path, int atSize) {
    QSvgRenderer renderer(path);
    QImage image(atSize, atSize, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    if (renderer.isValid()) {
      QPainter painter(&image);
      painter.setRenderHint(QPainter::Antialiasing);
      renderer.render(&painter, QRectF(0, 0, atSize, atSize));
    }
    return QPixmap::fromImage(image);
  }

  int size;
  std::vector<QString> paths;   // the drawing of each image ("" when there is none: drawn empty)
  std::vector<QPixmap> pixmaps;  // drawn at `size` so far (null: not yet)
  std::map<int, std::vector<QPixmap>> resized;
};

BarImages* BarImagesCreate(int size) { return new BarImages(size); }

void BarImagesDestroy(BarImages* images) { delete Live(images); }

bool BarImagesAddIcon(BarImages* images, const std::string& resourceName) {
  if (!Live(images)) return false;
  QString path = QString(":/resources/icons/%1.svg").arg(QString::fromStdString(resourceName));
  bool exists = QFile::exists(path);
  images->paths.push_back(exists ? path : QString());
  return exists;
}

int BarImagesCount(BarImages* images) { return Live(images) ? static_cast<int>(images->paths.size()) : 0; }
int BarImagesSize(BarImages* images) { return Live(images) ? std::max(0, images->size) : 0; }

// ---- the bar

class BarView;

// One button: icon above label. Left clicks go out through `clicked`; right clicks are caught
// here, before the bar would take them for a click on its empty part. Tab reaches it (a mouse
// click leaves the focus where it was); Enter and Space press it; the focus shows as a wide frame.
class BarButton : public QToolButton {
 public:
  BarButton(BarView* bar, int image, int command);
  int image;
  int command;
  QStringList texts;  // every label the button may show: its width fits the widest

 protected:
  void mousePressEvent(QMouseEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;
  void paintEvent(QPaintEvent* e) override;
};

class BarView : public QWidget {
 public:
  explicit BarView(MainWidget* window) : QWidget(window), owner(window) {
    MarkLive(this);
    setAutoFillBackground(true);
    setFocusPolicy(Qt::NoFocus);
    QPalette colours = palette();
    colours.setColor(QPalette::Window, kBarFace);
    colours.setColor(QPalette::Button, kBarFace);
    colours.setColor(QPalette::WindowText, Qt::black);
    colours.setColor(QPalette::ButtonText, Qt::black);
    setPalette(colours);
    setGeometry(0, 0, parentWidget() ? parentWidget()->width() : 0, 0);
    if (parentWidget()) parentWidget()->installEventFilter(this);
    show();
  }
  ~BarView() override { MarkGone(this); }

  void Click(int command) { Raise(&MainWindowEvents::command, command); }
  void RightClick(int command) { Raise(&MainWindowEvents::barRightClick, command); }

  // Hands a click to the window's event; the bar may be destroyed by what the click runs.
  void Raise(std::function<void(int)> MainWindowEvents::*event, int command) {
    if (!owner || !IsWindow(owner)) return;
    std::function<void(int)> handler = owner->events.*event;
    ++clicksInProgress;
    if (handler) handler(command);
    --clicksInProgress;
  }

  // Sizes and places the buttons within the window's width (see BarAutoSize).
  void Arrange() {
    int width = parentWidget() ? parentWidget()->width() : this->width();
    const std::vector<FitLayout> turns = layouts.empty() ? std::vector<FitLayout>{OwnLayout()} : layouts;
    BarFit fit = FitBarLayouts(width - kDragRoom, IconSize(), labelFont.pixelSize(), turns, Measure());
    QFont font = labelFont;
    font.setPixelSize(fit.labelPixels);
    const int labelHeight = QFontMetrics(font).height();
    int height = 0;
    for (BarButton* button : buttons) height = std::max(height, ButtonHeight(button, fit.icon, labelHeight));
    int x = kBarMargin;
    const FitLayout own = OwnLayout();
    for (std::size_t i = 0; i < buttons.size(); ++i) {
      BarButton* button = buttons[i];
      int buttonWidth = FitButtonWidth(own[i], fit, Measure());
      if (button->font() != font) button->setFont(font);
      SetIcon(button, fit.icon);
      button->setGeometry(x, kBarMargin, buttonWidth, height);
      x += buttonWidth + kButtonGap;
    }
    setGeometry(0, 0, width, height + 2 * kBarMargin);
  }

  QPointer<MainWidget> owner;
  BarImages* images = nullptr;
  QFont labelFont;  // the font the program asked for
  std::vector<FitLayout> layouts;  // the button sets this bar takes turns with (none: its own buttons)
  std::map<std::pair<int, QString>, int> labelWidths;  // measured so far, by pixel height and label
  std::vector<BarButton*> buttons;
  std::vector<std::string> labels;
  std::vector<ButtonSpeech> speech;

 protected:
  // The bar keeps to the width of the window it sits in, its buttons fitted to it.
  bool eventFilter(QObject* watched, QEvent* e) override {
    if (watched != parentWidget() || e->type() != QEvent::Resize) return false;
    if (buttons.empty())
      resize(parentWidget()->width(), height());
    else
      Arrange();
    return false;
  }
  // A left press on the empty part is ignored here and so reaches the window (the window drag).
  void mousePressEvent(QMouseEvent* e) override {
    if (e->button() == Qt::RightButton)
      e->accept();
    else
      e->ignore();
  }
  void mouseReleaseEvent(QMouseEvent* e) override {
    if (e->button() == Qt::RightButton && rect().contains(e->position().toPoint())) {
      e->accept();
      RightClick(-1);
    } else {
      e->ignore();
    }
  }

 private:
  int IconSize() const { return Live(images) ? std::max(0, images->size) : 0; }

  // The bar's own buttons, for the fit.
  FitLayout OwnLayout() const {
    FitLayout own;
    for (const BarButton* button : buttons) {
      FitButton fitted{button->image >= 0 && IconSize() > 0, {}};
      for (const QString& text : button->texts) fitted.labels.push_back(text.toStdString());
      own.push_back(fitted);
    }
    return own;
  }

  // Label widths in the bar's face, each measured once.
  LabelWidth Measure() {
    return [this](int pixels, const std::string& label) {
      QString text = QString::fromStdString(label);
      auto key = std::make_pair(pixels, text);
      auto known = labelWidths.find(key);
      if (known != labelWidths.end()) return known->second;
      QFont font = labelFont;
      font.setPixelSize(pixels);
      return labelWidths[key] = QFontMetrics(font).horizontalAdvance(text);
    };
  }

  int ButtonHeight(const BarButton* button, int icon, int labelHeight) const {
    if (button->image < 0 || IconSize() <= 0) icon = 0;
    return icon + (icon ? kIconLabelGap : 0) + labelHeight + 2 * kButtonPadY;
  }

  void SetIcon(BarButton* button, int size) {
    BarImages* list = Live(images);
    if (!list || button->image < 0 || button->image >= static_cast<int>(list->paths.size()) || list->size <= 0) return;
    if (!button->icon().isNull() && button->iconSize() == QSize(size, size)) return;
    button->setIcon(QIcon(list->At(button->image, size)));
    button->setIconSize(QSize(size, size));
  }
};

BarButton::BarButton(BarView* bar, int imageIndex, int commandId)
    : QToolButton(bar), image(imageIndex), command(commandId) {
  setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
  setFocusPolicy(Qt::TabFocus);
}

void BarButton::keyPressEvent(QKeyEvent* e) {
  if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
    e->accept();
    click();
    return;
  }
  QToolButton::keyPressEvent(e);
}

// The focus frame: black on the bar's light face, drawn inside the button's edge.
void BarButton::paintEvent(QPaintEvent* e) {
  QToolButton::paintEvent(e);
  if (!hasFocus()) return;
  QPainter painter(this);
  QPainterPath frame;
  frame.addRect(QRectF(rect()));
  frame.addRect(QRectF(rect().adjusted(kFocusFrame, kFocusFrame, -kFocusFrame, -kFocusFrame)));
  painter.fillPath(frame, kFocusColour);
}

void BarButton::mousePressEvent(QMouseEvent* e) {
  if (e->button() == Qt::RightButton)
    e->accept();
  else
    QToolButton::mousePressEvent(e);
}

void BarButton::mouseReleaseEvent(QMouseEvent* e) {
  if (e->button() != Qt::RightButton) {
    QToolButton::mouseReleaseEvent(e);
    return;
  }
  e->accept();
  if (rect().contains(e->position().toPoint())) static_cast<BarView*>(parentWidget())->RightClick(command);
}

BarView* BarCreate(MainWidget* parent) { return IsWindow(parent) ? new BarView(parent) : nullptr; }

void BarDestroy(BarView* bar) {
  if (!Live(bar)) return;
  // A focused button that goes would send the focus on to the pane; the window holds it instead,
  // until the program gives it to a button of the next bar.
  if (bar->isAncestorOf(QApplication::focusWidget()) && bar->parentWidget()) bar->parentWidget()->setFocus();
  if (clicksInProgress == 0) {
    delete bar;
    return;
  }
  // One of this bar's buttons may still be on the call stack: take it out of sight now and let the
  // event loop delete it once that click has returned.
  MarkGone(bar);
  bar->hide();
  bar->setParent(nullptr);
  bar->deleteLater();
}

void BarSetFont(BarView* bar, const FontRequest& font) {
  if (!Live(bar)) return;
  bar->labelFont = MakeFont(font);
  bar->setFont(bar->labelFont);
}

void BarSetImages(BarView* bar, BarImages* images) {
  if (Live(bar)) bar->images = Live(images);
}

void BarAddButton(BarView* bar, int image, int command, const std::string& label, const ButtonSpeech& speech,
                  const std::vector<std::string>& otherLabels) {
  if (!Live(bar)) return;
  auto* button = new BarButton(bar, image, command);
  button->setText(FromEightBit(label));
  button->setAccessibleName(FromEightBit(speech.name));
  button->setAccessibleDescription(FromEightBit(speech.description));
  button->texts.push_back(button->text());
  for (const std::string& other : otherLabels) button->texts.push_back(FromEightBit(other));
  QObject::connect(button, &QToolButton::clicked, bar, [bar, command] { bar->Click(command); });
  bar->buttons.push_back(button);
  bar->labels.push_back(label);
  bar->speech.push_back(speech);
  button->show();
}

void BarSetTurns(BarView* bar, const std::vector<FitLayout>& layouts) {
  if (!Live(bar)) return;
  bar->layouts = layouts;
  for (FitLayout& layout : bar->layouts)
    for (FitButton& button : layout)
      for (std::string& label : button.labels) label = FromEightBit(label).toStdString();
}

void BarAutoSize(BarView* bar) {
  if (Live(bar)) bar->Arrange();
}

int BarFocusedButton(BarView* bar) {
  if (!Live(bar)) return -1;
  for (std::size_t i = 0; i < bar->buttons.size(); ++i)
    if (bar->buttons[i]->hasFocus()) return static_cast<int>(i);
  return -1;
}

void BarFocusButton(BarView* bar, int index) {
  if (Live(bar) && index >= 0 && index < static_cast<int>(bar->buttons.size()))
    bar->buttons[index]->setFocus(Qt::TabFocusReason);
}

void BarSetVisible(BarView* bar, bool visible) {
  if (Live(bar)) bar->setVisible(visible);
}

void BarPaintNow(BarView* bar) {
  if (Live(bar) && bar->isVisible()) bar->repaint();
}

bool BarIsVisible(BarView* bar) { return Live(bar) && !bar->isHidden(); }

static Rect ToRect(const QRect& r) { return Rect{r.left(), r.top(), r.left() + r.width(), r.top() + r.height()}; }

Rect BarWindowRect(BarView* bar) { return Live(bar) ? ToRect(bar->geometry()) : Rect{0, 0, 0, 0}; }

int BarButtonCount(BarView* bar) { return Live(bar) ? static_cast<int>(bar->buttons.size()) : 0; }

BarButtonInfo BarButtonAt(BarView* bar, int index) {
  if (!Live(bar) || index < 0 || index >= static_cast<int>(bar->buttons.size())) return BarButtonInfo{-1, 0, "", "", ""};
  const BarButton* button = bar->buttons[index];
  return BarButtonInfo{button->image, button->command, bar->labels[index], bar->speech[index].name,
                       bar->speech[index].description};
}

Rect BarButtonRect(BarView* bar, int index) {
  if (!Live(bar) || index < 0 || index >= static_cast<int>(bar->buttons.size())) return Rect{0, 0, 0, 0};
  return ToRect(bar->buttons[index]->geometry());
}

// ---- the message label

class BarLabel : public QLabel {
 public:
  explicit BarLabel(QWidget* parent) : QLabel(parent) { MarkLive(this); }
  ~BarLabel() override { MarkGone(this); }
};

int TextPixelWidth(const FontRequest& font, const std::string& text) {
  return QFontMetrics(MakeFont(font)).horizontalAdvance(FromEightBit(text));
}

BarLabel* BarLabelCreate(MainWidget* parent, const Rect& area, const std::string& text, const FontRequest& font,
                         bool wrap) {
  if (!IsWindow(parent)) return nullptr;
  auto* label = new BarLabel(parent);
  MarkAsNotice(label);
  label->setTextFormat(Qt::PlainText);
  label->setWordWrap(wrap);
  label->setAlignment(Qt::AlignCenter);
  label->setFrameStyle(QFrame::Box | QFrame::Plain);
  label->setLineWidth(1);
  label->setAutoFillBackground(true);
  QPalette colours = label->palette();
  colours.setColor(QPalette::Window, Qt::white);
  colours.setColor(QPalette::WindowText, Qt::black);
  label->setPalette(colours);
  label->setFont(MakeFont(font));
  label->setText(FromEightBit(text));
  label->setGeometry(area.left, area.top, std::max(0, area.right - area.left), std::max(0, area.bottom - area.top));
  label->raise();
  label->show();
  AnnounceNotice(label);
  return label;
}

void BarLabelSetText(BarLabel* label, const std::string& text) {
  if (!Live(label) || label->text() == FromEightBit(text)) return;
  label->setText(FromEightBit(text));
  AnnounceNotice(label);
}

void BarLabelPaintNow(BarLabel* label) {
  if (Live(label) && label->isVisible()) label->repaint();
}

void BarLabelDestroy(BarLabel* label) { delete Live(label); }

bool BarLabelExists(BarLabel* label) { return Live(label) != nullptr; }

}  // namespace vt
