// The register of usable objects; touched on the user-interface thread only.
#include "platform/live_objects.h"

#include <unordered_set>

namespace vt {

static std::unordered_set<const void*> liveObjects;

void MarkLive(const void* object) { liveObjects.insert(object); }
void MarkGone(const void* object) { liveObjects.erase(object); }
bool IsLive(const void* object) { return object && liveObjects.count(object) != 0; }

}  // namespace vt
