// Contrast as the reader sees it: the real window is rendered in each of the four colour schemes
// and the contrast ratio (relative luminance, as for text) of every visible element against what
// it sits on is computed from the rendered pixels: the text, the marked word, links, the bar's
// labels, icon tiles and symbols, the keyboard focus frame, a notice, the search box and the
// scroll bar.
#include <QImage>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QWidget>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>

#include "bar/icon_bar.h"
#include "core/bar_messages.h"
#include "platform/bar.h"
#include "platform/pane.h"
#include "platform/search_dialog.h"
#include "reader/reading_pane.h"
#include "support/main_window_fixture.h"

using namespace vt;

namespace {

constexpr double kLeast = 7.0;

double Luminance(QRgb c) {
  auto linear = [](int v) {
    double s = v / 255.0;
    return s <= 0.04045 ? s / 12.92 : std::pow((s + 0.055) / 1.055, 2.4);
  };
  return 0.2126 * linear(qRed(c)) + 0.7152 * linear(qGreen(c)) + 0.0722 * linear(qBlue(c));
}

double Ratio(QRgb a, QRgb b) {
  double la = Luminance(a), lb = Luminance(b);
  return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// The colours of an area, the commonest first, with their share of its pixels.
std::vector<std::pair<QRgb, double>> Colours(const QImage& image, const QRect& area) {
  std::map<QRgb, int> counts;
  QRect inside = area.intersected(image.rect());
  for (int y = inside.top(); y <= inside.bottom(); ++y)
    for (int x = inside.left(); x <= inside.right(); ++x) ++counts[image.pixel(x, y) & 0xFFFFFF];
  std::vector<std::pair<QRgb, double>> out;
  for (auto [colour, n] : counts) out.emplace_back(colour, double(n) / std::max<qsizetype>(1, inside.width() * inside.height()));
  std::sort(out.begin(), out.end(), [](const auto& a, const auto& b) { return a.second > b.second; });
  return out;
}

// What is written against what it is written on: the commonest colour of an area is the ground,
// the writing is the colour that stands out most from it among those covering 1 % of the area
// (the shades of its smoothed edges cover less).
double TwoColourRatio(const QImage& image, const QRect& area) {
  auto colours = Colours(image, area);
  double best = 1;
  for (auto [colour, share] : colours)
    if (share >= 0.01) best = std::max(best, Ratio(colour, colours[0].first));
  return best;
}

QRect ToQRect(const Rect& r) { return QRect(r.left, r.top, r.right - r.left, r.bottom - r.top); }

class Contrast : public vt_test::MainWindowTest {
 protected:
  static QWidget* Window() { return reinterpret_cast<QWidget*>(MainWindow); }
  static QImage Shot() {
    ProcessPendingEvents();
    return Window()->grab().toImage();
  }
  static QRect PaneArea() { return reinterpret_cast<QWidget*>(PaneWindow)->geometry().adjusted(30, 10, -60, -10); }

  // The lowest ratio of a tile against the bar and of a symbol (every colour covering 2 % of the
  // tile's middle) against its tile, over every button of the bar. The tile is what stands out
  // from the bar in the button's upper part; its colour is read near its top left corner.
  static double LeastIconRatio(const QImage& shot, QRgb face, std::string& worst) {
    double least = 21;
    for (int i = 0; i < BarButtonCount(BarWindow); ++i) {
      QRect button = ToQRect(BarButtonRect(BarWindow, i));
      QRect tileArea;
      for (int y = button.top(); y < button.top() + button.height() * 2 / 3; ++y)
        for (int x = button.left(); x < button.right(); ++x)
          if (Ratio(shot.pixel(x, y), face) > 3) tileArea |= QRect(x, y, 1, 1);
      QRgb tile = shot.pixel(tileArea.left() + tileArea.width() / 5, tileArea.top() + tileArea.height() / 12) & 0xFFFFFF;
      QRect middle = tileArea.adjusted(tileArea.width() / 8, tileArea.height() / 8, -tileArea.width() / 8, -tileArea.height() / 8);
      auto check = [&](double r, const std::string& what) {
        if (r < least) {
          least = r;
          worst = what + " of " + BarButtonAt(BarWindow, i).label;
        }
      };
      check(Ratio(tile, face), "tile");
      for (auto [colour, share] : Colours(shot, middle))
        if (colour != tile && share >= 0.02) check(Ratio(colour, tile), "symbol");
    }
    return least;
  }
};

TEST_F(Contrast, EveryVisibleElementReachesSevenToOneInEveryScheme) {
  Start("Book=0\r\nDisableShortCuts=0\r\nTextColor=65535\r\nBGColor=16711680\r\n");
  ResizeWindow(MainWindow, 1920, 1000);
  for (int scheme = 0; scheme < 4; ++scheme) {
    std::string name = std::to_string(TextColor) + " on " + std::to_string(BGColor);
    QImage plain = Shot();
    double text = TwoColourRatio(plain, PaneArea());
    QScrollBar* scrollBar = reinterpret_cast<QPlainTextEdit*>(PaneWindow)->verticalScrollBar();
    double scroll = TwoColourRatio(plain, QRect(scrollBar->mapTo(Window(), QPoint(0, 0)), scrollBar->size()));
    PaneSetSelection(PaneWindow, 0, 40);  // as a spoken word is marked
    Rect firstRow{0, 0, 0, 0};
    PanePosFromChar(PaneWindow, 0, firstRow.left, firstRow.top);
    QRect marked = QRect(reinterpret_cast<QWidget*>(PaneWindow)->mapTo(Window(), QPoint(firstRow.left, firstRow.top)),
                         QSize(300, 60));
    double selection = TwoColourRatio(Shot(), marked);
    PaneRemoveSelection(PaneWindow);

    SetPaneWindowText(PaneWindow, "Visit www.example.org today");
    QImage linked = Shot();
    double link = 21;
    QRgb background = Colours(linked, PaneArea())[0].first;
    QRgb textColour = Colours(plain, PaneArea())[1].first;
    for (auto [colour, share] : Colours(linked, PaneArea()))
      if (share > 0.005 && colour != background && colour != textColour) link = std::min(link, Ratio(colour, background));
    SetPaneWindowText(PaneWindow, BookText);

    QImage bar = Shot();
    QRgb face = bar.pixel(BarRightEdge() + 20, BarHeight / 2) & 0xFFFFFF;
    double labels = 21;
    for (int i = 0; i < BarButtonCount(BarWindow); ++i) {
      QRect button = ToQRect(BarButtonRect(BarWindow, i));
      labels = std::min(labels, TwoColourRatio(bar, QRect(button.left(), button.bottom() - BarFont.pixelHeight, button.width(), BarFont.pixelHeight)));
    }
    std::string worstIcon;
    double icons = 21;
    // every icon: the three sets, with Stop for Play and Female for Male
    for (int shown = 0; shown < 5; ++shown) {
      ButtonSet = shown / 2;
      IsSpeaking = MaleVoice = shown % 2;
      BuildIconBar();
      std::string worst;
      double least = LeastIconRatio(Shot(), face, worst);
      if (least < icons) icons = least, worstIcon = worst;
    }
    ButtonSet = IsSpeaking = 0;
    MaleVoice = 1;
    BuildIconBar();

    BarFocusButton(BarWindow, 1);
    QImage focused = Shot();
    Rect second = BarButtonRect(BarWindow, 1);
    double frame = Ratio(focused.pixel(second.left + 2, (second.top + second.bottom) / 2), face);
    int frameWidth = 0;
    while (frameWidth < 20 && focused.pixel(second.left + frameWidth, (second.top + second.bottom) / 2) ==
                                  focused.pixel(second.left, (second.top + second.bottom) / 2))
      ++frameWidth;
    PaneSetFocus(PaneWindow);

    ShowBarMessage(" Page: 1 of 9", 0);
    double notice = TwoColourRatio(Shot(), QRect(0, 0, Window()->width(), BarHeight));
    ShowBarMessage("", 1);

    SearchDialogView* dialog = CreateSearchDialog(SearchDialogLook{"Search", "Tahoma", 60, true, "searchterm", "xsearch", Rect{}}, {});
    auto* box = reinterpret_cast<QWidget*>(dialog);
    box->show();
    box->activateWindow();
    FocusDialogTextBox(dialog);
    SelectAllDialogText(dialog);
    ProcessPendingEvents();
    QImage searchShot = box->grab().toImage();
    SearchDialogLooks looks = LooksOfSearchDialog(dialog);
    QRect boxArea = ToQRect(looks.box);
    QRect selected(boxArea.left() + 10, boxArea.top() + boxArea.height() / 2 - 30, 150, 60);
    double searchSelection = TwoColourRatio(searchShot, selected);
    double searchBox = Ratio(searchShot.pixel(boxArea.right() - 20, boxArea.center().y()), searchShot.pixel(5, 5));
    box->hide();
    delete box;
    Window()->activateWindow();

    std::printf("[ contrast ] scheme %s: text %.1f, marked word %.1f, link %.1f, labels %.1f, icons %.1f (%s), "
                "focus frame %.1f (%d px), notice %.1f, search selection %.1f, search box %.1f, scroll bar %.1f\n",
                name.c_str(), text, selection, link, labels, icons, worstIcon.c_str(), frame, frameWidth, notice,
                searchSelection, searchBox, scroll);
    for (double r : {text, selection, link, labels, icons, frame, notice, searchSelection, searchBox, scroll})
      EXPECT_GE(r, kLeast) << name;
    EXPECT_GE(frameWidth, 6) << name;
    RunCommand(CmdColor);
  }
}

}  // namespace
