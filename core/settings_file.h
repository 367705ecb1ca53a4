// The settings file: every value the reader keeps from one run to the next, one member of
// `settings` per key, each reachable by the key's exact name; read once at start and written once
// at the end. Only the user-interface thread touches them.
#pragma once
#include <cstdint>
#include <string>

namespace vt {

// Colour references in the 0x00BBGGRR form: red in the low byte.
using ColourRef = int32_t;

// Every setting the program uses, by its key's name; the file's other keys (window geometry, and
// values this program keeps only to write them back) are the settings file's own. Their defaults
// are the ones a missing file gives (kKeys in settings_file.cpp).
struct Settings {
  std::string SearchTerm;
  std::string FontName;
  std::string EditFileName;
  int32_t DisableShortCuts;
  int32_t CaseType;
  int32_t REMargin;
  int32_t Minimized;
  int32_t Maximized;
  int32_t BarFontSize;
  int32_t Book;
  int32_t BookMark0, BookMark1, BookMark2, BookMark3, BookMark4, BookMark5, BookMark6;
  int32_t MaleVoice;
  int32_t WideMenu;
  int32_t FormatParagraph;
  int32_t WideSpacing;
  int32_t IconSize;
  int32_t UserBarDelay;
  int32_t FontSize;
  int32_t FontAttr;
  int32_t sBeepOn;
  ColourRef TextColor;
  ColourRef BGColor;
  int32_t SingleLineScroll;
  int32_t vRate;
  int32_t SlowRate;
  int32_t FastRate;
};

extern Settings settings;

inline std::string& SearchTerm = settings.SearchTerm;
inline std::string& FontName = settings.FontName;
inline std::string& EditFileName = settings.EditFileName;
inline int32_t& DisableShortCuts = settings.DisableShortCuts;
inline int32_t& CaseType = settings.CaseType;
inline int32_t& REMargin = settings.REMargin;
inline int32_t& Minimized = settings.Minimized;
inline int32_t& Maximized = settings.Maximized;
inline int32_t& BarFontSize = settings.BarFontSize;
inline int32_t& Book = settings.Book;
inline int32_t& BookMark0 = settings.BookMark0;
inline int32_t& BookMark1 = settings.BookMark1;
inline int32_t& BookMark2 = settings.BookMark2;
inline int32_t& BookMark3 = settings.BookMark3;
inline int32_t& BookMark4 = settings.BookMark4;
inline int32_t& BookMark5 = settings.BookMark5;
inline int32_t& BookMark6 = settings.BookMark6;
inline int32_t& MaleVoice = settings.MaleVoice;
inline int32_t& WideMenu = settings.WideMenu;
inline int32_t& FormatParagraph = settings.FormatParagraph;
inline int32_t& WideSpacing = settings.WideSpacing;
inline int32_t& IconSize = settings.IconSize;
inline int32_t& UserBarDelay = settings.UserBarDelay;
inline int32_t& FontSize = settings.FontSize;
inline int32_t& FontAttr = settings.FontAttr;
inline int32_t& sBeepOn = settings.sBeepOn;
inline ColourRef& TextColor = settings.TextColor;
inline ColourRef& BGColor = settings.BGColor;
inline int32_t& SingleLineScroll = settings.SingleLineScroll;
inline int32_t& vRate = settings.vRate;
inline int32_t& SlowRate = settings.SlowRate;
inline int32_t& FastRate = settings.FastRate;

// Loads ("get") or writes ("save") the whole settings file; any other action does nothing. A load
// removes a new file left by an interrupted save; a save that fails keeps the old file and says so.
void PersistSettings(const std::string& action);

// Applies the window size and place that the last load read to the main window.
void ApplyWindowGeometry();

// Puts every setting back to its default, as a missing file would, and the settings file's own
// state back to a fresh start's (not the folders a test set); part of ResetProgramState.
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
