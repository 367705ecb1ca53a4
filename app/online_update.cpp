// The online update (filled in by the update work).
#include "app/online_update.h"

namespace vt {

void OnlineUpdate() {}

}  // namespace vt
