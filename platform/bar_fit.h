// How the bar's buttons fit the window's width: the one rule both back ends draw the bar by. The
// bar takes turns with other button sets (the Menu button steps through three); they all get the
// same icon size and type, so that the bar is equally high in each and Menu never moves the text.
// Pure arithmetic over widths the back end measures; no state, any thread.
#pragma once
#include <functional>
#include <string>
#include <vector>

namespace vt {

constexpr int kBarMargin = 2;            // between the bar's edge and the buttons
constexpr int kButtonGap = 2;            // between two buttons
constexpr int kButtonPadX = 12;          // left and right of the wider of icon and label
constexpr int kButtonPadY = 6;           // above the icon and below the label
constexpr int kIconLabelGap = 4;
constexpr int kSmallestFittedIcon = 64;  // icons shrink to fit the window, never below this
constexpr int kSmallestPadX = 4;
constexpr int kSmallestLabelPixels = 8;
constexpr int kDragRoom = 40;            // empty bar kept beside the last button, to move the window by

// A button as the fit sees it: whether it shows an icon, and every label its place may show
// ("Play" and "Stop"): it is as wide as the widest.
struct FitButton {
  bool hasIcon;
  std::vector<std::string> labels;
};
using FitLayout = std::vector<FitButton>;

// What the buttons are drawn with.
struct BarFit {
  int icon;         // the icons' size
  int padding;      // left and right of the wider of icon and label
  int labelPixels;  // the labels' type
};

// The width of a label in the labels' face at a pixel height.
using LabelWidth = std::function<int(int pixels, const std::string& label)>;

// The largest fit with which every layout's row of buttons takes at most `width`: the icons shrink
// first (never below kSmallestFittedIcon), then the space beside them, then the labels' type
// (never below kSmallestLabelPixels). `icon` and `labelPixels` are the most.
BarFit FitBarLayouts(int width, int icon, int labelPixels, const std::vector<FitLayout>& layouts, const LabelWidth& measure);

// The width of one button and of a layout's whole row with a fit.
int FitButtonWidth(const FitButton& button, const BarFit& fit, const LabelWidth& measure);
int FitRowWidth(const FitLayout& layout, const BarFit& fit, const LabelWidth& measure);

}  // namespace vt
