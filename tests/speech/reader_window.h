// The running reader for the speech tests: the main window started as the program starts it (quiet
// settings in a temporary folder), the pane text each test needs, and helpers that run the event
// loop until the speech events have done their work. Skipped when no sound server can start.
#pragma once
#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "platform/testing.h"
#include "platform/pane.h"
#include "platform/speech_engine.h"
#include "private_sound_server.h"
#include "reader/reading_pane.h"
#include "speech/reading_aloud.h"
#include "support/event_loop.h"
#include "support/main_window_fixture.h"

namespace speechtest {

using vt_test::RunFor;
using vt_test::RunUntil;

// The word marks made while the event loop runs until the reading ends: each (start, length) that
// MarkSpokenWord gave UnderlineStart and UnderlineLength, taken as each word's report arrives (a
// loaded machine may deliver several reports between two looks at the pane).
inline std::vector<std::pair<int, int>> MarksUntilIdle(double seconds = 20) {
  std::vector<std::pair<int, int>> marks;
  vt::SetSpeechListener({[&marks](const vt::SpokenWord& word) {
                           vt::MarkSpokenWord(word);
                           if (vt::IsSpeaking) marks.emplace_back(vt::UnderlineStart, vt::UnderlineLength);
                         },
                         vt::EndReading, vt::ReadingLost});
  RunUntil([] { return vt::IsSpeaking == 0; }, seconds);
  vt::SetSpeechListener({vt::MarkSpokenWord, vt::EndReading, vt::ReadingLost});
  return marks;
}

class ReaderTest : public vt_test::MainWindowTest {
 protected:
  void SetUp() override {
    std::string why;
    if (!testsound::StartPrivateSoundServer(&why)) GTEST_SKIP() << "no private sound server: " << why;
    vt_test::MainWindowTest::SetUp();
  }
  void TearDown() override {
    vt::StopSpeaking();
    vt::ProcessPendingEvents();
    vt_test::MainWindowTest::TearDown();
  }
  // Starts the reader with `paneText` in the pane and the caret at its start; nothing of an
  // earlier reading is left to arrive.
  void OpenReader(const std::string& paneText, const std::string& settings = "") {
    Start(settings);
    vt::SetPaneWindowText(vt::PaneWindow, paneText);
    vt::SpeakStart = vt::UnderlineStart = vt::UnderlineLength = 0;
    vt::SpeechStop();
    RunFor(0.02);  // its end report, which puts the caret behind the last mark
    vt::IsSpeaking = 0;
    vt::PaneSetSelection(vt::PaneWindow, 0, 0);
  }
};

}  // namespace speechtest
