// The settings file: every value the reader keeps from one run to the next, as process-wide
// variables bearing the keys' exact names, read once at start and written once at the end.
#pragma once
#include <cstdint>
#include <string>

namespace vt {

// Colour references in the 0x00BBGGRR form: red in the low byte.
using ColourRef = int32_t;

extern std::string SearchTerm;
extern std::string PassWord;
extern std::string FontName;
extern std::string EditFileName;
extern int32_t DisableShortCuts;
extern int32_t CaseType;
extern int32_t REMargin;
extern int32_t Minimized;
extern int32_t Maximized;
extern float AR;
extern int32_t BarFontSize;
extern int32_t Book;
extern int32_t BookMark0, BookMark1, BookMark2, BookMark3, BookMark4, BookMark5, BookMark6;
extern int32_t MaleVoice;
extern int32_t WideMenu;
extern int32_t FormatParagraph;
extern int32_t WideSpacing;
extern int32_t IconSize;
extern int32_t TBText;
extern int32_t UserBarDelay;
extern ColourRef True_BGColor;
extern ColourRef True_TextColor;
extern int32_t FontSize;
extern int32_t FontAttr;
extern int32_t ReversePrint;
extern int32_t PrintWrap;
extern int32_t PrintFontAdjust;
extern int32_t sBeepOn;
extern ColourRef TextColor;
extern ColourRef BGColor;
extern int32_t SingleLineScroll;
extern int32_t vRate;
extern int32_t SlowRate;
extern int32_t FastRate;

// Loads ("get") or writes ("save") the whole settings file; any other action does nothing. A load
// removes a new file left by an interrupted save; a save that fails keeps the old file and says so.
void PersistSettings(const std::string& action);

// Applies the window size and place that the last load read to the main window.
void ApplyWindowGeometry();

// Puts every settings variable back to its default, as a missing file would (used by tests).
void ResetSettingsToDefaults();

// The settings file in use: in the user's config folder for an installed program (see
// core/installation.h); else beside the program when its folder is writable and the file there (if
// any) is one this user may read and write; else in the user's config folder.
std::string SettingsPath();

// The folder the settings go to ("~" for the home folder), which the reader is told once at start
// when the settings file beside the program is protected (unreadable, read-only, not a regular
// file) and the settings go to the user's config folder; "" otherwise.
std::string ProtectedSettingsFallbackFolder();

// The notice shown when the settings could not be written at the end (the old file is kept).
extern const char* const SettingsNotSavedNotice;

// Reads every key from the bytes of a settings file (absent keys take their defaults).
void ReadSettingsText(const std::string& bytes);

// The text a save writes: section "All" and the 45 keys in their order, CR LF line ends.
std::string SettingsText();

// Overrides the folder and base name the settings file is looked for in (tests); empty restores the default.
void SetSettingsLocationForTesting(const std::string& folder, const std::string& configFolder);

// Writes the new settings beside the old file and returns the temporary file's path (the first half of a save).
std::string WriteSettingsTemporary();

// Replaces the settings file by a temporary file written by WriteSettingsTemporary (the second half of a save).
bool CommitSettingsTemporary(const std::string& temporaryPath);

// Number text as the file holds it: a blank before non-negative values, no "0" before the point,
// at most `digits` significant digits, trailing zeros of a fraction dropped.
std::string NumberText(double value, int digits = 15);

// Reads number text: leading white space skipped, longest numeric prefix, "&H" "&B" "&O" "&" prefixes; else 0.
double ReadNumberText(const std::string& text);

// Stores a real into a 32-bit integer: nearest integer, an exact half to the even neighbour, clamped to the range.
int32_t RoundHalfEven(double value);

// The reading position variable of a book (BookMark0 ... BookMark6), or nullptr outside 0 ... 6.
int32_t* BookMarkOf(int book);

}  // namespace vt
