#include "ui/skin/skin_resources.h"

#include <vector>

#include "ui/skin/skin_text.h"

namespace ui {

SkinResources& SkinResources::Instance() {
  static SkinResources* instance = new SkinResources();
  return *instance;
}

std::string SkinResources::ArchivePath(const std::wstring& path) {
  std::vector<std::wstring> parts;
  size_t start = 0;
  for (size_t i = 0; i <= path.size(); ++i) {
    if (i == path.size() || path[i] == L'\\' || path[i] == L'/') {
      std::wstring part = path.substr(start, i - start);
      start = i + 1;
      if (part == L"..") {
        if (!parts.empty()) parts.pop_back();
      } else if (!part.empty() && part != L".") {
        parts.push_back(std::move(part));
      }
    }
  }
  std::wstring joined;
  for (const std::wstring& part : parts) {
    if (!joined.empty()) joined += L'/';
    joined += part;
  }
  return WideToUtf8(joined);
}

bool SkinResources::ReadResourceFile(const std::wstring& path, std::string* bytes) const {
  bytes->clear();
  if (!archive_) return false;
  const std::wstring name = Utf8ToWide(ArchivePath(path));
  return SkinArchive::ReadEntry(archive_.get(), name.c_str(), kMaxResourceBytes, bytes) ==
         kArchiveOk;
}

void SkinResources::AddFont(const FontRecord& font) {
  FontRecord record = font;
  if (record.id.empty()) record.id = std::to_wstring(fonts_.size());
  fonts_.push_back(std::move(record));
}

}  // namespace ui
