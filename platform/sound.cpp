// Sounds (the sound server part is filled in by the speech work); until then the click is a wait.
#include "platform/sound.h"

#include "platform/window.h"

namespace vt {

void PlayTone(int, int milliseconds) { SleepMs(milliseconds); }

}  // namespace vt
