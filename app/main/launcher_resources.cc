#include "app/main/launcher_resources.h"

#include <windows.h>

#include <memory>
#include <string>

#include "app/config/command_line_overrides.h"
#include "app/config/common_config.h"
#include "app/config/save_files.h"
#include "app/controller/launcher_controller.h"
#include "app/util/file_util.h"
#include "app/util/fonts.h"
#include "app/util/string_util.h"
#include "base/thread/thread_registry.h"
#include "ui/core/global_resources.h"
#include "ui/skin/language_table.h"
#include "ui/skin/markup_document.h"
#include "ui/skin/skin_archive.h"
#include "update/download/download_manager.h"

namespace {

// The skin files without which no window can be made, under the skin's
// folder: in the archive with "/", on disk with "\".
const wchar_t* const kEssentialSkinFiles[] = {L"global.xml", L"main/skin.xml"};
const wchar_t kSkinFolder[] = L"resources/themes/default/";

// Whether the essential files read and parse; `problem` says which did not
// and why.
bool ArchiveMakesASkin(const ui::ArchiveHandle* archive, std::wstring* problem) {
  for (const wchar_t* file : kEssentialSkinFiles) {
    const std::wstring entry = std::wstring(kSkinFolder) + file;
    std::string bytes;
    const uint32_t result =
        ui::SkinArchive::ReadEntry(archive, entry.c_str(), ui::MarkupDocument::kMaxFileBytes, &bytes);
    ui::MarkupDocument document;
    if (result == ui::kArchiveNotFound) {
      *problem = entry + L" is missing";
    } else if (result == ui::kArchiveBadArgument) {
      *problem = entry + L" is larger than allowed";
    } else if (result != ui::kArchiveOk) {
      *problem = entry + L" is damaged (" + ui::SkinArchive::CodeText(result) + L")";
    } else if (!document.LoadUtf8(bytes.data(), bytes.size()) || !document.GetRoot().IsValid()) {
      *problem = entry + L" does not parse: " + document.GetErrorMessage();
    } else {
      continue;
    }
    return false;
  }
  return true;
}

bool LooseFilesMakeASkin(const std::wstring& working_folder, std::wstring* problem) {
  for (const wchar_t* file : kEssentialSkinFiles) {
    std::wstring path = NormalizePathW(working_folder, true) + kSkinFolder + file;
    for (wchar_t& c : path) {
      if (c == L'/') c = L'\\';
    }
    ui::MarkupDocument document;
    if (!document.LoadFile(path, L"") || !document.GetRoot().IsValid()) {
      *problem = path + L": " + document.GetErrorMessage();
      return false;
    }
  }
  return true;
}

// The archive the executable carries; null when it cannot be opened.
std::unique_ptr<ui::ArchiveHandle> OpenEmbeddedArchive(std::wstring* problem) {
  HRSRC found = FindResourceW(nullptr, MAKEINTRESOURCEW(129), L"RESOURCES");
  HGLOBAL loaded = found ? LoadResource(nullptr, found) : nullptr;
  const void* data = loaded ? LockResource(loaded) : nullptr;
  const DWORD size = found ? SizeofResource(nullptr, found) : 0;
  if (!data || !size) {
    *problem = L"the executable carries no skin";
    return nullptr;
  }
  return ui::SkinArchive::Open(data, size, ui::kArchiveSourceMemory, "", problem);
}

}  // namespace

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
      std::wstring problem;
      auto archive = ui::SkinArchive::Open(copy.c_str(), 0, ui::kArchiveSourceName, "", &problem);
      if (archive && ArchiveMakesASkin(archive.get(), &problem)) {
        resources.SetArchive(std::move(archive));
        return;
      }
      archive.reset();
      // A refused archive leaves the loose files beside the launcher where
      // they are whole; otherwise the launcher's own skin, so that the
      // player always gets a window.
      std::wstring loose_problem;
      if (LooseFilesMakeASkin(working_folder, &loose_problem)) {
        resources.AddSkinProblem(L"resources.zip refused (" + problem + L"); the loose files are used");
        return;
      }
      resources.AddSkinProblem(L"resources.zip refused (" + problem + L"), loose files incomplete (" +
                               loose_problem + L"); the launcher's own skin is used");
    }
  }
  resources.CloseSkinArchive();
  std::wstring problem;
  auto embedded = OpenEmbeddedArchive(&problem);
  if (!embedded) {
    resources.AddSkinProblem(L"The launcher's own skin cannot be opened: " + problem);
    return;
  }
  resources.SetArchive(std::move(embedded));
}

void TraceSkinProblems() {
  for (const std::wstring& line : ui::GlobalResources::Instance().TakeSkinProblems()) {
    std::string utf8;
    WideToUtf8(line, &utf8);
    const std::string text = "skin: " + utf8 + "\n";
    // The trace file belongs to the engine's thread.
    base::ThreadRegistry::Post(base::kMiscThreadId,
                               [text] { DownloadManager::GetInstance()->AppendTrace(text); });
  }
}

bool LoadCommonConfig(LauncherController* controller) {
  ui::GlobalResources& resources = ui::GlobalResources::Instance();
  std::string text;
  if (!resources.ReadTextFile(kChannelCommonConfigFile, &text, kMaxCommonConfigBytes) &&
      !resources.ReadTextFile(kCommonConfigFile, &text, kMaxCommonConfigBytes)) {
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
