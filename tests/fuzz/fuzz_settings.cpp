// Fuzzes the settings reader: any bytes must read without a crash or a hang, and once written
// and read again the settings must stay as they are (a surrounding pair of quotes is taken off by
// each read, and a real of 7 digits may settle once, so stability is checked from the second save).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "core/settings_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  vt::ReadSettingsText(std::string(reinterpret_cast<const char*>(data), size));
  vt::ReadSettingsText(vt::SettingsText());
  vt::ReadSettingsText(vt::SettingsText());
  std::string written = vt::SettingsText();
  vt::ReadSettingsText(written);
  if (vt::SettingsText() != written) std::abort();
  return 0;
}
