// The settings file: one INI section "All" beside the program (or in the user's config folder
// when the program is an installed one, or its folder cannot be written). Loading reads every key into its variable in one
// pass; saving writes all 45 keys in a fixed order into a new file that replaces the old one only
// once it is complete, so an interrupted save never loses the previous settings.
#include "core/settings_file.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <unordered_map>
#include <vector>

#include "core/bar_messages.h"
#include "core/installation.h"
#include "core/program_state.h"
#include "core/window_layout.h"
#include "platform/files.h"
#include "platform/window.h"

namespace vt {

const char* const SettingsNotSavedNotice = "Settings could not be saved!";

Settings settings;

// What the settings file keeps of its own: the window geometry between loading and applying, what
// the last load found, and the keys this program does not use, kept only to be written back as
// they were read (a file shared with another copy of the reader keeps them).
struct SettingsFileState {
  int32_t Width, Height, Left, Top;
  int32_t Zoomed;                   // written only: the show command at save time
  int32_t loadedWidth = 1900;       // width and height after the work-area limit
  int32_t loadedHeight = 1000;
  bool settingsFileExisted = false;
  bool storedGeometryUsable = false;  // the stored size can show the reader (else: as on a first start)
  bool protectedFileBesideProgram = false;  // the last load found a settings file it must not replace
  std::string PassWord;
  float AR;
  int32_t TBText;
  ColourRef True_BGColor;
  ColourRef True_TextColor;
  int32_t ReversePrint;
  int32_t PrintWrap;
  int32_t PrintFontAdjust;
};
static SettingsFileState own;

// The smallest window the reader is usable in; a stored size below it (or zero, or negative) is
// taken as nothing stored.
constexpr int kUsableWidth = 640;
constexpr int kUsableHeight = 400;

// Tests: the program folder and the user's config folder, "" for the real ones.
struct SettingsLocation {
  std::string folder, configFolder;
};
static SettingsLocation location;

enum class Kind { Integer, Real, Text };

struct Key {
  const char* name;
  Kind kind;
  void* variable;
  const char* defaultText;
};

// Every key in the order loading reads them ("Zoomed" is only written).
static const Key kKeys[] = {
    {"Width", Kind::Integer, &own.Width, "1900"},
    {"Height", Kind::Integer, &own.Height, "1000"},
    {"Left", Kind::Integer, &own.Left, "0"},
    {"Top", Kind::Integer, &own.Top, "0"},
    {"SearchTerm", Kind::Text, &SearchTerm, "searchterm"},
    {"PassWord", Kind::Text, &own.PassWord, ""},
    {"FontName", Kind::Text, &FontName, "Tahoma"},
    {"EditFileName", Kind::Text, &EditFileName, "files\\book.txt"},
    {"DisableShortCuts", Kind::Integer, &DisableShortCuts, "1"},
    {"CaseType", Kind::Integer, &CaseType, "2"},
    {"REMargin", Kind::Integer, &REMargin, "20"},
    {"Minimized", Kind::Integer, &Minimized, "0"},
    {"Maximized", Kind::Integer, &Maximized, "0"},
    {"AR", Kind::Real, &own.AR, "0.7"},
    {"BarFontSize", Kind::Integer, &BarFontSize, "96"},
    {"Book", Kind::Integer, &Book, "0"},
    {"BookMark0", Kind::Integer, &BookMark0, "0"},
    {"BookMark1", Kind::Integer, &BookMark1, "0"},
    {"BookMark2", Kind::Integer, &BookMark2, "0"},
    {"BookMark3", Kind::Integer, &BookMark3, "0"},
    {"BookMark4", Kind::Integer, &BookMark4, "0"},
    {"BookMark5", Kind::Integer, &BookMark5, "0"},
    {"BookMark6", Kind::Integer, &BookMark6, "0"},
    {"MaleVoice", Kind::Integer, &MaleVoice, "1"},
    {"WideMenu", Kind::Integer, &WideMenu, "0"},
    {"FormatParagraph", Kind::Integer, &FormatParagraph, "1"},
    {"WideSpacing", Kind::Integer, &WideSpacing, "0"},
    {"IconSize", Kind::Integer, &IconSize, "128"},
    {"TBText", Kind::Integer, &own.TBText, "1"},
    {"UserBarDelay", Kind::Integer, &UserBarDelay, "2000"},
    {"True_BGColor", Kind::Integer, &own.True_BGColor, " 0"},
    {"True_TextColor", Kind::Integer, &own.True_TextColor, " 16777215"},
    {"FontSize", Kind::Integer, &FontSize, "64"},
    {"FontAttr", Kind::Integer, &FontAttr, "1"},
    {"ReversePrint", Kind::Integer, &own.ReversePrint, "0"},
    {"PrintWrap", Kind::Integer, &own.PrintWrap, "1"},
    {"PrintFontAdjust", Kind::Integer, &own.PrintFontAdjust, "0"},
    {"sBeepOn", Kind::Integer, &sBeepOn, "1"},
    {"TextColor", Kind::Integer, &TextColor, " 65535"},
    {"BGColor", Kind::Integer, &BGColor, " 16711680"},
    {"SingleLineScroll", Kind::Integer, &SingleLineScroll, "0"},
    {"vRate", Kind::Integer, &vRate, "0"},
    {"SlowRate", Kind::Integer, &SlowRate, "-3"},
    {"FastRate", Kind::Integer, &FastRate, "3"},
    {"Zoomed", Kind::Integer, &own.Zoomed, nullptr},
};

// The order in which saving writes the keys.
static const char* const kWriteOrder[] = {
    "Left", "Top", "Width", "Height", "SearchTerm", "PassWord", "FontName", "EditFileName",
    "Minimized", "Maximized", "DisableShortCuts", "REMargin", "AR", "CaseType", "BarFontSize",
    "Book", "BookMark0", "BookMark1", "BookMark2", "BookMark3", "BookMark4", "BookMark5",
    "BookMark6", "MaleVoice", "WideMenu", "FormatParagraph", "WideSpacing", "IconSize", "TBText",
    "UserBarDelay", "True_TextColor", "True_BGColor", "FontSize", "FontAttr", "Zoomed",
    "ReversePrint", "PrintWrap", "PrintFontAdjust", "sBeepOn", "TextColor", "BGColor",
    "SingleLineScroll", "vRate", "SlowRate", "FastRate"};

static std::string Trim(const std::string& text) {
  size_t first = text.find_first_not_of(" \t\r");
  if (first == std::string::npos) return std::string();
  size_t last = text.find_last_not_of(" \t\r");
  return text.substr(first, last - first + 1);
}

static const Key* FindKey(const std::string& name) {
  for (const Key& key : kKeys)
    if (name == key.name) return &key;
  return nullptr;
}

int32_t RoundHalfEven(double value) {
  if (std::isnan(value)) return 0;
  if (value >= 2147483647.0) return std::numeric_limits<int32_t>::max();
  if (value <= -2147483648.0) return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(std::nearbyint(value));
}

// The value of the longest run of digits of the given base at the start of text.
static double ReadDigits(const char* text, int base) {
  double value = 0;
  for (; *text; ++text) {
    int c = std::tolower(static_cast<unsigned char>(*text));
    int digit = std::isdigit(c) ? c - '0' : (c >= 'a' && c <= 'f') ? c - 'a' + 10 : 99;
    if (digit >= base) break;
    value = value * base + digit;
  }
  return value;
}

double ReadNumberText(const std::string& text) {
  size_t i = text.find_first_not_of(" \t\r\n");
  if (i == std::string::npos) return 0;
  const char* p = text.c_str() + i;
  if (*p == '&') {
    char prefix = static_cast<char>(std::tolower(static_cast<unsigned char>(p[1])));
    if (prefix == 'h') return ReadDigits(p + 2, 16);
    if (prefix == 'b') return ReadDigits(p + 2, 2);
    if (prefix == 'o' || prefix == 'q') return ReadDigits(p + 2, 8);
    if (std::isdigit(static_cast<unsigned char>(prefix))) return ReadDigits(p + 1, 8);
    return 0;
  }
  // Collect sign, digits, fraction and exponent; the exponent only when digits follow it.
  std::string number;
  size_t k = 0;
  if (p[k] == '+' || p[k] == '-') number += p[k++];
  size_t mantissaDigits = 0;
  while (std::isdigit(static_cast<unsigned char>(p[k]))) number += p[k++], ++mantissaDigits;
  if (p[k] == '.') {
    number += p[k++];
    while (std::isdigit(static_cast<unsigned char>(p[k]))) number += p[k++], ++mantissaDigits;
  }
  if (mantissaDigits == 0) return 0;
  char e = static_cast<char>(std::tolower(static_cast<unsigned char>(p[k])));
  if (e == 'e' || e == 'd') {
    size_t m = k + 1;
    std::string exponent = "e";
    if (p[m] == '+' || p[m] == '-') exponent += p[m++];
    if (std::isdigit(static_cast<unsigned char>(p[m]))) {
      while (std::isdigit(static_cast<unsigned char>(p[m]))) exponent += p[m++];
      number += exponent;
    }
  }
  return std::strtod(number.c_str(), nullptr);
}

std::string NumberText(double value, int digits) {
  if (value == 0 || std::isnan(value)) return " 0";
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.*G", digits, std::fabs(value));
  std::string text = buffer;
  if (text.rfind("0.", 0) == 0) text.erase(0, 1);  // ".7", not "0.7"
  return (value < 0 ? "-" : " ") + text;
}

int32_t* BookMarkOf(int book) {
  static int32_t* const marks[] = {&BookMark0, &BookMark1, &BookMark2, &BookMark3,
                                   &BookMark4, &BookMark5, &BookMark6};
  return book >= 0 && book <= 6 ? marks[book] : nullptr;
}

void SetSettingsLocationForTesting(const std::string& folder, const std::string& configFolder) {
  location = SettingsLocation{folder, configFolder};
}

static std::string SettingsBesideProgram() {
  return (location.folder.empty() ? ProgramFolder() : location.folder) + ProgramBaseName() + ".ini";
}

static std::string SettingsInConfigFolder() {
  return (location.configFolder.empty() ? UserConfigFolder() : location.configFolder) + ProgramBaseName() + ".ini";
}

// True when the program whose settings these are was installed by a package manager or the
// installer: its settings belong in the user's config folder, whoever may write its own folder.
static bool InstalledProgram() {
  std::string besideProgram = SettingsBesideProgram();
  return InstallationOf(besideProgram.substr(0, besideProgram.rfind('/') + 1), ProgramBaseName()) != Installation::OwnCopy;
}

std::string SettingsPath() {
  if (InstalledProgram()) return SettingsInConfigFolder();
  std::string besideProgram = SettingsBesideProgram();
  std::string folder = besideProgram.substr(0, besideProgram.rfind('/') + 1);
  // An installed program's folder cannot be written, and a settings file there that this user may
  // not read or write is somebody's decision: keep the settings with the user's others instead.
  if (FolderIsWritable(folder) && MayReplaceFile(besideProgram)) return besideProgram;
  return SettingsInConfigFolder();
}

std::string ProtectedSettingsFallbackFolder() {
  if (!own.protectedFileBesideProgram) return std::string();
  std::string folder = SettingsInConfigFolder();
  folder.erase(folder.rfind('/') + 1);
  const char* home = std::getenv("HOME");
  std::string homeFolder = home && *home ? std::string(home) + "/" : std::string();
  if (!homeFolder.empty() && folder.rfind(homeFolder, 0) == 0) folder = "~/" + folder.substr(homeFolder.size());
  return folder;
}

// Stores one value text into the key's variable, converted by the key's kind.
static void StoreValue(const Key& key, const std::string& text) {
  switch (key.kind) {
    case Kind::Integer:
      *static_cast<int32_t*>(key.variable) = RoundHalfEven(ReadNumberText(text));
      break;
    case Kind::Real:
      *static_cast<float*>(key.variable) = static_cast<float>(ReadNumberText(text));
      break;
    case Kind::Text:
      *static_cast<std::string*>(key.variable) = CutToUtf16Units(text, 259);
      break;
  }
}

// Reading trims the blanks around a value and then takes one pair of surrounding quotes off it.
// A text that has such a pair of its own, or blanks at either end, is written inside another pair,
// so that it comes back as it was.
// A line break inside a value (a title taken from a user's file may hold one) would end the line
// and let the rest be read as keys of its own: it is written as a blank.
static std::string WritableText(std::string text) {
  for (char& c : text)
    if (c == '\r' || c == '\n' || c == '\0') c = ' ';
  if (text.empty()) return text;
  bool quoted = text.size() >= 2 && (text[0] == '"' || text[0] == '\'') && text.back() == text[0];
  bool blankAtAnEnd = Trim(text).size() != text.size();
  if (quoted) return text[0] + text + text[0];
  return blankAtAnEnd ? '"' + text + '"' : text;
}

// The value text of the key as saving writes it.
static std::string ValueText(const Key& key) {
  switch (key.kind) {
    case Kind::Integer: return NumberText(*static_cast<int32_t*>(key.variable));
    case Kind::Real: return NumberText(*static_cast<float*>(key.variable), 7);
    case Kind::Text: return WritableText(*static_cast<std::string*>(key.variable));
  }
  return std::string();
}

// The keys of section "All", looked up without regard to case; the first of equal keys wins.
static std::unordered_map<std::string, std::string> ParseSectionAll(const std::string& bytes) {
  std::unordered_map<std::string, std::string> values;
  std::string text = BytesToUtf8(bytes);
  bool inAll = false;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = Trim(text.substr(start, end - start));
    start = end + 1;
    if (line.empty() || line[0] == ';') continue;
    if (line[0] == '[') {
      size_t close = line.find(']');
      inAll = close != std::string::npos && LowerCase(Trim(line.substr(1, close - 1))) == "all";
      continue;
    }
    size_t equals = line.find('=');
    if (!inAll || equals == std::string::npos) continue;
    std::string value = Trim(line.substr(equals + 1));
    value = value.substr(0, value.find('\0'));
    if (value.size() >= 2 && (value[0] == '"' || value[0] == '\'') && value.back() == value[0])
      value = value.substr(1, value.size() - 2);
    values.emplace(LowerCase(Trim(line.substr(0, equals))), value);
  }
  return values;
}

