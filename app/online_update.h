// The online update: download a newer program, check it, swap the files and restart.
#pragma once

namespace vt {

void OnlineUpdate();

}  // namespace vt
