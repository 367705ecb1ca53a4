// The voice token registry. Categories map an id to an ordered list of tokens. The voice category
// is filled on first use from the engine: the reader's male and female voices first (the engine's
// US English voice with its male and female variants), then one token per engine voice, each
// described by the engine's English name as its default value and as its US English value. The
// user interface language comes from the locale of the environment.
#include "platform/voice_tokens.h"

#include <cstdlib>
#include <mutex>

namespace vt {

const char* const SPCAT_VOICES = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Speech\\Voices";
const char* const MaleVoiceName = "Microsoft David Desktop - English (United States)";
const char* const FemaleVoiceName = "Microsoft Zira Desktop - English (United States)";

namespace {

constexpr const char* kMaleEngineVoice = "en-us+m3";
constexpr const char* kFemaleEngineVoice = "en-us+f3";

std::mutex registryMutex;
std::map<std::string, std::vector<VoiceTokenPtr>> registry;
bool filled = false;

std::string TokenId(const std::string& categoryId, const std::string& key) {
  return categoryId + "\\Tokens\\" + key;
}

VoiceToken DescribedToken(const std::string& key, const std::string& description, const std::string& engineVoice) {
  VoiceToken token;
  token.id = TokenId(SPCAT_VOICES, key);
  token.values[""] = description;
  token.values["409"] = description;
  token.engineVoice = engineVoice;
  return token;
}

std::vector<VoiceTokenPtr> InstalledVoiceTokens() {
  std::vector<VoiceTokenPtr> tokens;
  if (!SpeechEngineAvailable()) return tokens;
  if (IsEngineVoiceName(kMaleEngineVoice))
    tokens.push_back(std::make_shared<VoiceToken>(DescribedToken("espeak-ng.en-us.male", MaleVoiceName, kMaleEngineVoice)));
  if (IsEngineVoiceName(kFemaleEngineVoice))
    tokens.push_back(
        std::make_shared<VoiceToken>(DescribedToken("espeak-ng.en-us.female", FemaleVoiceName, kFemaleEngineVoice)));
  for (const EngineVoice& voice : ListEngineVoices())
    tokens.push_back(std::make_shared<VoiceToken>(DescribedToken("espeak-ng." + voice.identifier, voice.name, voice.identifier)));
  return tokens;
}

// Caller holds the registry's mutex.
void FillLocked() {
  if (filled) return;
  filled = true;
  registry[SPCAT_VOICES] = InstalledVoiceTokens();
}

struct LanguageEntry {
  const char* locale;  // "en" or "en_GB"
  uint16_t id;
};

// Language ids of the desktop's speech platform; a language alone stands for its main country.
const LanguageEntry kLanguages[] = {
    {"ar", 0x0401},    {"bg", 0x0402},    {"ca", 0x0403},    {"zh", 0x0804},    {"zh_TW", 0x0404}, {"zh_HK", 0x0C04},
    {"cs", 0x0405},    {"da", 0x0406},    {"de", 0x0407},    {"de_CH", 0x0807}, {"de_AT", 0x0C07}, {"el", 0x0408},
    {"en", 0x0409},    {"en_GB", 0x0809}, {"en_AU", 0x0C09}, {"en_CA", 0x1009}, {"en_NZ", 0x1409}, {"en_IE", 0x1809},
    {"en_ZA", 0x1C09}, {"en_IN", 0x4009}, {"es", 0x0C0A},    {"es_MX", 0x080A}, {"fi", 0x040B},    {"fr", 0x040C},
    {"fr_BE", 0x080C}, {"fr_CA", 0x0C0C}, {"fr_CH", 0x100C}, {"he", 0x040D},    {"hu", 0x040E},    {"is", 0x040F},
    {"it", 0x0410},    {"it_CH", 0x0810}, {"ja", 0x0411},    {"ko", 0x0412},    {"nl", 0x0413},    {"nl_BE", 0x0813},
    {"nb", 0x0414},    {"no", 0x0414},    {"nn", 0x0814},    {"pl", 0x0415},    {"pt", 0x0816},    {"pt_BR", 0x0416},
    {"ro", 0x0418},    {"ru", 0x0419},    {"hr", 0x041A},    {"sk", 0x041B},    {"sq", 0x041C},    {"sv", 0x041D},
    {"sv_FI", 0x081D}, {"th", 0x041E},    {"tr", 0x041F},    {"ur", 0x0420},    {"id", 0x0421},    {"uk", 0x0422},
    {"be", 0x0423},    {"sl", 0x0424},    {"et", 0x0425},    {"lv", 0x0426},    {"lt", 0x0427},    {"fa", 0x0429},
    {"vi", 0x042A},    {"hi", 0x0439},
};

}  // namespace

HRESULT TokenGetStringValue(const VoiceToken* token, const char* valueName, std::string* value) {
  if (!token) return E_POINTER;
  if (!value) return E_INVALIDARG;
  auto it = token->values.find(valueName ? valueName : "");
  if (it == token->values.end()) return SPERR_NOT_FOUND;
  *value = it->second;
  return S_OK;
}

HRESULT CreateTokenCategory(std::unique_ptr<TokenCategory>* category) {
  if (!category) return E_POINTER;
  *category = std::make_unique<TokenCategory>();
  return S_OK;
}

HRESULT CategorySetId(TokenCategory* category, const std::string& categoryId, bool createIfNotExist) {
  if (!category) return E_POINTER;
  if (!category->id.empty()) return E_FAIL;  // an id is set once
  std::lock_guard<std::mutex> lock(registryMutex);
  FillLocked();
  if (!registry.count(categoryId)) {
    if (!createIfNotExist) return SPERR_NOT_FOUND;
    registry[categoryId];
  }
  category->id = categoryId;
  return S_OK;
}

HRESULT CategoryEnumTokens(TokenCategory* category, const char*, const char*, std::unique_ptr<TokenEnumerator>* enumerator) {
  if (!category) return E_POINTER;
  if (!enumerator) return E_POINTER;
  std::lock_guard<std::mutex> lock(registryMutex);
  FillLocked();
  auto it = registry.find(category->id);
  if (category->id.empty() || it == registry.end()) return SPERR_NOT_FOUND;
  *enumerator = std::make_unique<TokenEnumerator>();
  (*enumerator)->tokens = it->second;
  return S_OK;
}

uint32_t EnumGetCount(const TokenEnumerator* enumerator) {
  return enumerator ? static_cast<uint32_t>(enumerator->tokens.size()) : 0;
}

HRESULT EnumNext(TokenEnumerator* enumerator, uint32_t count, VoiceTokenPtr* token, uint32_t* fetched) {
  if (!enumerator || !token) return E_POINTER;
  if (count != 1) return E_INVALIDARG;
  if (fetched) *fetched = 0;
  if (enumerator->next >= enumerator->tokens.size()) return S_FALSE;
  *token = enumerator->tokens[enumerator->next++];
  if (fetched) *fetched = 1;
  return S_OK;
}

void AddVoiceToken(const std::string& categoryId, VoiceToken token) {
  std::lock_guard<std::mutex> lock(registryMutex);
  FillLocked();
  registry[categoryId].push_back(std::make_shared<VoiceToken>(std::move(token)));
}

void ClearVoiceTokens(const std::string& categoryId) {
  std::lock_guard<std::mutex> lock(registryMutex);
  FillLocked();
  registry[categoryId].clear();
}

void ResetVoiceTokens() {
  std::vector<VoiceTokenPtr> installed = InstalledVoiceTokens();
  std::lock_guard<std::mutex> lock(registryMutex);
  registry.clear();
  registry[SPCAT_VOICES] = std::move(installed);
  filled = true;
}

uint16_t LanguageIdOfLocale(const std::string& locale) {
  // "ll_CC.encoding@modifier": the language and the country decide.
  std::string name = locale.substr(0, locale.find_first_of(".@"));
  std::string language = name.substr(0, name.find('_'));
  for (const LanguageEntry& entry : kLanguages)
    if (name == entry.locale) return entry.id;
  for (const LanguageEntry& entry : kLanguages)
    if (language == entry.locale) return entry.id;
  return 0x0409;
}

uint16_t UserDefaultUILanguage() {
  for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* value = std::getenv(variable);
    if (value && *value) return LanguageIdOfLocale(value);
  }
  return 0x0409;
}

}  // namespace vt
