// The program's state that is not kept in the settings file, grouped by the module that writes
// it. Every other module only reads these (or asks the owner through one of its functions); the
// settings themselves are declared in core/settings_file.h. ResetProgramState puts all of it back
// to how a fresh start finds it.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "platform/bar.h"
#include "platform/pane.h"
#include "platform/search_dialog.h"
#include "platform/window.h"

namespace vt {

// app/main_window.cpp
extern MainWidget* MainWindow;  // the one top-level window, null before it is made and after it ends

// app/online_update.cpp
extern int32_t RestartAfterUpdate;  // set by a successful online update: the new program starts at the end

// core/window_layout.cpp
extern int32_t BarHeight;  // height of the icon bar, re-measured on each layout

// core/display_rules.cpp
extern long double FontScale;  // 96 / the screen's horizontal logical DPI

// bar/icon_bar.cpp
extern int32_t ButtonSet;        // 0, 1 or 2: the narrow button set the bar shows
extern BarImages* BarImageList;  // the 23 bar icons at IconSize, numbered from 1 in their fixed order
extern BarView* BarWindow;       // the bar, null before the first build
extern FontRequest BarFont;      // the labels' font

// reader/reading_pane.cpp
extern PaneView* PaneWindow;         // the reading pane
extern int32_t SmallFontSavedSize;   // the size the small-font command returns to

// reader/display_options.cpp
extern PaneFontRequest PaneFont;  // the font last set on the pane

// reader/book_library.cpp
extern std::string BookText;        // the current book as put into the pane
extern std::string LoadedPaneText;  // the pane's text right after loading, "" when that is BookText

// reader/own_books.cpp
struct BookFilePosition {
  std::string path;  // a file the reader has read, in full
  int32_t position;  // its reading position, as a BookMark variable holds one
  std::string title = {};  // its title as the reader last showed it, "" when not known
};
extern std::string UserBookFile;     // the file given for the user's book; empty: "trash.txt"
extern int32_t UserFileBookMark;     // the reading position of that file
extern std::vector<BookFilePosition> BookFilePositions;  // other files' positions, most recent first

// reader/navigation.cpp
extern int32_t ShortcutListShown;  // 1 while the pane shows the shortcut list instead of the book
extern int32_t CaretShownOnPaint;  // 1 once the first focused paint of the run has re-created the wide caret

// reader/shelf.cpp
extern int32_t ShelfShown;  // 1 while the pane shows the shelf of books instead of the book

// reader/search.cpp
extern SearchDialogView* SearchDialogWindow;  // the search box while it is open, else null

// speech/reading_aloud.cpp
extern int32_t IsSpeaking;      // 1 from the start of a reading until it stops or ends
extern std::string SpokenText;  // the text last handed to the voice ("" after a stop)
extern PaneView* SpokenPane;    // the pane being read
extern int32_t SpeakStart;      // pane index of the reading's first character
extern int32_t UnderlineStart;  // the pane range of the word being spoken
extern int32_t UnderlineLength;
extern int32_t SpeechStarted;   // 1 once the voice has its listener, voice and rate (at the first speech)

// Every variable above and every setting back to its starting value (the widgets are not touched).
void ResetProgramState();

}  // namespace vt
