// The icon bar's widgets over Qt. The bar is a plain widget holding tool buttons that it places
// itself, left to right, never wrapping: buttons beyond the right edge are simply not visible. A
// click is handed to the main window's command event at once, as the desktop's toolbar does, so a
// command may rebuild the bar from inside the click of one of its own buttons; such a bar is only
// detached then, and deleted once control is back in the event loop. The message label is a
// QLabel in plain-text mode (a book title is never read as markup).
#include "platform/bar.h"

#include <QApplication>
#include <QEvent>
#include <QFont>
#include <QFontMetrics>
#include <QIcon>
#include <QImage>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QPointer>
#include <QSvgRenderer>
#include <QThread>
#include <QToolButton>
#include <QWidget>

#include <algorithm>
#include <cmath>
#include <vector>

#include "platform/files.h"
#include "platform/qt/live_objects.h"
#include "platform/qt/main_widget.h"
#include "platform/testing.h"

namespace vt {

constexpr int kLargestIcon = 1024;
constexpr int kLargestFontPixels = 4096;
constexpr int kBarMargin = 2;       // between the bar's edge and the buttons
constexpr int kButtonGap = 2;       // between two buttons
constexpr int kButtonPadX = 12;     // left and right of the wider of icon and label
constexpr int kButtonPadY = 6;      // above the icon and below the label
constexpr int kIconLabelGap = 4;
const QColor kBarFace(0xF0, 0xF0, 0xF0);

static int clicksInProgress = 0;  // > 0 while a bar click is being handled

static QString FromEightBit(const std::string& text) { return QString::fromStdString(BytesToUtf8(text)); }

static QFont MakeFont(const FontRequest& request) {
  QFont font(QString::fromStdString(request.face));
  font.setPixelSize(std::clamp(request.pixelHeight, 1, kLargestFontPixels));
  font.setWeight(request.bold ? QFont::Bold : QFont::Normal);
  return font;
}

int FontPixelHeight(long double points) {
  long double pixels = std::nearbyint(points * static_cast<long double>(ScreenDpiY()) / 72.0L);
  if (!(pixels >= 1)) return 1;  // also a NaN
  return pixels > kLargestFontPixels ? kLargestFontPixels : static_cast<int>(pixels);
}

bool OnUserInterfaceThread() {
  return QCoreApplication::instance() && QThread::currentThread() == QCoreApplication::instance()->thread();
}

// ---- image lists

class BarImages {
 public:
  explicit BarImages(int iconSize) : size(std::min(iconSize, kLargestIcon)) { MarkLive(this); }
  ~BarImages() { MarkGone(this); }
  int size;
  std::vector<QPixmap> pixmaps;
};

BarImages* BarImagesCreate(int size) { return new BarImages(size); }

void BarImagesDestroy(BarImages* images) { delete Live(images); }

bool BarImagesAddIcon(BarImages* images, const std::string& resourceName) {
  if (!Live(images)) return false;
  QSvgRenderer renderer(QString(":/resources/icons/%1.svg").arg(QString::fromStdString(resourceName)));
  if (images->size < 1) {
    images->pixmaps.emplace_back();
    return renderer.isValid();
  }
  QImage image(images->size, images->size, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  if (renderer.isValid()) {
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    renderer.render(&painter, QRectF(0, 0, images->size, images->size));
  }
  images->pixmaps.push_back(QPixmap::fromImage(image));
  return renderer.isValid();
}

int BarImagesCount(BarImages* images) { return Live(images) ? static_cast<int>(images->pixmaps.size()) : 0; }
int BarImagesSize(BarImages* images) { return Live(images) ? std::max(0, images->size) : 0; }

// ---- the bar

class BarView;

// One button: icon above label. Left clicks go out through `clicked`; right clicks are caught
// here, before the bar would take them for a click on its empty part.
class BarButton : public QToolButton {
 public:
  BarButton(BarView* bar, int image, int command);
  int image;
  int command;

 protected:
  void mousePressEvent(QMouseEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;
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

  QPointer<MainWidget> owner;
  BarImages* images = nullptr;
  std::vector<BarButton*> buttons;
  std::vector<std::string> labels, accessibleNames;

 protected:
  // The bar keeps to the width of the window it sits in.
  bool eventFilter(QObject* watched, QEvent* e) override {
    if (watched == parentWidget() && e->type() == QEvent::Resize) resize(parentWidget()->width(), height());
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
};

BarButton::BarButton(BarView* bar, int imageIndex, int commandId)
    : QToolButton(bar), image(imageIndex), command(commandId) {}

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
  if (Live(bar)) bar->setFont(MakeFont(font));
}

void BarSetImages(BarView* bar, BarImages* images) {
  if (Live(bar)) bar->images = Live(images);
}

void BarAddButton(BarView* bar, int image, int command, const std::string& label, const std::string& accessibleName) {
  if (!Live(bar)) return;
  auto* button = new BarButton(bar, image, command);
  button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
  button->setFocusPolicy(Qt::NoFocus);
  button->setText(FromEightBit(label));
  button->setAccessibleName(FromEightBit(accessibleName));
  BarImages* images = Live(bar->images);
  if (images && image >= 0 && image < static_cast<int>(images->pixmaps.size()) && images->size > 0) {
    button->setIcon(QIcon(images->pixmaps[image]));
    button->setIconSize(QSize(images->size, images->size));
  }
  QObject::connect(button, &QToolButton::clicked, bar, [bar, command] { bar->Click(command); });
  bar->buttons.push_back(button);
  bar->labels.push_back(label);
  bar->accessibleNames.push_back(accessibleName);
  button->show();
}

void BarAutoSize(BarView* bar) {
  if (!Live(bar)) return;
  QFontMetrics metrics(bar->font());
  BarImages* images = Live(bar->images);
  int icon = images ? std::max(0, images->size) : 0;
  int height = 0;
  std::vector<int> widths;
  for (BarButton* button : bar->buttons) {
    int textWidth = metrics.horizontalAdvance(button->text());
    int buttonIcon = button->icon().isNull() ? 0 : icon;
    widths.push_back(std::max(buttonIcon, textWidth) + 2 * kButtonPadX);
    int buttonHeight = buttonIcon + (buttonIcon ? kIconLabelGap : 0) + metrics.height() + 2 * kButtonPadY;
    height = std::max(height, buttonHeight);
  }
  int x = kBarMargin;
  for (std::size_t i = 0; i < bar->buttons.size(); ++i) {
    bar->buttons[i]->setGeometry(x, kBarMargin, widths[i], height);
    x += widths[i] + kButtonGap;
  }
  int width = bar->parentWidget() ? bar->parentWidget()->width() : bar->width();
  bar->setGeometry(0, 0, width, height + 2 * kBarMargin);
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
  if (!Live(bar) || index < 0 || index >= static_cast<int>(bar->buttons.size())) return BarButtonInfo{-1, 0, "", ""};
  const BarButton* button = bar->buttons[index];
  return BarButtonInfo{button->image, button->command, bar->labels[index], bar->accessibleNames[index]};
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

BarLabel* BarLabelCreate(MainWidget* parent, const Rect& area, const std::string& text, const FontRequest& font) {
  if (!IsWindow(parent)) return nullptr;
  auto* label = new BarLabel(parent);
  label->setTextFormat(Qt::PlainText);
  label->setWordWrap(false);
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
  return label;
}

void BarLabelSetText(BarLabel* label, const std::string& text) {
  if (Live(label)) label->setText(FromEightBit(text));
}

void BarLabelPaintNow(BarLabel* label) {
  if (Live(label) && label->isVisible()) label->repaint();
}

void BarLabelDestroy(BarLabel* label) { delete Live(label); }

bool BarLabelExists(BarLabel* label) { return Live(label) != nullptr; }

}  // namespace vt
