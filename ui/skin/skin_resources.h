// SkinResources: PROVISIONAL home of the process-wide resources the skin
// builder reads and writes until the global resources take them over under
// the same names: the resource root, the open skin archive, the colour
// table, the default text colour names, the font records, the framework-wide
// create-control callback and the hook that applies a "Window" root's
// attributes to a native window. Classes go to GlobalResources already.
//
// One instance per process; UI thread only.
#ifndef UI_SKIN_SKIN_RESOURCES_H_
#define UI_SKIN_SKIN_RESOURCES_H_

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "ui/skin/skin_archive.h"

namespace ui {

class Control;
class Window;

// Asked for element names the builder does not know; answers a new control
// or null.
using CreateControlCallback = std::function<Control*(const std::wstring& name)>;

struct FontRecord {
  std::wstring id;
  std::wstring face;
  int size = 12;
  bool bold = false;
  bool underline = false;
  bool italic = false;
  bool is_default = false;
};

class SkinResources {
 public:
  // Resource files larger than this are not read from the archive.
  static constexpr size_t kMaxResourceBytes = 64 * 1024 * 1024;

  static SkinResources& Instance();

  // Folder ending in a backslash; relative skin paths are taken under it.
  std::wstring resource_root = L"resources\\themes\\default\\";

  // The open skin archive, or null.
  const ArchiveHandle* archive() const { return archive_.get(); }
  void SetArchive(std::unique_ptr<ArchiveHandle> archive) { archive_ = std::move(archive); }
  void CloseArchive() { archive_.reset(); }

  // A path as an archive entry name: "\" and "//" become "/", "./" parts go
  // and "../" takes the previous part away (never climbing above the start).
  static std::string ArchivePath(const std::wstring& path);
  // Reads a whole file of the archive; false when no archive is open, the
  // entry is missing, too large or damaged.
  bool ReadResourceFile(const std::wstring& path, std::string* bytes) const;

  // Colour table: name to ARGB.
  std::map<std::wstring, uint32_t> colors;
  std::wstring default_text_color = L"textdefaultcolor";
  std::wstring default_disabled_text_color = L"textdefaultdisablecolor";

  // An empty id becomes the number of fonts so far.
  void AddFont(const FontRecord& font);
  const std::vector<FontRecord>& fonts() const { return fonts_; }
  void ClearFonts() { fonts_.clear(); }

  CreateControlCallback create_control_callback;

  // Applies one attribute of a "Window" root to a window that has its native
  // handle; set by the native window. Without it the attributes do nothing.
  std::function<void(Window* window, const std::wstring& name, const std::wstring& value)>
      window_attribute_handler;

 private:
  std::unique_ptr<ArchiveHandle> archive_;
  std::vector<FontRecord> fonts_;
};

}  // namespace ui

#endif  // UI_SKIN_SKIN_RESOURCES_H_
