// The reader's main window for the speech tests: made once per test program (ending it would end
// the event loop and write the settings file), with the pane text each test needs, and helpers
// that run the event loop until the speech events have done their work.
#pragma once
#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "app/commands.h"
#include "app/main_window.h"
#include "platform/pane.h"
#include "platform/speech_engine.h"
#include "platform/voice_tokens.h"
#include "reader/reading_pane.h"
#include "settings/settings_file.h"
#include "speech/reading_aloud.h"

namespace speechtest {

// Settings for a quiet test, the window made (once), the voice object and the registry reset.
inline void OpenReader(const std::string& paneText) {
  using namespace vt;
  StopSpeaking();
  ResetSettingsToDefaults();
  sBeepOn = 0;
  UserBarDelay = 0;
  if (!MainWindow) {
    MainWindow = CreateMainWidget(0, 0, 1200, 800, MainWindowTitle(), MainWindowProc);
    InitialiseAndShow(MainWindow);
  }
  ResetVoiceTokens();
  InitSpeech();
  IsSpeaking = 0;
  SpokenText.clear();
  SpeakStart = UnderlineStart = UnderlineLength = 0;
  SetPaneWindowText(PaneWindow, paneText);
  PaneSetSelection(PaneWindow, 0, 0);
  ProcessPendingEvents();
  // Nothing of an earlier test is left to arrive.
  VoiceSpeak(SpeechVoice, "", SPF_PURGEBEFORESPEAK, nullptr);
  ProcessPendingEvents();
  IsSpeaking = 0;
}

// Runs the event loop until `done` or `seconds` have passed; true when done.
inline bool RunUntil(const std::function<bool()>& done, double seconds = 20) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    vt::ProcessPendingEvents();
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

// Runs the event loop for a while, regardless.
inline void RunFor(double seconds) {
  RunUntil([] { return false; }, seconds);
}

// The word marks made while the event loop runs until the reading ends: each (start, length) that
// HandleSpeechEvents gave UnderlineStart and UnderlineLength.
inline std::vector<std::pair<int, int>> MarksUntilIdle(double seconds = 20) {
  std::vector<std::pair<int, int>> marks;
  std::pair<int, int> last{vt::UnderlineStart, vt::UnderlineLength};
  RunUntil(
      [&] {
        std::pair<int, int> now{vt::UnderlineStart, vt::UnderlineLength};
        if (now != last && vt::IsSpeaking) marks.push_back(now);
        last = now;
        return vt::IsSpeaking == 0;
      },
      seconds);
  return marks;
}

}  // namespace speechtest
