// Voice selection. The installed voices are enumerated from the voice token category afresh at each
// choice; the first token whose description, read in the user interface language, is exactly the
// wanted name becomes the voice of the reader's voice object.
#include "speech/voices.h"

#include <cstdio>

#include "bar/icon_bar.h"
#include "core/settings_file.h"
#include "speech/reading_aloud.h"

namespace vt {

void ToggleVoice() {
  StopSpeaking();
  MaleVoice = MaleVoice ^ 1;
  if (MaleVoice == 0) SelectVoice(SpeechVoice, FemaleVoiceName);
  if (MaleVoice == 1) SelectVoice(SpeechVoice, MaleVoiceName);
  BuildIconBar();
}

HRESULT SelectVoice(SpeechVoiceHandle voice, const std::string& name) {
  if (!voice) return E_POINTER;
  std::unique_ptr<TokenEnumerator> enumerator;
  HRESULT hr = SpEnumTokens(SPCAT_VOICES, nullptr, nullptr, &enumerator);
  if (SUCCEEDED(hr)) {
    uint32_t count = EnumGetCount(enumerator.get());
    for (uint32_t i = 0; i < count; ++i) {
      VoiceTokenPtr token;
      uint32_t fetched = 0;
      hr = EnumNext(enumerator.get(), 1, &token, &fetched);
      if (FAILED(hr) || fetched == 0) break;
      std::string description;
      hr = SpGetDescription(token.get(), &description);
      if (hr == S_OK && description == name) {
        VoiceSetVoice(voice, token.get());
        break;
      }
    }
  }
  return hr;
}

HRESULT SpEnumTokens(const std::string& categoryId, const char* requiredAttributes, const char* optionalAttributes,
                     std::unique_ptr<TokenEnumerator>* enumerator) {
  if (!enumerator) return E_INVALIDARG;
  std::unique_ptr<TokenCategory> category;
  HRESULT hr = SpGetCategoryFromId(categoryId, &category, false);
  if (SUCCEEDED(hr)) hr = CategoryEnumTokens(category.get(), requiredAttributes, optionalAttributes, enumerator);
  return hr;
}

HRESULT SpGetCategoryFromId(const std::string& categoryId, std::unique_ptr<TokenCategory>* category,
                            bool createIfNotExist) {
  if (!category) return E_INVALIDARG;
  if (FAILED(CreateTokenCategory(category))) return E_NOINTERFACE;
  return CategorySetId(category->get(), categoryId, createIfNotExist);
}

HRESULT SpGetDescription(const VoiceToken* token, std::string* description) {
  if (!token) return E_POINTER;
  if (!description) return E_INVALIDARG;
  char valueName[8];
  std::snprintf(valueName, sizeof valueName, "%x", SpGetUserDefaultUILanguage());
  HRESULT hr = TokenGetStringValue(token, valueName, description);
  if (hr == SPERR_NOT_FOUND) hr = TokenGetStringValue(token, nullptr, description);
  return hr;
}

// The desktop's own language setting is the locale here, whatever the system's version.
uint16_t SpGetUserDefaultUILanguage() { return UserDefaultUILanguage(); }

}  // namespace vt
