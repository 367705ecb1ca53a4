// The reader's voice among the installed ones (see voice_choice.h).
#include "platform/voice_choice.h"

#include <algorithm>

#include "platform/files.h"

namespace vt {

// The descriptions Windows gives the reader's voices in English.
const char* const MaleVoiceName = "Microsoft David Desktop - English (United States)";
const char* const FemaleVoiceName = "Microsoft Zira Desktop - English (United States)";

// True when a voice's language ids (hex, ";" between them) include US English, 409.
static bool SpeaksUsEnglish(const std::string& languages) {
  std::size_t start = 0;
  while (start <= languages.size()) {
    std::size_t end = std::min(languages.find(';', start), languages.size());
    std::string id = languages.substr(start, end - start);
    while (id.size() > 3 && id[0] == '0') id.erase(0, 1);
    if (LowerCase(id) == "409") return true;
    start = end + 1;
  }
  return false;
}

int ChooseReaderVoice(bool male, const std::vector<InstalledVoice>& voices) {
  const std::string gender = male ? "male" : "female";
  for (std::size_t i = 0; i < voices.size(); ++i)
    if (LowerCase(voices[i].gender) == gender && SpeaksUsEnglish(voices[i].language)) return static_cast<int>(i);
  const std::string description = male ? MaleVoiceName : FemaleVoiceName;
  for (std::size_t i = 0; i < voices.size(); ++i)
    if (voices[i].description == description) return static_cast<int>(i);
  return -1;
}

}  // namespace vt
