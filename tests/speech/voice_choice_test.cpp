// Which installed voice is the reader's: by gender and language, as a translated Windows lists
// them, before the English description.
#include <gtest/gtest.h>

#include "platform/voice_choice.h"

namespace vt {
namespace {

TEST(ChooseReaderVoice, GoesByGenderAndLanguageThenByDescription) {
  const InstalledVoice german{"Microsoft Hedda Desktop - German", "hedda", "Female", "407"};
  const InstalledVoice davidFr{"Microsoft David Desktop - Anglais (États-Unis)", "david", "Male", "409;9"};
  const InstalledVoice ziraFr{"Microsoft Zira Desktop - Anglais (États-Unis)", "zira", "female", "0409"};
  const InstalledVoice byName{FemaleVoiceName, "named", "", ""};
  struct Case {
    const char* name;
    std::vector<InstalledVoice> voices;
    int male, female;
  } cases[] = {
      {"translated descriptions", {german, ziraFr, davidFr}, 2, 1},
      {"only the description says", {german, byName}, -1, 1},
      {"attributes before the description", {byName, ziraFr}, -1, 1},
      {"no English voice", {german}, -1, -1},
      {"none installed", {}, -1, -1},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ChooseReaderVoice(true, c.voices), c.male) << c.name;
    EXPECT_EQ(ChooseReaderVoice(false, c.voices), c.female) << c.name;
  }
}

}  // namespace
}  // namespace vt
