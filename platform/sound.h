// Sounds through the desktop's sound server: the command click and the master volume steps.
#pragma once

namespace vt {

// Plays a tone and returns when it has ended; returns at once when there is no sound server.
void PlayTone(int frequencyHz, int milliseconds);

}  // namespace vt
