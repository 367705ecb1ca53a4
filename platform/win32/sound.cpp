// The click and the volume keys over the Win32 API. The click is Beep, which plays its tone on the
// default sound device and returns when the tone has ended (at once where there is no device); it
// runs on a short-lived thread of its own so that the command goes on while it sounds. A volume
// step is a press of the keyboard's volume key, injected with SendInput: the system applies its
// own step and cap, and shows its volume indicator as for a real key. Neither keeps any state.
#include "platform/sound.h"

#include <windows.h>

#include <thread>

namespace vt {

namespace {

// Beep's own range of frequencies.
constexpr int kLowestBeepHz = 37;
constexpr int kHighestBeepHz = 32767;

INPUT VolumeKey(WORD key, DWORD flags) {
  INPUT input{};
  input.type = INPUT_KEYBOARD;
  input.ki.wVk = key;
  input.ki.dwFlags = KEYEVENTF_EXTENDEDKEY | flags;
  return input;
}

}  // namespace

void PlayTone(int frequencyHz, int milliseconds) {
  if (frequencyHz < kLowestBeepHz || frequencyHz > kHighestBeepHz || milliseconds <= 0) return;
  std::thread([frequencyHz, milliseconds] { Beep(static_cast<DWORD>(frequencyHz), static_cast<DWORD>(milliseconds)); }).detach();
}

// A whole key press, down and up: a key left down would stay down for every program that asks.
void StepMasterVolume(int direction) {
  WORD key = direction > 0 ? VK_VOLUME_UP : VK_VOLUME_DOWN;
  INPUT press[2] = {VolumeKey(key, 0), VolumeKey(key, KEYEVENTF_KEYUP)};
  SendInput(2, press, sizeof(INPUT));
}

}  // namespace vt
