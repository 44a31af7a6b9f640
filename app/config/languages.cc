#include "app/config/languages.h"

const char* const kLanguageCodes[kLanguageCount] = {
    "en", "zh_CN", "ja", "ko", "zh_TW", "vi", "fr", "id", "it",
    "es", "tr",    "th", "pt_BR", "ar", "ru", "de", "pl", "ms",
};

const char* const kLanguageNameIds[kLanguageCount] = {
    "STRING_LANG_ENGLAND",   "STRING_LANG_CHINA",    "STRING_LANG_JAPANESE",
    "STRING_LANG_KOREAN",    "STRING_LANG_TAIWAN",   "STRING_LANG_VIETNAMESE",
    "STRING_LANG_FRENCH",    "STRING_LANG_INDONESIAN", "STRING_LANG_ITALIAN",
    "STRING_LANG_SPAISH",    "STRING_LANG_TURKIC",   "STRING_LANG_THAI",
    "STRING_LANG_PORTGUESE", "STRING_LANG_ARABIC",   "STRING_LANG_RUSSIAN",
    "STRING_LANG_GERMAN",    "STRING_LANG_POLISH",   "STRING_LANG_MALAY",
};

std::string LanguageCodeOfIndex(int32_t index) {
  if (static_cast<uint32_t>(index) >= static_cast<uint32_t>(kLanguageCount)) return "en";
  return kLanguageCodes[index];
}

int32_t FindLanguageCode(const std::string& code) {
  for (int32_t i = 0; i < kLanguageCount; ++i) {
    if (code == kLanguageCodes[i]) return i;
  }
  return -1;
}

namespace {

struct LocaleLanguage {
  uint32_t lcid;
  int32_t index;
};

// Only these locales have a language of their own; the Arabic list is
// exactly the one the launcher has always shipped with.
constexpr LocaleLanguage kLocaleLanguages[] = {
    {0x0804, 1},  {0x20804, 1},
    {0x0411, 2},
    {0x0412, 3},
    {0x0404, 4},  {0x0C04, 4},  {0x1004, 4},  {0x1404, 4},  {0x30404, 4},
    {0x042A, 5},
    {0x040C, 6},
    {0x0421, 7},
    {0x0410, 8},  {0x0810, 8},
    {0x040A, 9},  {0x080A, 9},  {0x0C0A, 9},  {0x100A, 9},  {0x140A, 9},
    {0x180A, 9},  {0x1C0A, 9},  {0x200A, 9},  {0x240A, 9},  {0x280A, 9},
    {0x2C0A, 9},  {0x300A, 9},  {0x340A, 9},  {0x380A, 9},  {0x3C0A, 9},
    {0x400A, 9},  {0x440A, 9},  {0x480A, 9},  {0x4C0A, 9},  {0x500A, 9},
    {0x041F, 10},
    {0x041E, 11},
    {0x0416, 12}, {0x0816, 12},
    {0x0801, 13}, {0x0C01, 13}, {0x1001, 13}, {0x1401, 13}, {0x1801, 13},
    {0x2C01, 13}, {0x3001, 13}, {0x3401, 13}, {0x3801, 13}, {0x3C01, 13},
    {0x0419, 14},
    {0x0407, 15}, {0x0807, 15}, {0x0C07, 15}, {0x1007, 15}, {0x1407, 15}, {0x10407, 15},
    {0x0415, 16},
    {0x043E, 17}, {0x083E, 17},
};

}  // namespace

int32_t LanguageIndexOfLocale(uint32_t lcid) {
  for (const LocaleLanguage& entry : kLocaleLanguages) {
    if (entry.lcid == lcid) return entry.index;
  }
  return 0;
}