void ResetSettingsToDefaults() {
  settings = Settings{};
  own = SettingsFileState{};
  for (const Key& key : kKeys)
    if (key.defaultText) StoreValue(key, key.defaultText);
  own.loadedWidth = own.Width;
  own.loadedHeight = own.Height;
}

void ReadSettingsText(const std::string& bytes) {
  auto values = ParseSectionAll(bytes);
  for (const Key& key : kKeys) {
    if (!key.defaultText) continue;
    auto found = values.find(LowerCase(key.name));
    StoreValue(key, found != values.end() ? found->second : key.defaultText);
  }
}

// The file the settings are read from: the one in use, or, until the user's own copy exists, a
// protected one beside the program that is still readable (its values are a fair start).
static std::string SettingsSource(const std::string& inUse) {
  std::string besideProgram = SettingsBesideProgram();
  if (inUse != besideProgram && !IsRegularFile(inUse) && IsRegularFile(besideProgram)) return besideProgram;
  return inUse;
}

// The stored size limited to the work area, and whether it can show the reader.
static void FitStoredGeometry() {
  Rect work = WorkArea();
  int workWidth = work.right - work.left, workHeight = work.bottom - work.top;
  own.loadedWidth = std::min(workWidth, own.Width);
  own.loadedHeight = std::min(workHeight, own.Height);
  int usableWidth = std::min(kUsableWidth, workWidth), usableHeight = std::min(kUsableHeight, workHeight);
  own.storedGeometryUsable = own.loadedWidth >= usableWidth && own.loadedHeight >= usableHeight;
  if (!own.storedGeometryUsable) {
    own.loadedWidth = std::min(workWidth, 1900);
    own.loadedHeight = std::min(workHeight, 1000);
  }
}

