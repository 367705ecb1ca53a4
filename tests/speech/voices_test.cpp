// Choosing the voice by its description among the registry's tokens, the routines behind it and
// their result codes, and the voice command in the running reader (the two voices really differ).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <map>
#include <optional>

#include "private_sound_server.h"
#include "reader_window.h"
#include "speech/voices.h"

namespace vt {
namespace {

using speechtest::RunUntil;

// Sets the locale variables for one test and puts them back after it.
class LocaleScope {
 public:
  explicit LocaleScope(const char* lang) {
    for (const char* v : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
      const char* old = std::getenv(v);
      saved.emplace_back(v, old ? std::optional<std::string>(old) : std::nullopt);
      unsetenv(v);
    }
    setenv("LANG", lang, 1);
  }
  ~LocaleScope() {
    for (auto& [name, value] : saved)
      if (value)
        setenv(name.c_str(), value->c_str(), 1);
      else
        unsetenv(name.c_str());
  }

 private:
  std::vector<std::pair<std::string, std::optional<std::string>>> saved;
};

VoiceToken Token(const std::string& key, std::map<std::string, std::string> values, const std::string& engine) {
  return VoiceToken{std::string(SPCAT_VOICES) + "\\Tokens\\" + key, std::move(values), engine};
}

TEST(VoiceRoutines, FlagsAndLanguageIds) {
  EXPECT_EQ(SPFEI(SPEI_END_INPUT_STREAM) | SPFEI(SPEI_WORD_BOUNDARY), 0x240000024ull);
  EXPECT_EQ(MAKELANGID(9, 1), 0x409);
  EXPECT_TRUE(SUCCEEDED(S_FALSE));
  EXPECT_TRUE(FAILED(SPERR_NOT_FOUND));
  const std::pair<const char*, uint16_t> locales[] = {
      {"en_US.UTF-8", 0x409}, {"en_GB.UTF-8", 0x809}, {"de_DE.UTF-8", 0x407}, {"de_AT", 0xC07},
      {"pt_BR.UTF-8", 0x416}, {"fr_CA@euro", 0xC0C},  {"es_AR.UTF-8", 0xC0A}, {"C", 0x409},
      {"C.UTF-8", 0x409},     {"POSIX", 0x409},       {"xx_YY", 0x409},       {"ja_JP.eucJP", 0x411},
  };
  for (const auto& [locale, id] : locales) EXPECT_EQ(LanguageIdOfLocale(locale), id) << locale;
}

TEST(VoiceRoutines, UserLanguageComesFromTheLocale) {
  {
    LocaleScope scope("de_DE.UTF-8");
    EXPECT_EQ(SpGetUserDefaultUILanguage(), 0x407);
    setenv("LC_MESSAGES", "en_GB.UTF-8", 1);  // messages decide over LANG
    EXPECT_EQ(SpGetUserDefaultUILanguage(), 0x809);
    setenv("LC_ALL", "fr_FR.UTF-8", 1);  // and LC_ALL over both
    EXPECT_EQ(SpGetUserDefaultUILanguage(), 0x40C);
  }
}

TEST(VoiceRoutines, ResultCodesOfBadArguments) {
  VoiceToken token = Token("t", {{"", "plain"}}, "en-us");
  std::string text;
  std::unique_ptr<TokenEnumerator> enumerator;
  std::unique_ptr<TokenCategory> category;
  EXPECT_EQ(SelectVoice(nullptr, MaleVoiceName), E_POINTER);
  EXPECT_EQ(SpEnumTokens(SPCAT_VOICES, nullptr, nullptr, nullptr), E_INVALIDARG);
  EXPECT_EQ(SpGetCategoryFromId(SPCAT_VOICES, nullptr, false), E_INVALIDARG);
  EXPECT_EQ(SpGetDescription(nullptr, &text), E_POINTER);
  EXPECT_EQ(SpGetDescription(&token, nullptr), E_INVALIDARG);
  EXPECT_EQ(SpGetCategoryFromId("HKEY_LOCAL_MACHINE\\SOFTWARE\\Nowhere", &category, false), SPERR_NOT_FOUND);
  EXPECT_EQ(SpEnumTokens("HKEY_LOCAL_MACHINE\\SOFTWARE\\Nowhere", nullptr, nullptr, &enumerator), SPERR_NOT_FOUND);
  EXPECT_EQ(SpGetCategoryFromId("HKEY_LOCAL_MACHINE\\SOFTWARE\\Made", &category, true), S_OK);
}

TEST(VoiceRoutines, DescriptionInTheUserLanguageComesFirst) {
  VoiceToken both = Token("both", {{"", "Default text"}, {"409", "US text"}, {"407", "Deutscher Text"}}, "en-us");
  VoiceToken plain = Token("plain", {{"", "Default text"}}, "en-us");
  VoiceToken none = Token("none", {}, "en-us");
  std::string text;
  LocaleScope us("en_US.UTF-8");
  EXPECT_EQ(SpGetDescription(&both, &text), S_OK);
  EXPECT_EQ(text, "US text");
  EXPECT_EQ(SpGetDescription(&plain, &text), S_OK);
  EXPECT_EQ(text, "Default text");
  EXPECT_EQ(SpGetDescription(&none, &text), SPERR_NOT_FOUND);
  LocaleScope german("de_DE.UTF-8");
  EXPECT_EQ(SpGetDescription(&both, &text), S_OK);
  EXPECT_EQ(text, "Deutscher Text");
}

TEST(VoiceRegistry, HoldsTheTwoReaderVoicesAndEveryEngineVoice) {
  ResetVoiceTokens();
  std::unique_ptr<TokenEnumerator> enumerator;
  ASSERT_EQ(SpEnumTokens(SPCAT_VOICES, nullptr, nullptr, &enumerator), S_OK);
  ASSERT_EQ(EnumGetCount(enumerator.get()), ListEngineVoices().size() + 2);
  std::map<std::string, std::string> engineOf;
  VoiceTokenPtr token;
  uint32_t fetched = 0;
  while (EnumNext(enumerator.get(), 1, &token, &fetched) == S_OK && fetched == 1) {
    std::string description;
    ASSERT_EQ(TokenGetStringValue(token.get(), nullptr, &description), S_OK);
    engineOf[description] = token->engineVoice;
    EXPECT_TRUE(IsEngineVoiceName(token->engineVoice)) << token->engineVoice;
  }
  EXPECT_EQ(fetched, 0u);
  EXPECT_EQ(engineOf[MaleVoiceName], "en-us+m3");
  EXPECT_EQ(engineOf[FemaleVoiceName], "en-us+f3");
  EXPECT_EQ(engineOf["English (America)"], "gmw/en-US");
}

class Voices : public speechtest::ReaderTest {
 protected:
  void SetUp() override {
    speechtest::ReaderTest::SetUp();
    if (!IsSkipped()) OpenReader("Hello there, this is the voice speaking.");
  }
  LocaleScope us{"en_US.UTF-8"};
};

TEST_F(Voices, OnlyAnExactDescriptionIsChosenAndTheLanguageValueFirst) {
  ClearVoiceTokens(SPCAT_VOICES);
  // Differs only in case; matches only by its default while its US English value differs; unreadable;
  // then the one that matches.
  AddVoiceToken(SPCAT_VOICES, Token("case", {{"409", "wanted voice"}}, "en-us+f1"));
  AddVoiceToken(SPCAT_VOICES, Token("default", {{"", "Wanted Voice"}, {"409", "Another"}}, "en-us+f2"));
  AddVoiceToken(SPCAT_VOICES, Token("unreadable", {}, "en-us+f4"));
  AddVoiceToken(SPCAT_VOICES, Token("match", {{"", "Other"}, {"409", "Wanted Voice"}}, "en-us+f5"));
  AddVoiceToken(SPCAT_VOICES, Token("later", {{"409", "Wanted Voice"}}, "en-us+m1"));
  EXPECT_EQ(SelectVoice(SpeechVoice, "Wanted Voice"), S_OK);
  EXPECT_EQ(VoiceCurrentEngineVoice(SpeechVoice), "en-us+f5");
}

TEST_F(Voices, TwoTogglesReturnToTheFirstVoice) {
  ASSERT_EQ(MaleVoice, 1);
  ASSERT_EQ(VoiceCurrentEngineVoice(SpeechVoice), "en-us+m3");
  RunCommand(CmdVoice);
  EXPECT_EQ(MaleVoice, 0);
  EXPECT_EQ(VoiceCurrentEngineVoice(SpeechVoice), "en-us+f3");
  RunCommand(CmdVoice);
  EXPECT_EQ(MaleVoice, 1);
  EXPECT_EQ(VoiceCurrentEngineVoice(SpeechVoice), "en-us+m3");
}

TEST_F(Voices, ToggleWhileReadingStopsTheReading) {
  RunCommand(CmdPlay);
  ASSERT_TRUE(RunUntil([] { return UnderlineLength > 0; }));
  int purges = VoicePurgeCount(SpeechVoice);
  RunCommand(CmdVoice);
  EXPECT_EQ(IsSpeaking, 0);
  EXPECT_EQ(VoicePurgeCount(SpeechVoice), purges + 1);
  EXPECT_EQ(VoiceCurrentEngineVoice(SpeechVoice), "en-us+f3");
  // It is not read again with the new voice.
  int mark = UnderlineStart;
  speechtest::RunFor(0.6);
  EXPECT_EQ(IsSpeaking, 0);
  EXPECT_EQ(UnderlineStart, mark);
}

TEST_F(Voices, NoMatchingVoiceLeavesTheVoiceButFlipsTheChoice) {
  ClearVoiceTokens(SPCAT_VOICES);
  AddVoiceToken(SPCAT_VOICES, Token("someone", {{"", "Someone Else"}}, "en-us+f2"));
  RunCommand(CmdVoice);
  EXPECT_EQ(MaleVoice, 0);
  EXPECT_EQ(VoiceCurrentEngineVoice(SpeechVoice), "en-us+m3");
}

// The median pitch of the voiced parts of a recording, by autocorrelation over 40 ms frames.
double MedianPitch(const std::vector<int16_t>& samples) {
  const int rate = testsound::kRecordRate, frame = rate / 25;
  std::vector<double> pitches;
  for (size_t at = 0; at + frame < samples.size(); at += frame / 2) {
    double energy = 0;
    for (int i = 0; i < frame; ++i) energy += static_cast<double>(samples[at + i]) * samples[at + i];
    if (std::sqrt(energy / frame) < 1500) continue;
    int bestLag = 0;
    double best = 0;
    for (int lag = rate / 400; lag <= rate / 70; ++lag) {
      double sum = 0;
      for (int i = 0; i + lag < frame; ++i) sum += static_cast<double>(samples[at + i]) * samples[at + i + lag];
      sum /= energy;
      if (sum > best) best = sum, bestLag = lag;
    }
    if (best > 0.5) pitches.push_back(static_cast<double>(rate) / bestLag);
  }
  if (pitches.empty()) return 0;
  std::nth_element(pitches.begin(), pitches.begin() + pitches.size() / 2, pitches.end());
  return pitches[pitches.size() / 2];
}

double PitchOfOneReading() {
  PaneSetSelection(PaneWindow, 0, 0);
  size_t from = testsound::RecordedSamples();
  RunCommand(CmdPlay);
  RunUntil([] { return IsSpeaking == 0; });
  speechtest::RunFor(0.1);
  return MedianPitch(testsound::Recording(from));
}

TEST_F(Voices, TheMaleAndFemaleVoicesSoundDifferent) {
  double male = PitchOfOneReading();
  RunCommand(CmdVoice);
  double female = PitchOfOneReading();
  EXPECT_NEAR(male, 105, 30);
  EXPECT_NEAR(female, 206, 50);
}

}  // namespace
}  // namespace vt
