// Display options: the sizing rule that gives every font of the program the same height in pixels
// at any DPI setting, the pane font made from FontName, FontSize and FontAttr, the face and colour
// cycles, zoom, bold, the letter case of the shown text and the bar's button sets. The settings
// variables hold what the user chose; what the pane renders is kept within what a screen can show.
#include "settings/display_options.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "app/main_window.h"
#include "bar/icon_bar.h"
#include "platform/window.h"
#include "reader/book_library.h"
#include "reader/reading_pane.h"
#include "settings/settings_file.h"

namespace vt {

long double FontScale = 1;
PaneFontRequest PaneFont{"", 0, false, false, false, false};
int32_t ButtonSet = 0;

namespace {

const char* const kFaces[] = {"Tahoma", "Courier New", "Times New Roman", "Comic Sans MS"};

struct ColourScheme {
  ColourRef background, text;
};

const ColourScheme kSchemes[] = {
    {16777215, 0},      // black on white
    {0, 16777215},      // white on black
    {16711680, 65535},  // yellow on blue
    {65535, 0},         // black on yellow
};

int32_t ClampToInt32(int64_t value) {
  return static_cast<int32_t>(std::clamp<int64_t>(value, INT32_MIN, INT32_MAX));
}

void MakePaneFont() {
  PaneFontRequest font = MakePaneFontRequest(ScreenDpiY());
  if (PaneSetFont(PaneWindow, font)) PaneFont = font;
}

}  // namespace

void ComputeFontScale() {
  double dpi = ScreenDpiX();
  FontScale = dpi > 0 ? 96.0L / static_cast<long double>(dpi) : 1.0L;
}

long double ScaledFontSize(long double points) {
  // The small allowance keeps exact tenths (51.2 at 120 DPI) from falling to the tenth below.
  return std::floor(points * FontScale * 10.0L + 1e-9L) / 10.0L;
}

PaneFontRequest MakePaneFontRequest(double dpiY) {
  long double size = ScaledFontSize(FontSize);
  if (size == 0) size = 8;
  long double height = std::round(size * static_cast<long double>(dpiY) / 72.0L);
  height = std::clamp<long double>(height, -1e9L, 1e9L);
  return PaneFontRequest{FontName.substr(0, 31), static_cast<int>(height), (FontAttr & 1) != 0, (FontAttr & 2) != 0,
                         (FontAttr & 4) != 0, (FontAttr & 8) != 0};
}

void ChangeFontSize(int32_t step) {
  FontSize = ClampToInt32(static_cast<int64_t>(FontSize) + step);
  MakePaneFont();
}

void CycleFontName() {
  const size_t count = sizeof kFaces / sizeof kFaces[0];
  for (size_t i = 0; i < count; ++i) {
    if (FontName == kFaces[i]) {
      FontName = kFaces[(i + 1) % count];
      break;
    }
  }
  MakePaneFont();
}

void ApplyColors() { ApplyPaneColors(PaneWindow); }

void CycleColors() {
  const size_t count = sizeof kSchemes / sizeof kSchemes[0];
  size_t next = 0;
  for (size_t i = 0; i < count; ++i) {
    if (kSchemes[i].background == BGColor && kSchemes[i].text == TextColor) {
      next = (i + 1) % count;
      break;
    }
  }
  BGColor = kSchemes[next].background;
  TextColor = kSchemes[next].text;
  ApplyColors();
}

void ZoomIn() {
  ChangeFontSize(4);
  ApplyColors();
  LayoutMainWindow();
}

void ZoomOut() {
  ChangeFontSize(-4);
  ApplyColors();
  LayoutMainWindow();
}

void ToggleBold() {
  FontAttr ^= 1;
  ChangeFontSize(0);
  ApplyColors();
  LayoutMainWindow();
}

void CycleTextCase() {
  CaseType = CaseType >= 2 ? 0 : CaseType + 1;
  std::string text = PaneGetPlainText(PaneWindow);
  if (CaseType == 2)
    text = LoadedPaneText;
  else
    ApplyTextCase(text, CaseType);
  PaneSetPlainText(PaneWindow, text);
}

void NextButtonSet() {
  ButtonSet = ButtonSet + 1 > 2 ? 0 : ButtonSet + 1;
  BuildIconBar();
}

void PreviousButtonSet() {
  ButtonSet = ButtonSet - 1 < 0 ? 2 : ButtonSet - 1;
  BuildIconBar();
}

}  // namespace vt