// Type smaller than this is no use to anyone this reader is for, and 0 or less shows nothing.
constexpr int32_t kSmallestFontSize = 8;
// A letter of this size already takes half the height of a common screen; past it no word fits.
constexpr int32_t kLargestFontSize = 400;

// A hand-edited file may hold values the reader cannot show: they are brought into range, so the
// reader starts readable and on a book that exists.
static void ClampHandEditedValues() {
  FontSize = std::clamp(FontSize, kSmallestFontSize, kLargestFontSize);
  if (!BookMarkOf(Book)) Book = 0;
}

// Every key read into its variable, then the window size limited to the work area.
static void LoadSettings() {
  std::string path = SettingsPath();
  // An installed program's settings are where its user expects them: nothing to be told.
  own.protectedFileBesideProgram =
      path != SettingsBesideProgram() && !MayReplaceFile(SettingsBesideProgram()) && !InstalledProgram();
  // A save that was cut short leaves its new file behind; the old file is the one that counts.
  std::string leftover = FinalLinkTarget(path) + ".new";
  if (IsRegularFile(leftover)) DeleteFile(leftover);
  std::string source = SettingsSource(path);
  std::string bytes;
  own.settingsFileExisted = ReadWholeFile(source, bytes);
  ReadSettingsText(own.settingsFileExisted ? bytes : std::string());
  ClampHandEditedValues();
  FitStoredGeometry();
}

