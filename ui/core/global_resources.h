// GlobalResources: the UI framework's process-wide resources. It starts the
// framework (render factory, resource root, DPI, GDI+, the default-face
// checks, "global.xml", the language file), finds skin files as entries of
// the open skin archive or on disk, keeps the font, colour and class tables,
// the weak image cache and the cache of parsed skin files, and switches the
// language at run time. The application chooses and opens the archive and
// hands it over with SetArchive.
//
// One instance per process (Instance()); UI thread only, nothing is locked:
// it belongs to the first thread that starts or uses it (until Shutdown),
// and its operations check it. It is the drawing code's IRenderResources
// once started.
#ifndef UI_CORE_GLOBAL_RESOURCES_H_
#define UI_CORE_GLOBAL_RESOURCES_H_

#include <windows.h>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "base/thread/thread_checker.h"
#include "ui/core/image.h"
#include "ui/render/render_resources.h"
#include "ui/skin/skin_archive.h"

namespace Gdiplus {
class GpFontFamily;
}  // namespace Gdiplus

namespace ui {

class Box;
class Control;
class IRenderFactory;
class SkinBuilder;
class Window;

// Asked for element names the builder does not know; answers a new control
// or null.
using CreateControlCallback = std::function<Control*(const std::wstring& name)>;

// One font of the font table; the table owns the HFONT and the GDI+ font.
struct FontRecord {
  HFONT hfont = nullptr;
  std::wstring face;  // after substitution
  int size = 0;       // pixels, DPI-scaled
  bool bold = false;
  bool underline = false;
  bool italic = false;
  TEXTMETRICW metrics = {};
  Gdiplus::GpFont* gp_font = nullptr;
};

// The six default faces: the skin's "system" and "button" trios.
enum DefaultFace {
  kSystemRegularFace = 0,
  kSystemBoldFace,
  kSystemItalicFace,
  kButtonRegularFace,
  kButtonBoldFace,
  kButtonItalicFace,
  kDefaultFaceCount,
};

class GlobalResources : public IRenderResources {
 public:
  // Resource files larger than this are not read, from the archive or the
  // disk; callers that know their kind ask for less.
  static constexpr size_t kMaxResourceBytes = 16 * 1024 * 1024;
  static constexpr size_t kMaxLanguageBytes = 1024 * 1024;
  // Fonts a skin may define; later ones are not made.
  static constexpr size_t kMaxFonts = 256;
  // Pictures wider or taller than this, or of more pixels than the second
  // figure, are not decoded.
  static constexpr uint32_t kMaxImageSide = 8192;
  static constexpr uint64_t kMaxImagePixels = 4096ull * 4096ull;

  static GlobalResources& Instance();

  // ---- Start-up and shut-down ------------------------------------------------
  // root: "resources\", theme: "themes\default"; the language file is
  // root + "lang\" + language + ".ini".
  void Startup(const std::wstring& root, CreateControlCallback create_control,
               const std::wstring& theme, const std::wstring& language);
  void Shutdown();
  // Empties fonts, colours and classes, unloads every window's images and the
  // image cache, loads "global.xml" and the language file of the current
  // language code again (from `new_root` when not empty), then repaints.
  void SwitchLanguage(const std::wstring& new_root, const std::function<void()>& done);
  void LoadGlobalMarkup();

  // ---- Resource root and archive ---------------------------------------------
  // Adds a trailing "\" unless the path is empty or ends in a separator.
  void SetResourceRoot(const std::wstring& path);
  const std::wstring& GetResourceRoot() const { return resource_root_; }
  const std::wstring& GetLanguage() const { return language_; }
  void SetLanguage(const std::wstring& language) { language_ = language; }

  const ArchiveHandle* archive() const { return archive_.get(); }
  void SetArchive(std::unique_ptr<ArchiveHandle> archive) { archive_ = std::move(archive); }
  void CloseSkinArchive();
  uint32_t GetArchiveError() const { return archive_error_; }

  // "\" and "//" become "/", "./" parts go, "../" takes the part before it
  // away (never climbing above the start).
  static std::wstring ArchivePath(const std::wstring& path);
  // "/" becomes "\" and doubled separators single.
  static std::wstring NormalizeSlashes(std::wstring path);
  // With an archive open, whether it holds the entry; else whether the file
  // exists on disk.
  bool ResourceExists(const std::wstring& path);
  // The archive entry as a movable global block the caller frees with
  // GlobalFree; null without an archive, entry or whole read.
  HGLOBAL ReadResourceFile(const std::wstring& path);
  // The same entry as bytes; false where ReadResourceFile gives null, or
  // when the entry is larger than `max_bytes`.
  bool ReadResourceBytes(const std::wstring& path, std::string* bytes,
                         size_t max_bytes = kMaxResourceBytes);
  // A skin text file: relative paths are under the resource root; the
  // archive entry when there is one, else the file on disk. False (text
  // untouched) when neither can be read, or the one found is larger than
  // `max_bytes` (a skin problem then says so).
  bool ReadTextFile(const std::wstring& path, std::string* text,
                    size_t max_bytes = kMaxResourceBytes);

  // ---- Skin problems ----------------------------------------------------------
  // What a skin could not give and why, one readable line each; a line
  // already reported once is not added again.
  void AddSkinProblem(const std::wstring& line);
  // The lines added since the last call.
  std::vector<std::wstring> TakeSkinProblems();

