// Voice selection: the male or female voice, chosen by description among the installed voices.
#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "platform/speech_engine.h"
#include "platform/voice_tokens.h"

namespace vt {

// The voice command: stop reading, flip MaleVoice, choose that voice, rebuild the bar.
void ToggleVoice();

// Gives `voice` the first installed voice whose description is exactly `name`. S_OK when found;
// otherwise the last result of the enumeration or of a description, and the voice is unchanged.
HRESULT SelectVoice(SpeechVoiceHandle voice, const std::string& name);

// The tokens of a category; the attribute filters are handed on.
HRESULT SpEnumTokens(const std::string& categoryId, const char* requiredAttributes, const char* optionalAttributes,
                     std::unique_ptr<TokenEnumerator>* enumerator);

// A token category object bound to `categoryId`.
HRESULT SpGetCategoryFromId(const std::string& categoryId, std::unique_ptr<TokenCategory>* category,
                            bool createIfNotExist);

// A token's description in the user interface language (its value named after the language id in
// hexadecimal, "409"), else its default value.
HRESULT SpGetDescription(const VoiceToken* token, std::string* description);

// The user interface language.
uint16_t SpGetUserDefaultUILanguage();

constexpr uint16_t MAKELANGID(uint16_t primary, uint16_t sub) { return static_cast<uint16_t>((sub << 10) | primary); }
constexpr bool SUCCEEDED(HRESULT hr) { return hr >= 0; }
constexpr bool FAILED(HRESULT hr) { return hr < 0; }

// The interest flag of an event id, with the flag bits of the speech platform's check.
constexpr uint64_t SPFEI(uint16_t eventId) { return (uint64_t{1} << eventId) | 0x240000000ull; }

}  // namespace vt