void ApplyWindowGeometry() {
  ResizeWindow(MainWindow, own.loadedWidth, own.loadedHeight);
  if (own.settingsFileExisted && own.storedGeometryUsable) {
    // A hand-edited place off every screen would leave the caption-less window out of reach.
    Rect place = PlaceOnScreens(own.Left, own.Top, own.loadedWidth, own.loadedHeight, ScreenWorkAreas());
    MoveWindow(MainWindow, place.left, place.top);
  } else {
    Rect work = WorkArea();
    MoveWindow(MainWindow, work.left, work.top);
    SetPendingShowState(MainWindow, ShowState::Maximised);
  }
}

// "Zoomed" keeps the show command's number: 1 normal, 2 minimized, 3 maximized.
static int32_t ShowCommandNumber(ShowState state) {
  return state == ShowState::Minimised ? 2 : state == ShowState::Maximised ? 3 : 1;
}

// The window's place and show state, taken from the main window at the moment of saving.
static void TakeWindowPlacement() {
  if (!MainWindow || !IsWindow(MainWindow)) return;
  Rect normal = WindowNormalRect(MainWindow);
  own.Left = normal.left;
  own.Top = normal.top;
  own.Width = normal.right - normal.left;
  own.Height = normal.bottom - normal.top;
  ShowState state = WindowShowState(MainWindow);
  own.Zoomed = ShowCommandNumber(state);
  Minimized = state == ShowState::Minimised ? 1 : 0;
  Maximized = state == ShowState::Maximised ? 1 : 0;
}

