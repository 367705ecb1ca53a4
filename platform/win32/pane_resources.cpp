// The built-in books are embedded in vellumtide.exe as RCDATA resources named after their files.
#include "platform/pane_resources.h"

#include <windows.h>

#include "platform/win32/main_widget.h"

namespace vt {

bool ReadEmbeddedBook(const std::string& fileName, std::string& bytes) {
  std::wstring name = Wide(fileName);
  CharUpperW(name.data());
  HMODULE program = GetModuleHandleW(nullptr);
  HRSRC found = FindResourceW(program, name.c_str(), MAKEINTRESOURCEW(10));  // RT_RCDATA
  HGLOBAL loaded = found ? LoadResource(program, found) : nullptr;
  const void* data = loaded ? LockResource(loaded) : nullptr;
  if (!data) return false;
  bytes.assign(static_cast<const char*>(data), SizeofResource(program, found));
  return true;
}

}  // namespace vt
