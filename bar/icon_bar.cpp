// The icon bar. The icons are loaded once into BarImageList; the bar itself is never edited: each
// change of a state it shows (reading aloud, voice, rate, wide layout, button set) destroys it and
// builds it again from that state by the layout tables below. Owns BarImageList, BarWindow and
// BarFont; sets BarHeight.
#include "bar/icon_bar.h"

#include "core/bar_messages.h"
#include "core/display_rules.h"
#include "core/ids.h"
#include "core/program_state.h"
#include "core/settings_file.h"
#include "core/window_layout.h"

#include <algorithm>
#include <vector>

namespace vt {

// Icon numbers, counted from 1 in the order the image list is filled.
enum Icon {
  XPower = 1, XPlay, XStop, XLouder, XSofter, XPlus, XMinus, XColor, XFont, XBold, XMenu13, XMenu23,
  XMenu33, XMale, XFemale, XNext, XHome, XPage, XBook, XSearch, XSpeed, XCase, XPrev
};

static const char* const kIconNames[] = {
    "xpower", "xplay", "xstop", "xlouder", "xsofter", "xplus", "xminus", "xcolor", "xfont", "xbold", "xmenu13", "xmenu23",
    "xmenu33", "xmale", "xfemale", "xnext", "xhome", "xpage", "xbook", "xsearch", "xspeed", "xcase", "xprev"};
constexpr int kIconCount = sizeof(kIconNames) / sizeof(kIconNames[0]);

// When a row of a layout adds its button; each row is tested on its own.
enum class When { Always, NotSpeaking, Speaking, MaleVoiceChosen, FemaleVoiceChosen, RateSlow, RateNormal, RateFast };

struct ButtonRow {
  const char* label;
  Icon icon;
  int command;
  When when;
};

// The wide layout and the reading set begin alike.
static const ButtonRow kReadingStart[] = {
    {"Exit", XPower, CmdExit, When::Always},       {"Books", XBook, CmdBooks, When::Always},
    {"Play", XPlay, CmdPlay, When::NotSpeaking},   {"Stop", XStop, CmdStop, When::Speaking},
    {"Home", XHome, CmdHome, When::Always},        {"Next", XNext, CmdNext, When::Always},
    {"Prev", XPrev, CmdPrev, When::Always},
};

static const ButtonRow kWideLayoutEnd[] = {
    {"Page", XPage, CmdPage, When::Always},        {"Larger", XPlus, CmdLarger, When::Always},
    {"Smaller", XMinus, CmdSmaller, When::Always}, {"Color", XColor, CmdColor, When::Always},
};

static const ButtonRow kReadingSetEnd[] = {
    {"Search", XSearch, CmdSearch, When::Always},  {"Again", XSearch, CmdAgain, When::Always},
    {"Page", XPage, CmdPage, When::Always},        {"Menu", XMenu13, CmdMenu, When::Always},
};

static const ButtonRow kSpeechSet[] = {
    {"Exit", XPower, CmdExit, When::Always},
    {"Play", XPlay, CmdPlay, When::NotSpeaking},
    {"Stop", XStop, CmdStop, When::Speaking},
    {"Louder", XLouder, CmdLouder, When::Always},
    {"Softer", XSofter, CmdSofter, When::Always},
    {"Male", XMale, CmdVoice, When::MaleVoiceChosen},
    {"Female", XFemale, CmdVoice, When::FemaleVoiceChosen},
    {"Slow", XSpeed, CmdSpeed, When::RateSlow},
    {"Normal", XSpeed, CmdSpeed, When::RateNormal},
    {"Fast", XSpeed, CmdSpeed, When::RateFast},
    {"Menu", XMenu23, CmdMenu, When::Always},
};

static const ButtonRow kAppearanceSet[] = {
    {"Exit", XPower, CmdExit, When::Always},     {"Case", XCase, CmdCase, When::Always},
    {"Larger", XPlus, CmdLarger, When::Always},  {"Smaller", XMinus, CmdSmaller, When::Always},
    {"Color", XColor, CmdColor, When::Always},   {"Bold", XBold, CmdBold, When::Always},
    {"Font", XFont, CmdFont, When::Always},      {"Menu", XMenu33, CmdMenu, When::Always},
};

static bool Holds(When when) {
  switch (when) {
    case When::Always: return true;
    case When::NotSpeaking: return IsSpeaking == 0;
    case When::Speaking: return IsSpeaking == 1;
    case When::MaleVoiceChosen: return MaleVoice == 1;
    case When::FemaleVoiceChosen: return MaleVoice == 0;
    case When::RateSlow: return vRate == SlowRate;
    case When::RateNormal: return vRate == 0;
    case When::RateFast: return vRate == FastRate;
  }
  return false;
}

const char* BarIconName(int number) { return number >= 1 && number <= kIconCount ? kIconNames[number - 1] : ""; }

void CreateBarImageList() {
  BarImagesDestroy(BarImageList);
  BarImageList = BarImagesCreate(IconSize);
  for (const char* name : kIconNames) BarImagesAddIcon(BarImageList, name);
}

void CreateBarFont() { BarFont = FontRequest{"Arial Black", FontPixelHeight(ScaledFontSize(32)), true}; }

static std::string (*longNameOf)(int command) = nullptr;  // the command table's long names

// The images go with the state that holds them; the long names are asked for again by the next window.
[[maybe_unused]] static const bool resetWithProgram = ResetAlongWithProgramState([] {
  BarImagesDestroy(BarImageList);
  longNameOf = nullptr;
});

void SetButtonLongNames(std::string (*longName)(int command)) { longNameOf = longName; }

// What a screen reader announces for a button: the label it shows, so that a user who says what
// they see finds it; a button that shows a state says what the state is of.
static std::string AccessibleName(const ButtonRow& row) {
  switch (row.when) {
    case When::MaleVoiceChosen: case When::FemaleVoiceChosen: return std::string(row.label) + " voice";
    case When::RateSlow: case When::RateNormal: case When::RateFast: return std::string(row.label) + " speech";
    default: return row.label;
  }
}

// The long name, which says what the button does.
static std::string AccessibleDescription(const ButtonRow& row) { return longNameOf ? longNameOf(row.command) : std::string(); }

// Rows that take turns in one place of the bar: Play and Stop, the two voices, the three rates.
static int Alternation(When when) {
  switch (when) {
    case When::NotSpeaking: case When::Speaking: return 1;
    case When::MaleVoiceChosen: case When::FemaleVoiceChosen: return 2;
    case When::RateSlow: case When::RateNormal: case When::RateFast: return 3;
    case When::Always: return 0;
  }
  return 0;
}

// The labels the row's place shows in the other states, so that its width never changes.
template <std::size_t N>
static std::vector<std::string> OtherLabels(const ButtonRow (&layout)[N], const ButtonRow& row) {
  std::vector<std::string> others;
  for (const ButtonRow& other : layout)
    if (&other != &row && Alternation(row.when) != 0 && Alternation(other.when) == Alternation(row.when))
      others.push_back(other.label);
  return others;
}

// The rows of a layout that the state shows, as the bar's fit sees them.
template <std::size_t N>
static void AppendTurn(FitLayout& turn, const ButtonRow (&layout)[N]) {
  for (const ButtonRow& row : layout) {
    if (!Holds(row.when)) continue;
    std::vector<std::string> labels = OtherLabels(layout, row);
    labels.insert(labels.begin(), row.label);
    turn.push_back(FitButton{true, labels});
  }
}

// The layouts the bar takes turns with: the three sets in the narrow layout (Menu steps through
// them), the wide layout alone.
static std::vector<FitLayout> Turns() {
  if (WideMenu != 0) {
    FitLayout wide;
    AppendTurn(wide, kReadingStart);
    AppendTurn(wide, kWideLayoutEnd);
    return {wide};
  }
  FitLayout reading, speech, appearance;
  AppendTurn(reading, kReadingStart);
  AppendTurn(reading, kReadingSetEnd);
  AppendTurn(speech, kSpeechSet);
  AppendTurn(appearance, kAppearanceSet);
  return {reading, speech, appearance};
}

template <std::size_t N>
static void AddButtons(const ButtonRow (&layout)[N]) {
  for (const ButtonRow& row : layout) {
    if (!Holds(row.when)) continue;
    BarAddButton(BarWindow, row.icon - 1, row.command, row.label, {AccessibleName(row), AccessibleDescription(row)},
                 OtherLabels(layout, row));
    BarAutoSize(BarWindow);
  }
}

// A keyboard user stays on the same place of the rebuilt bar: on the last button (Menu) if that
// had the focus, else on the button at the same index.
static void FocusSamePlace(int focused, bool wasLast) {
  if (focused < 0) return;
  int count = BarButtonCount(BarWindow);
  BarFocusButton(BarWindow, wasLast ? count - 1 : std::min(focused, count - 1));
}

void BuildIconBar() {
  int focused = BarFocusedButton(BarWindow);
  bool focusedLast = focused >= 0 && focused == BarButtonCount(BarWindow) - 1;
  int previousHeight = BarHeight;
  BarDestroy(BarWindow);
  BarWindow = nullptr;
  if (!IsWindow(MainWindow)) {
    MeasureBarHeight();
    return;
  }
  BarWindow = BarCreate(MainWindow);
  BarSetFont(BarWindow, BarFont);
  BarSetImages(BarWindow, BarImageList);
  BarSetTurns(BarWindow, Turns());
  BarAutoSize(BarWindow);
  if (WideMenu != 0 || ButtonSet == 0) AddButtons(kReadingStart);
  if (WideMenu != 0)
    AddButtons(kWideLayoutEnd);
  else if (ButtonSet == 0)
    AddButtons(kReadingSetEnd);
  else if (ButtonSet == 1)
    AddButtons(kSpeechSet);
  else if (ButtonSet == 2)
    AddButtons(kAppearanceSet);
  // A notice in the bar's place keeps it hidden; the notice's end shows the new bar.
  if (BarMessageShown()) BarSetVisible(BarWindow, false);
  FocusSamePlace(focused, focusedLast);
  MeasureBarHeight();
  // Fitted to a narrow window, another set may be higher or lower: the pane follows the bar.
  if (BarHeight != previousHeight) LayoutMainWindow();
}

void ResetButtonSet() { ButtonSet = 0; }

void NextButtonSet() { ButtonSet = ButtonSet + 1 > 2 ? 0 : ButtonSet + 1; }
void PreviousButtonSet() { ButtonSet = ButtonSet - 1 < 0 ? 2 : ButtonSet - 1; }

int BarRightEdge() {
  int count = BarButtonCount(BarWindow);
  return count > 0 ? BarButtonRect(BarWindow, count - 1).right : 0;
}

}  // namespace vt
