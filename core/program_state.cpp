// The program's state and its one reset. The defaults stand here once: the definitions start
// with them and ResetProgramState returns to them.
#include "core/program_state.h"

#include "core/settings_file.h"

namespace vt {

MainWidget* MainWindow = nullptr;
int32_t RestartAfterUpdate = 0;
int32_t ShortcutListShown = 0;
int32_t ShelfShown = 0;
int32_t BarHeight = 0;
long double FontScale = 1;
int32_t ButtonSet = 0;
BarImages* BarImageList = nullptr;
BarView* BarWindow = nullptr;
FontRequest BarFont{"Arial Black", 1, true};
PaneView* PaneWindow = nullptr;
int32_t SmallFontSavedSize = 0;
PaneFontRequest PaneFont{"", 0, false, false, false, false};
std::string BookText;
std::string LoadedPaneText;
std::string UserBookFile;
int32_t UserFileBookMark = 0;
std::vector<BookFilePosition> BookFilePositions;
int32_t CaretShownOnPaint = 0;
SearchDialogView* SearchDialogWindow = nullptr;
int32_t IsSpeaking = 0;
std::string SpokenText;
PaneView* SpokenPane = nullptr;
int32_t SpeakStart = 0;
int32_t UnderlineStart = 0;
int32_t UnderlineLength = 0;
int32_t SpeechStarted = 0;

void ResetProgramState() {
  ResetSettingsToDefaults();
  RestartAfterUpdate = 0;
  ShortcutListShown = 0;
  ShelfShown = 0;
  FontScale = 1;
  ButtonSet = 0;
  SmallFontSavedSize = 0;
  BookText.clear();
  LoadedPaneText.clear();
  UserBookFile.clear();
  UserFileBookMark = 0;
  BookFilePositions.clear();
  CaretShownOnPaint = 0;
  IsSpeaking = 0;
  SpokenText.clear();
  SpeakStart = UnderlineStart = UnderlineLength = 0;
  SpeechStarted = 0;
}

}  // namespace vt
