// The interface languages: the code and the name text id of each language
// index (the settings' languageType), and the index a first run takes from
// the user's locale.
//
// Constant tables and pure functions: any thread.
#ifndef APP_CONFIG_LANGUAGES_H_
#define APP_CONFIG_LANGUAGES_H_

#include <cstdint>
#include <string>

constexpr int32_t kLanguageCount = 18;
// Japanese has a code but is never in force: start-up turns it into Korean.
constexpr int32_t kJapaneseLanguageIndex = 2;
constexpr int32_t kKoreanLanguageIndex = 3;

extern const char* const kLanguageCodes[kLanguageCount];
extern const char* const kLanguageNameIds[kLanguageCount];

// kLanguageCodes[index], or "en" for any index outside the table (negative
// ones included).
std::string LanguageCodeOfIndex(int32_t index);

// The index of an exact, case-sensitive code, or -1.
int32_t FindLanguageCode(const std::string& code);

// The language a first run starts with for a Windows locale identifier;
// 0 ("en") for every locale without a language of its own here.
int32_t LanguageIndexOfLocale(uint32_t lcid);

#endif  // APP_CONFIG_LANGUAGES_H_