  // ---- Skin files -------------------------------------------------------------
  // A new box built from the file; the caller owns it (hand it to a box with
  // Add, or keep it in a std::unique_ptr). Null when the file builds no box.
  Box* CreateBoxFromFile(const std::wstring& file, CreateControlCallback create_control);
  void FillBoxFromFile(Box* box, const std::wstring& file, CreateControlCallback create_control);
  void FillBoxFromFileCached(Box* box, const std::wstring& file,
                             CreateControlCallback create_control);
  CreateControlCallback create_control_callback;
  // Takes the attributes of a "Window" root in place of the window itself
  // (tests watch them this way); unset, the window applies them.
  std::function<void(Window* window, const std::wstring& name, const std::wstring& value)>
      window_attribute_handler;

  // ---- Windows ----------------------------------------------------------------
  // The windows whose images a language switch drops and repaints.
  void AddWindow(Window* window);
  void RemoveWindow(Window* window);

  // ---- Images -------------------------------------------------------------------
  // The shared picture of the file, decoded on first request; empty when it
  // cannot be found or decoded.
  std::shared_ptr<ImageInfo> GetImage(const std::wstring& path);
  // A cache lookup only, under the slash-normalised path.
  std::shared_ptr<ImageInfo> GetCachedImage(const std::wstring& path);
  size_t GetImageCacheSize() const { return image_cache_.size(); }

  // ---- Fonts ----------------------------------------------------------------------
  // An empty id becomes the number of fonts so far; an id already present
  // keeps its first font. Returns the HFONT, or null when no font could be
  // made (nothing stored then).
  HFONT AddFont(const std::wstring& id, const std::wstring& face, int size, bool bold,
                bool underline, bool italic, bool is_default);
  // An empty id means the default font; null for an id not in the table.
  const FontRecord* GetFont(const std::wstring& id) const;
  size_t GetFontCount() const { return fonts_.size(); }
  const std::wstring& GetDefaultFontId() const { return default_font_id_; }
  void RemoveAllFonts();
  void SetDefaultFace(DefaultFace which, const std::wstring& face) { faces_[which] = face; }
  const std::wstring& GetDefaultFace(DefaultFace which) const { return faces_[which]; }
  // Whether GDI+ can make each non-empty default face (run at start-up).
  void CheckDefaultFaces();
  bool IsDefaultFaceAvailable(DefaultFace which) const { return face_available_[which]; }
  void SetTextAntiAlias(bool on) { text_anti_alias_ = on; }

  // ---- Colours, classes, channel, texts ----------------------------------------------
  std::map<std::wstring, uint32_t> colors;
  std::wstring default_text_color = L"textdefaultcolor";
  std::wstring default_disabled_text_color = L"textdefaultdisablecolor";

  void AddClass(const std::wstring& name, const std::wstring& attributes) {
    classes_[name] = attributes;
  }
  std::wstring GetClassAttributes(const std::wstring& name) const;
  void ClearClasses() { classes_.clear(); }

  const std::wstring& GetUiChannel() const { return channel_; }
  void SetUiChannel(const std::wstring& channel) { channel_ = channel; }

  // Text of a text id in the current language (the language table, unless a
  // test installs its own lookup).
  std::wstring GetText(const std::wstring& id) const;
  void SetTextLookup(std::function<std::wstring(const std::wstring&)> lookup) {
    text_lookup_ = std::move(lookup);
  }

  // IRenderResources. An unknown font id draws with the default font.
  Gdiplus::GpFont* GetGdiplusFont(const std::wstring& font_id) override;
  uint32_t GetColor(const std::wstring& name) override;
  bool TextAntiAlias() override { return text_anti_alias_; }

  // Null until started.
  IRenderFactory* GetRenderFactory() const { return render_factory_.get(); }

  // The memory DC fonts are made on; made on first use when not started.
  HDC GetMemoryDC();
  // The render factory made at start-up; made on first use when not started.
  IRenderFactory* GetRenderFactory();

 private:
  GlobalResources();
  ~GlobalResources() override;

  void LoadLanguageFile(const std::wstring& path);
  // After a failed archive read of `path`: a problem line unless the entry
  // was simply not there.
  void ReportUnreadableEntry(const std::wstring& path, size_t max_bytes);
  void ReleaseImage(ImageInfo* info);
  // Decodes a picture file's bytes, refusing sizes above the limits.
  std::unique_ptr<ImageInfo> DecodeImage(const std::string& bytes, const std::wstring& key);
  std::wstring SubstituteFace(const std::wstring& face, bool bold, bool italic);
  // The kept builder of a skin file, or null; keeping replaces it.
  SkinBuilder* CachedBuilder(const std::wstring& file);
  void KeepBuilder(const std::wstring& file, std::unique_ptr<SkinBuilder> builder);

  std::wstring resource_root_;
  std::wstring start_root_ = L"resources\\";
  std::wstring language_ = L"zh_CN";
  std::wstring channel_ = L"AppStore";
  std::unique_ptr<ArchiveHandle> archive_;
  uint32_t archive_error_ = 0;

  std::unique_ptr<IRenderFactory> render_factory_;
  ULONG_PTR gdiplus_token_ = 0;
  HDC memory_dc_ = nullptr;
  Gdiplus::GpFontFamily* sans_serif_ = nullptr;

  std::wstring faces_[kDefaultFaceCount];
  bool face_available_[kDefaultFaceCount] = {};
  std::map<std::wstring, FontRecord> fonts_;
  std::wstring default_font_id_;
  bool text_anti_alias_ = false;

  std::map<std::wstring, std::wstring> classes_;
  std::function<std::wstring(const std::wstring&)> text_lookup_;

  std::vector<std::wstring> skin_problems_;
  std::set<std::wstring> reported_problems_;

  std::map<std::wstring, std::weak_ptr<ImageInfo>> image_cache_;
  std::map<std::wstring, std::unique_ptr<SkinBuilder>> markup_cache_;
  std::vector<Window*> windows_;
  THREAD_CHECKER(thread_checker_);
};

}  // namespace ui

#endif  // UI_CORE_GLOBAL_RESOURCES_H_
