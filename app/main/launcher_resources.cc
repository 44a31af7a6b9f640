#include "app/main/launcher_resources.h"

#include <windows.h>

#include "app/config/command_line_overrides.h"
#include "app/config/common_config.h"
#include "app/config/save_files.h"
#include "app/controller/launcher_controller.h"
#include "app/util/file_util.h"
#include "app/util/fonts.h"
#include "ui/core/global_resources.h"
#include "ui/skin/language_table.h"
#include "ui/skin/skin_archive.h"

void LoadSkinArchive(const std::wstring& working_folder, const std::wstring& update_folder) {
  ui::GlobalResources& resources = ui::GlobalResources::Instance();
  const std::wstring replacement = NormalizePathW(working_folder, true) + L"resources.zip";
  if (FileOpensForReading(replacement)) {
    resources.CloseSkinArchive();
    // The copy is read while the archive is open, so the original stays free
    // for the updater. The folder may not exist yet on a first run.
    CreateDirectoriesW(update_folder);
    const std::wstring copy = NormalizePathW(update_folder, true) + L"tmp_resources.zip";
    if (CopyFileW(replacement.c_str(), copy.c_str(), FALSE)) {
      resources.CloseSkinArchive();
      resources.SetArchive(ui::SkinArchive::Open(copy.c_str(), 0, ui::kArchiveSourceName, ""));
      return;
    }
  }
  HRSRC found = FindResourceW(nullptr, MAKEINTRESOURCEW(129), L"RESOURCES");
  HGLOBAL loaded = found ? LoadResource(nullptr, found) : nullptr;
  const void* data = loaded ? LockResource(loaded) : nullptr;
  const DWORD size = found ? SizeofResource(nullptr, found) : 0;
  resources.CloseSkinArchive();
  if (data && size) {
    resources.SetArchive(ui::SkinArchive::Open(data, size, ui::kArchiveSourceMemory, ""));
  }
}

bool LoadCommonConfig(LauncherController* controller) {
  ui::GlobalResources& resources = ui::GlobalResources::Instance();
  std::string text;
  if (!resources.ReadTextFile(kChannelCommonConfigFile, &text) &&
      !resources.ReadTextFile(kCommonConfigFile, &text)) {
    return false;
  }
  CommonConfig config;
  if (!ParseCommonConfig(text, controller->settings.languageCode.Get(), &config)) return false;
  for (const auto& pair : config.overrides) {
    ui::LanguageTable::Instance().SetOverride(pair.first, pair.second);
  }
  controller->titles = std::move(config.titles);
  controller->links = std::move(config.links);
  controller->jumpLinks = std::move(config.jumpLinks);
  return true;
}

void SetDefaultFontFaces() {
  ui::GlobalResources& resources = ui::GlobalResources::Instance();
  resources.SetDefaultFace(ui::kButtonRegularFace, kFontFaceNames[2]);
  resources.SetDefaultFace(ui::kButtonBoldFace, kFontFaceNames[3]);
  resources.SetDefaultFace(ui::kButtonItalicFace, kFontFaceNames[2]);
}

bool InstallFonts() {
  if (!InstallFontFiles()) return false;
  ui::GlobalResources& resources = ui::GlobalResources::Instance();
  resources.SetDefaultFace(ui::kSystemRegularFace, kFontFaceNames[2]);
  resources.SetDefaultFace(ui::kSystemBoldFace, kFontFaceNames[3]);
  resources.SetDefaultFace(ui::kSystemItalicFace, kFontFaceNames[2]);
  SetDefaultFontFaces();
  const CommandLineOverrides::Text& argument = CommandLineOverrides::Get().textAntiAlias;
  const std::wstring value = argument.value;
  resources.SetTextAntiAlias(TextAntiAliasFromArgument(argument.set ? &value : nullptr));
  return true;
}
