// Sounds through the desktop's sound server: the command click and the master volume steps.
// Without a sound server both return at once and do nothing; a slow server never holds the caller.
#pragma once

namespace vt {

// Starts a sine tone and returns at once, while it sounds; the tone plays to its end even when the
// program ends meanwhile. Nothing sounds when there is no sound server.
void PlayTone(int frequencyHz, int milliseconds);

// One step of the default output's master volume, as a desktop's volume key makes it: 5 % up
// (direction > 0) or down. Up stops at 100 %, or at the current volume when that is already
// higher; down stops at 0 %.
void StepMasterVolume(int direction);

}  // namespace vt
