// The back end's objects that the program holds by pointer (main windows, panes, bars, labels,
// image lists) are registered while they are usable. Every operation looks a pointer up before it
// uses it, so a pointer whose object has gone (a pane that went with its window) is compared,
// never read. The register belongs to the user-interface thread.
#pragma once

namespace vt {

void MarkLive(const void* object);
void MarkGone(const void* object);
bool IsLive(const void* object);

// The object, or null when it is null or gone.
template <typename T>
T* Live(T* object) {
  return IsLive(object) ? object : nullptr;
}

}  // namespace vt
