// Checks of the Win32 speech without a voice and the click, as a plain Windows console program
// without the window, run under Wine by run_service_checks.sh. It stands in for the window's
// RunLater with a queue of its own and pumps the thread's messages as the main window's loop does.
// (Files and downloads are checked by the unit tests, on both systems.)
// Exit status: the number of failed checks.
#include "platform/sound.h"
#include "platform/speech_engine.h"
#include "platform/testing.h"

#include <windows.h>

#include <cstdio>
#include <deque>
#include <functional>
#include <string>
#include <vector>

namespace vt {

static std::deque<std::function<void()>> later;  // the stand-in for the window's timer queue

void RunLater(int, std::function<void()> callback) { later.push_back(std::move(callback)); }

}  // namespace vt

namespace {

int failures = 0;

void Check(bool ok, const char* what, const std::string& detail = "") {
  if (!ok) ++failures;
  std::printf("%s %s %s\n", ok ? "ok  " : "FAIL", what, detail.c_str());
}

// What the main window's loop does between commands: SAPI's messages, then the timer queue.
void PumpEvents() {
  for (int round = 0; round < 20; ++round) {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
    while (!vt::later.empty()) {
      auto callback = std::move(vt::later.front());
      vt::later.pop_front();
      callback();
    }
    Sleep(10);
  }
}

void CheckSpeechWithoutVoice() {
  using namespace vt;
  int words = 0, ends = 0;
  SetSpeechListener({[&](const SpokenWord&) { ++words; }, [&] { ++ends; }, nullptr});
  std::vector<InstalledVoice> voices = InstalledVoices();
  std::printf("     %zu voices\n", voices.size());
  SpeechSetRate(15);
  Check(SpeechRate() == 10 && !SpeechSetVoice("no such voice"), "rate clamped, unknown voice refused");
  SpeechSpeak("Slow speech is on!", SpeakMode::Announcement);
  PumpEvents();
  Check(ends == 0 && words == 0, "an announcement reports nothing");
  SpeechSpeak("One reading of a few words.", SpeakMode::Reading);
  PumpEvents();
  Check(ends == 1, "a reading ends", std::to_string(ends) + " ends, " + std::to_string(words) + " words");
  SpeechSpeak("Stopped at once.", SpeakMode::Reading);
  SpeechStop();
  PumpEvents();
  Check(ends == 2, "a stopped reading ends once", std::to_string(ends));
  SpeechSpeak("", SpeakMode::Reading);
  PumpEvents();
  Check(ends == 3, "an empty reading ends");
}

}  // namespace

int main() {
  CheckSpeechWithoutVoice();
  DWORD start = GetTickCount();
  vt::PlayTone(250, 300);
  std::printf("     the click took %lu ms\n", GetTickCount() - start);
  std::printf("%d failed\n", failures);
  return failures;
}
