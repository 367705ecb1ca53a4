// The program's state and its one reset. The defaults stand once, in the structs' member
// initialisers: the definitions start with them and ResetProgramState returns to them.
#include "core/program_state.h"

#include "core/settings_file.h"

namespace vt {

AppState appState;
CoreState coreState;
BarState barState;
ReaderState readerState;
SpeechState speechState;

// The resets modules keep for their own state, in the order their files were initialised. A
// function's static, so that it exists before the first file registers, whatever the order.
static std::vector<void (*)()>& ModuleResets() {
  static std::vector<void (*)()> resets;
  return resets;
}

bool ResetAlongWithProgramState(void (*reset)()) {
  ModuleResets().push_back(reset);
  return true;
}

void ResetProgramState() {
  // The modules first: a module may stop a worker or a timer that would otherwise read the state.
  for (void (*reset)() : ModuleResets()) reset();
  appState = AppState{};
  coreState = CoreState{};
  barState = BarState{};
  readerState = ReaderState{};
  speechState = SpeechState{};
  ResetSettingsToDefaults();
}

}  // namespace vt
