// The program's state that is not kept in the settings file, in one struct per layer, each member
// commented with the file that writes it. Every other module only reads these (or asks the owner
// through one of its functions); the settings themselves are in core/settings_file.h. The code
// reads and writes the members by their own names (`BookText`, `IsSpeaking`), through references
// declared beside each struct.
//
// ResetProgramState puts all of it back to how a fresh start finds it by assigning each struct a
// default-constructed value, so a member added to a struct can never be left out of the reset.
// State that a module keeps in its own file (a worker's future, a place kept under a list) is
// reset by that module, which hands its reset to ResetAlongWithProgramState once, as its file is
// initialised. Everything here belongs to the user-interface thread.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "platform/bar.h"
#include "platform/pane.h"
#include "platform/search_dialog.h"
#include "platform/window.h"

namespace vt {

// app/
struct AppState {
  MainWidget* MainWindow = nullptr;  // main_window.cpp: the one top-level window, null before it is made and after it ends
  int32_t RestartAfterUpdate = 0;    // online_update.cpp: the new program starts at the end
};

// core/
struct CoreState {
  int32_t BarHeight = 0;       // window_layout.cpp: height of the icon bar, re-measured on each layout
  long double FontScale = 1;   // display_rules.cpp: 96 / the screen's horizontal logical DPI
};

// bar/icon_bar.cpp
struct BarState {
  int32_t ButtonSet = 0;                      // 0, 1 or 2: the narrow button set the bar shows
  BarImages* BarImageList = nullptr;          // the 23 bar icons at IconSize, numbered from 1 in their fixed order
  BarView* BarWindow = nullptr;               // the bar, null before the first build
  FontRequest BarFont{"Arial Black", 1, true};  // the labels' font
};

// A file the reader has read, with its reading position (reader/own_books.cpp keeps them).
struct BookFilePosition {
  std::string path;  // a file the reader has read, in full
  int32_t position;  // its reading position, as a BookMark variable holds one
  std::string title = {};  // its title as the reader last showed it, "" when not known
};

// reader/
struct ReaderState {
  PaneView* PaneWindow = nullptr;     // reading_pane.cpp: the reading pane
  int32_t SmallFontSavedSize = 0;     // reading_pane.cpp: the size the small-font command returns to
  PaneFontRequest PaneFont{"", 0, false, false, false, false};  // display_options.cpp: the font last set on the pane
  std::string BookText;               // book_library.cpp: the current book as put into the pane
  std::string LoadedPaneText;         // book_library.cpp: the pane's text right after loading, "" when that is BookText
  std::string UserBookFile;           // own_books.cpp: the file given for the user's book; empty: "trash.txt"
  int32_t UserFileBookMark = 0;       // own_books.cpp: the reading position of that file
  std::vector<BookFilePosition> BookFilePositions;  // own_books.cpp: other files' positions, most recent first
  int32_t ShortcutListShown = 0;      // navigation.cpp: 1 while the pane shows the shortcut list instead of the book
  int32_t CaretShownOnPaint = 0;      // navigation.cpp: 1 once the first focused paint of the run has re-created the wide caret
  int32_t ShelfShown = 0;             // shelf.cpp: 1 while the pane shows the shelf of books instead of the book
  SearchDialogView* SearchDialogWindow = nullptr;  // search.cpp: the search box while it is open, else null
};

// speech/reading_aloud.cpp
struct SpeechState {
  int32_t IsSpeaking = 0;       // 1 from the start of a reading until it stops or ends
  std::string SpokenText;       // the text last handed to the voice ("" after a stop)
  PaneView* SpokenPane = nullptr;  // the pane being read
  int32_t SpeakStart = 0;       // pane index of the reading's first character
  int32_t UnderlineStart = 0;   // the pane range of the word being spoken
  int32_t UnderlineLength = 0;
  int32_t SpeechStarted = 0;    // 1 once the voice has its listener, voice and rate (at the first speech)
};

extern AppState appState;
extern CoreState coreState;
extern BarState barState;
extern ReaderState readerState;
extern SpeechState speechState;

inline MainWidget*& MainWindow = appState.MainWindow;
inline int32_t& RestartAfterUpdate = appState.RestartAfterUpdate;

inline int32_t& BarHeight = coreState.BarHeight;
inline long double& FontScale = coreState.FontScale;

inline int32_t& ButtonSet = barState.ButtonSet;
inline BarImages*& BarImageList = barState.BarImageList;
inline BarView*& BarWindow = barState.BarWindow;
inline FontRequest& BarFont = barState.BarFont;

inline PaneView*& PaneWindow = readerState.PaneWindow;
inline int32_t& SmallFontSavedSize = readerState.SmallFontSavedSize;
inline PaneFontRequest& PaneFont = readerState.PaneFont;
inline std::string& BookText = readerState.BookText;
inline std::string& LoadedPaneText = readerState.LoadedPaneText;
inline std::string& UserBookFile = readerState.UserBookFile;
inline int32_t& UserFileBookMark = readerState.UserFileBookMark;
inline std::vector<BookFilePosition>& BookFilePositions = readerState.BookFilePositions;
inline int32_t& ShortcutListShown = readerState.ShortcutListShown;
inline int32_t& CaretShownOnPaint = readerState.CaretShownOnPaint;
inline int32_t& ShelfShown = readerState.ShelfShown;
inline SearchDialogView*& SearchDialogWindow = readerState.SearchDialogWindow;

inline int32_t& IsSpeaking = speechState.IsSpeaking;
inline std::string& SpokenText = speechState.SpokenText;
inline PaneView*& SpokenPane = speechState.SpokenPane;
inline int32_t& SpeakStart = speechState.SpeakStart;
inline int32_t& UnderlineStart = speechState.UnderlineStart;
inline int32_t& UnderlineLength = speechState.UnderlineLength;
inline int32_t& SpeechStarted = speechState.SpeechStarted;

// Every variable above, every setting and every module's own state back to its starting value.
// The widgets are not touched (a test that made a window ends it), nor where tests have put the
// program's files: a reset within a test is a new start of the program in the same place.
void ResetProgramState();

// Hands ResetProgramState the reset of a module's own state; returns true, so that a file can
// register at its initialisation: `const bool registered = ResetAlongWithProgramState(ResetMine);`.
bool ResetAlongWithProgramState(void (*reset)());

}  // namespace vt
