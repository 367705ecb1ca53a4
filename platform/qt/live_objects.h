// The Qt back end's part of the register of usable objects (platform/live_objects.h): the modal
// waits that must end with the program's window.
#pragma once

#include "platform/live_objects.h"

namespace vt {

// Ends every modal wait that runs (the search box): called when the program's window ends, after
// which nothing may keep the process from ending.
void EndModalWaits();

}  // namespace vt
