// The voice token registry: a small registry of our own that lists the installed voices under a
// category id, each voice as a token with named string values (its descriptions), as the desktop's
// speech platform lists them. The voice category holds one token per engine voice, described by
// the engine's name for it, and the reader's two voices: the male and the female US English voice.
#pragma once
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/speech_engine.h"

namespace vt {

// The category of the installed voices.
extern const char* const SPCAT_VOICES;

// The descriptions of the reader's two voices.
extern const char* const MaleVoiceName;
extern const char* const FemaleVoiceName;

// A voice token: its id, its string values by name ("" is the default value, "409" the
// description in US English) and the engine voice it stands for.
struct VoiceToken {
  std::string id;
  std::map<std::string, std::string> values;
  std::string engineVoice;
};

using VoiceTokenPtr = std::shared_ptr<const VoiceToken>;

// Reads a value of the token (null name: the default value). SPERR_NOT_FOUND when it has none.
HRESULT TokenGetStringValue(const VoiceToken* token, const char* valueName, std::string* value);

// A token category object; its id is set once with CategorySetId.
struct TokenCategory {
  std::string id;
};

// A snapshot of a category's tokens, handed out in order by EnumNext.
struct TokenEnumerator {
  std::vector<VoiceTokenPtr> tokens;
  size_t next = 0;
};

// Creates a token category object without an id.
HRESULT CreateTokenCategory(std::unique_ptr<TokenCategory>* category);

// Binds the category object to a category id. SPERR_NOT_FOUND for an unknown id unless
// createIfNotExist, which makes the category (empty).
HRESULT CategorySetId(TokenCategory* category, const std::string& categoryId, bool createIfNotExist);

// Enumerates the category's tokens; the attribute filters are accepted and not applied (null or
// empty lists every token).
HRESULT CategoryEnumTokens(TokenCategory* category, const char* requiredAttributes, const char* optionalAttributes,
                           std::unique_ptr<TokenEnumerator>* enumerator);

uint32_t EnumGetCount(const TokenEnumerator* enumerator);

// Hands out the next `count` (here: 1) token. S_FALSE with fetched = 0 after the last one.
HRESULT EnumNext(TokenEnumerator* enumerator, uint32_t count, VoiceTokenPtr* token, uint32_t* fetched);

// Adds a token at the end of a category (made if needed).
void AddVoiceToken(const std::string& categoryId, VoiceToken token);

// Empties a category.
void ClearVoiceTokens(const std::string& categoryId);

// Puts the registry back to the installed voices: the reader's two voices, then one token per
// engine voice.
void ResetVoiceTokens();

// The language of the user interface as a language id (0x409 US English), from the locale of the
// environment (LC_ALL, LC_MESSAGES, LANG); US English for the C locale and for an unknown language.
uint16_t UserDefaultUILanguage();

// The language id of one locale name such as "de_DE.UTF-8".
uint16_t LanguageIdOfLocale(const std::string& locale);

}  // namespace vt