std::string SettingsText() {
  std::string text = "[All]\r\n";
  for (const char* name : kWriteOrder) text += std::string(name) + "=" + ValueText(*FindKey(name)) + "\r\n";
  return text;
}

std::string WriteSettingsTemporary() {
  TakeWindowPlacement();
  std::string path = SettingsPath();
  size_t slash = path.rfind('/');
  MakeFolders(path.substr(0, slash + 1));
  std::string temporary = FinalLinkTarget(path) + ".new";  // beside the file a link names
  return WriteFileDurably(temporary, SettingsText()) ? temporary : std::string();
}

bool CommitSettingsTemporary(const std::string& temporaryPath) {
  if (temporaryPath.empty()) return false;
  std::string path = FinalLinkTarget(SettingsPath());  // a settings file that is a link stays one
  if (IsRegularFile(path)) CopyFileMode(path, temporaryPath);  // the replaced file's permissions stay
  if (RenameFile(temporaryPath, path)) return true;
  DeleteFile(temporaryPath);
  return false;
}

// Writes the settings; when that fails (a full disk) the old file stays, and the reader is told
// that this session's changes are lost.
static void SaveSettings() {
  if (CommitSettingsTemporary(WriteSettingsTemporary())) return;
  std::fprintf(stderr, "vellumtide: the settings could not be saved to %s\n", SettingsPath().c_str());
  ShowBarMessage(SettingsNotSavedNotice, 1);
}

void PersistSettings(const std::string& action) {
  if (action == "get") LoadSettings();
  if (action == "save") SaveSettings();
}

}  // namespace vt
