// The bar's artwork as the program carries it, and the default window as a user first sees it.
#include <gtest/gtest.h>

#include <QFile>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <QWidget>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "platform/testing.h"
#include "bar/bar_test_window.h"

namespace vt::testing {
namespace {

// The artwork is checked as Qt draws it, on Linux.
QWidget* MainQWidget() { return reinterpret_cast<QWidget*>(MainWindow); }

std::vector<std::string> AllIconNames() {
  std::vector<std::string> names;
  for (int i = 1; i <= 23; ++i) names.push_back(BarIconName(i));
  names.push_back("logo");
  return names;
}

QImage Render(const std::string& name, int size) {
  QImage image(size, size, QImage::Format_ARGB32);
  image.fill(QColor(0xF0, 0xF0, 0xF0));  // the bar's face
  QSvgRenderer renderer(QString(":/resources/icons/%1.svg").arg(QString::fromStdString(name)));
  QPainter painter(&image);
  renderer.render(&painter, QRectF(0, 0, size, size));
  return image;
}

// The share of pixels whose colours differ clearly.
double Difference(const QImage& a, const QImage& b) {
  int differing = 0;
  for (int y = 0; y < a.height(); ++y)
    for (int x = 0; x < a.width(); ++x) {
      QColor p = a.pixelColor(x, y), q = b.pixelColor(x, y);
      if (std::abs(p.red() - q.red()) + std::abs(p.green() - q.green()) + std::abs(p.blue() - q.blue()) > 120)
        ++differing;
    }
  return static_cast<double>(differing) / (a.width() * a.height());
}

double RelativeLuminance(const QColor& c) {
  auto linear = [](int v) {
    double s = v / 255.0;
    return s <= 0.04045 ? s / 12.92 : std::pow((s + 0.055) / 1.055, 2.4);
  };
  return 0.2126 * linear(c.red()) + 0.7152 * linear(c.green()) + 0.0722 * linear(c.blue());
}

TEST(BarIcons, EveryIconIsASquareDrawingOf128Units) {
  EXPECT_EQ(std::string(BarIconName(0)), "");
  EXPECT_EQ(std::string(BarIconName(24)), "");
  for (const std::string& name : AllIconNames()) {
    ASSERT_FALSE(name.empty());
    QSvgRenderer renderer(QString(":/resources/icons/%1.svg").arg(QString::fromStdString(name)));
    ASSERT_TRUE(renderer.isValid()) << name;
    EXPECT_EQ(renderer.viewBoxF(), QRectF(0, 0, 128, 128)) << name;
  }
}

TEST(BarIcons, ImageListHoldsTheIconsInTheirOrder) {
  BarImages* images = BarImagesCreate(64);
  for (int i = 1; i <= 23; ++i) EXPECT_TRUE(BarImagesAddIcon(images, BarIconName(i))) << i;
  EXPECT_FALSE(BarImagesAddIcon(images, "xnothing"));  // still takes a place
  EXPECT_EQ(BarImagesCount(images), 24);
  BarImagesDestroy(images);
  EXPECT_EQ(BarImagesCount(images), 0);
}

TEST(BarIcons, IconsAreHighContrastAndDistinctAtBothSizes) {
  std::vector<std::string> names = AllIconNames();
  for (int size : {128, 64}) {
    std::vector<QImage> images;
    for (const std::string& name : names) images.push_back(Render(name, size));
    for (std::size_t i = 0; i < names.size(); ++i) {
      // The symbol stands out from its tile: the lighter and the darker tenth of the middle differ
      // by a contrast ratio of at least 4.5 (relative luminance, as for text).
      std::vector<double> luminance;
      for (int y = size / 8; y < size * 7 / 8; ++y)
        for (int x = size / 8; x < size * 7 / 8; ++x) luminance.push_back(RelativeLuminance(images[i].pixelColor(x, y)));
      std::sort(luminance.begin(), luminance.end());
      double dark = luminance[luminance.size() / 10], light = luminance[luminance.size() * 9 / 10];
      EXPECT_GE((light + 0.05) / (dark + 0.05), 4.5) << names[i] << " " << size;
      for (std::size_t j = i + 1; j < names.size(); ++j)
        EXPECT_GT(Difference(images[i], images[j]), 0.04) << names[i] << " / " << names[j] << " at " << size;
    }
  }
}

TEST(BarIcons, PairsThatMeanOppositesDifferClearly) {
  const std::pair<const char*, const char*> pairs[] = {
      {"xmale", "xfemale"}, {"xplus", "xminus"}, {"xnext", "xprev"}, {"xlouder", "xsofter"},
      {"xmenu13", "xmenu23"}, {"xmenu23", "xmenu33"}, {"xmenu13", "xmenu33"}, {"xplay", "xstop"}};
  for (const auto& [a, b] : pairs) EXPECT_GT(Difference(Render(a, 64), Render(b, 64)), 0.08) << a << " / " << b;
}

class DefaultWindow : public BarWindowTest {};

TEST_F(DefaultWindow, BarAtTheTopAndThePaneBelowIt) {
  InitialiseAndShow(MainWindow);
  ProcessPendingEvents();
  ASSERT_NE(BarWindow, nullptr);
  EXPECT_EQ(ButtonSet, 0);
  EXPECT_EQ(ShownButtons().front(), "Exit xpower 512");
  EXPECT_EQ(ShownButtons().back(), "Menu xmenu13 513");
  EXPECT_EQ(BarHeight, BarWindowRect(BarWindow).bottom - BarWindowRect(BarWindow).top);
  QWidget* pane = reinterpret_cast<QWidget*>(PaneWindow);
  ASSERT_NE(pane, nullptr);
  EXPECT_EQ(pane->geometry().top(), BarHeight);
  QImage shot = MainQWidget()->grab().toImage();
  // The Exit icon's red symbol sits in the first button, near the top.
  Rect exit = BarButtonRect(BarWindow, 0);
  int red = 0;
  for (int y = exit.top; y < exit.bottom; ++y)
    for (int x = exit.left; x < exit.right; ++x) {
      QColor c = shot.pixelColor(x, y);
      red += c.red() > 200 && c.green() < 120 && c.blue() < 120;
    }
  EXPECT_GT(red, 500);
  // Beyond the last button the bar's face, not the pane.
  EXPECT_EQ(shot.pixelColor(BarRightEdge() + 20, BarHeight / 2), QColor(0xF0, 0xF0, 0xF0));
}

}  // namespace
}  // namespace vt::testing
