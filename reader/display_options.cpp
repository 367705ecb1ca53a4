// Display options: the sizing rule that gives every font of the program the same height in pixels
// at any DPI setting, the pane font made from FontName, FontSize and FontAttr, the face and colour
// cycles, zoom, bold, the letter case of the shown text and the bar's button sets. The settings
// variables hold what the user chose; what the pane renders is kept within what a screen can show.
#include "reader/display_options.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "bar/icon_bar.h"
#include "core/settings_file.h"
#include "core/window_layout.h"
#include "platform/window.h"
#include "reader/book_library.h"
#include "reader/reading_pane.h"
#include "reader/reading_place.h"

namespace vt {

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

// Each change of the type keeps the reader's word on its row.
void ZoomIn() {
  KeepPlaceWhile([] {
    ChangeFontSize(4);
    ApplyColors();
    LayoutMainWindow();
  });
}

void ZoomOut() {
  KeepPlaceWhile([] {
    ChangeFontSize(-4);
    ApplyColors();
    LayoutMainWindow();
  });
}

void ToggleBold() {
  KeepPlaceWhile([] {
    FontAttr ^= 1;
    ChangeFontSize(0);
    ApplyColors();
    LayoutMainWindow();
  });
}

// The re-cased text goes in as every text does, so wide spacing stays on it, and at the reader's
// place. A book is re-cased from the text it was loaded with, which is at hand, rather than read
// back from the pane; the shortcut list is re-cased as it stands.
static void ReplaceTextCase() {
  if (CaseType < 0 || CaseType > 2) return;  // a case outside the cycle leaves the text as it is
  if (!ShortcutListShown && !ShelfShown) return ShowLoadedBook();
  std::string text = PaneGetPlainText(PaneWindow);
  ApplyTextCase(text, CaseType);
  SetPaneText(PaneWindow, text);
}

void CycleTextCase() {
  CaseType = CaseType >= 2 ? 0 : CaseType + 1;
  KeepPlaceWhileRestyling(ReplaceTextCase);
}

}  // namespace vt
