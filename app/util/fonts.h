// The launcher's four fonts: written from the executable's "FONTS" resources
// into the font folder when missing, registered in the machine's font key,
// registered privately with this process so that its first window already
// draws with them, replaced from the staged list a launcher update leaves,
// and removed before such a replacement.
//
// What the UI framework does with the faces (its default faces and the
// anti-alias switch) is the launcher's part: InstallFonts here reports, the
// launcher applies (app/main). Runs on the thread that calls it; the places
// are process-wide and set before use (tests point them at their own folder,
// key and font files).
#ifndef APP_UTIL_FONTS_H_
#define APP_UTIL_FONTS_H_

#include <cstdint>
#include <functional>
#include <map>
#include <string>

constexpr int kFontCount = 4;
extern const wchar_t* const kFontFaceNames[kFontCount];
extern const wchar_t* const kFontRegistryNames[kFontCount];
extern const wchar_t* const kFontFileNames[kFontCount];
extern const int kFontResourceIds[kFontCount];

// Where the fonts go and come from. The product's values by default.
struct FontPlaces {
  std::wstring font_folder = L"C:\\Windows\\Fonts";
  // Below HKEY_LOCAL_MACHINE; never created here.
  std::wstring registry_key = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts";
  std::wstring update_folder = L".\\update";
  std::wstring launcher_folder = L".";
  // The bytes of the "FONTS" resource `id` of the executable; false when
  // there is none.
  std::function<bool(int id, std::string* bytes)> read_resource;
};
FontPlaces& GetFontPlaces();

// Writes missing fonts, registers all four and applies the staged list.
// False at the first font that cannot be written or registered (the rest,
// the staged list included, is then left alone).
bool InstallFontFiles();

// Applies "font_update.txt" of the update folder: each staged font goes into
// the font folder and the launcher's folder. The list keeps only the entries
// whose copy into the font folder failed, and goes when none did.
void ApplyStagedFontUpdate();

// Unregisters the four fonts, tells the desktop and deletes the files;
// `failures` gets each file that stayed with its system error code.
void RemoveFonts(std::map<std::wstring, uint32_t>* failures);

// The anti-alias switch for the optional third "set_language" argument:
// on without one, else only for exactly "text_anti_alias" or "taa".
bool TextAntiAliasFromArgument(const std::wstring* argument);

#endif  // APP_UTIL_FONTS_H_
