// Fuzzes the settings reader: any bytes must read without a crash or a hang, and what a save
// would write from the result must read back to the same text.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "settings/settings_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  vt::ReadSettingsText(std::string(reinterpret_cast<const char*>(data), size));
  std::string written = vt::SettingsText();
  vt::ReadSettingsText(written);
  if (vt::SettingsText() != written) std::abort();
  return 0;
}
