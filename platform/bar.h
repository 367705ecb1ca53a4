// The icon bar's widgets: the image list of bar icons, the bar itself (a row of tool buttons, each
// with its icon above its label) and the bordered label that stands in the bar's place while a
// notice is shown. Every operation accepts a bar, list or label that is null or already gone and
// then does nothing (or returns 0 / an empty value).
#pragma once
#include <string>
#include <vector>

#include "platform/bar_fit.h"
#include "platform/window.h"

namespace vt {

class BarImages;
class BarView;
class BarLabel;

// A font as the program asks for it: a face name as the program knows it, a pixel height, bold.
struct FontRequest {
  std::string face;
  int pixelHeight;
  bool bold;
};

// The pixel height of a font of `points` on the screen: round(points x vertical DPI / 72), at least 1.
int FontPixelHeight(long double points);

// Image lists. The size is the width and height of every image; a size below 1 makes a list whose
// images are empty (buttons then show their labels only), a size above 1024 is taken as 1024.
BarImages* BarImagesCreate(int size);
void BarImagesDestroy(BarImages* images);

// Appends the icon ":/resources/icons/<name>.svg" drawn at the list's size; an icon that cannot be
// read is appended as an empty image, so the numbers of the icons after it stay the same.
// Returns true when the icon was read.
bool BarImagesAddIcon(BarImages* images, const std::string& resourceName);

// The bar: a child of `parent` at its top-left corner, as wide as the parent (it follows the
// parent's width), no buttons yet. A click on a button raises the parent's `command` event with
// the button's command; a right-click raises `barRightClick` with the command, or -1 when it is on
// no button. A left press on the bar outside every button goes on to the parent, as a press on the
// parent itself would.
BarView* BarCreate(MainWidget* parent);

// Destroys the bar; safe while one of its own clicks is being handled.
void BarDestroy(BarView* bar);

void BarSetFont(BarView* bar, const FontRequest& font);
void BarSetImages(BarView* bar, BarImages* images);

// What assistive technology announces for a button: its name, then its description.
struct ButtonSpeech {
  std::string name;
  std::string description;
};

// Adds a button at the end; image counts from 0 in the bar's image list (-1: none). `speech` is
// what screen readers and magnifiers announce for the button. `otherLabels` are the labels
// the same place shows in other states ("Stop" for "Play"): the button is as wide as the widest,
// so a label that changes never moves the buttons after it. Tab and Shift+Tab reach every button
// in bar order (a mouse click leaves the focus where it is); Enter and Space press the focused
// one, which shows a frame at least 6 px wide in a colour of at least 7:1 against the bar.
void BarAddButton(BarView* bar, int image, int command, const std::string& label, const ButtonSpeech& speech,
                  const std::vector<std::string>& otherLabels = {});

// The button sets the bar takes turns with (its own among them): BarAutoSize fits them all alike,
// so that the bar is as high in each. Without it the bar fits its own buttons only.
void BarSetTurns(BarView* bar, const std::vector<FitLayout>& layouts);

// Sizes every button from its icon and labels (all of one height), places them left to right
// without wrapping, and makes the bar as high as the buttons. When the buttons are wider than the
// window, the icons are drawn smaller (never below 64 px), then the labels' type, until every
// button shows with some empty bar beside the last (the window is moved by it); the list's own
// size is the most. The bar fits itself again when the window resizes.
void BarAutoSize(BarView* bar);

// The index of the button that has the keyboard focus, or -1.
int BarFocusedButton(BarView* bar);

// Gives the keyboard focus to a button (an index outside the bar: nothing).
void BarFocusButton(BarView* bar, int index);

void BarSetVisible(BarView* bar, bool visible);

// Paints the bar at once, before the caller goes on (a spoken announcement keeps the window waiting).
void BarPaintNow(BarView* bar);

// The bar's rectangle in the parent's coordinates.
Rect BarWindowRect(BarView* bar);

int BarButtonCount(BarView* bar);

// A button's rectangle in bar coordinates (all zero for an index outside the bar).
Rect BarButtonRect(BarView* bar, int index);

// The width in pixels of a text in a font, as a label draws it.
int TextPixelWidth(const FontRequest& font, const std::string& text);

// The message label: black text, centred, on one line (or wrapped at word breaks with `wrap`), on
// white with a border, at `area` of the parent's coordinates, in front of the parent's other
// children. Text that does not fit is clipped. Assistive technology meets it as an alert with the
// text as its name, and is told when it appears and when its text changes.
BarLabel* BarLabelCreate(MainWidget* parent, const Rect& area, const std::string& text, const FontRequest& font,
                         bool wrap = false);
void BarLabelSetText(BarLabel* label, const std::string& text);

// Paints the label on the screen now, before control returns to the caller.
void BarLabelPaintNow(BarLabel* label);
void BarLabelDestroy(BarLabel* label);

// True while the label exists (a window that ends takes its label with it).
bool BarLabelExists(BarLabel* label);

// True on the thread that runs the user interface (the only one that may touch these widgets).
bool OnUserInterfaceThread();

}  // namespace vt
