// The bar's fit to the window's width (see bar_fit.h).
#include "platform/bar_fit.h"

#include <algorithm>

namespace vt {

int FitButtonWidth(const FitButton& button, const BarFit& fit, const LabelWidth& measure) {
  int widest = 0;
  for (const std::string& label : button.labels) widest = std::max(widest, measure(fit.labelPixels, label));
  return std::max(button.hasIcon ? fit.icon : 0, widest) + 2 * fit.padding;
}

int FitRowWidth(const FitLayout& layout, const BarFit& fit, const LabelWidth& measure) {
  int width = 2 * kBarMargin + kButtonGap * std::max(0, static_cast<int>(layout.size()) - 1);
  for (const FitButton& button : layout) width += FitButtonWidth(button, fit, measure);
  return width;
}

static int WidestRow(const std::vector<FitLayout>& layouts, const BarFit& fit, const LabelWidth& measure) {
  int widest = 0;
  for (const FitLayout& layout : layouts) widest = std::max(widest, FitRowWidth(layout, fit, measure));
  return widest;
}

BarFit FitBarLayouts(int width, int icon, int labelPixels, const std::vector<FitLayout>& layouts, const LabelWidth& measure) {
  BarFit fit{std::max(0, icon), kButtonPadX, labelPixels};
  const int smallestIcon = std::min(fit.icon, kSmallestFittedIcon);
  while (fit.icon > smallestIcon && WidestRow(layouts, fit, measure) > width) --fit.icon;
  while (fit.padding > kSmallestPadX && WidestRow(layouts, fit, measure) > width) --fit.padding;
  while (fit.labelPixels > kSmallestLabelPixels && WidestRow(layouts, fit, measure) > width) --fit.labelPixels;
  return fit;
}

}  // namespace vt
