#include "ui/core/global_resources.h"

#include <objidl.h>
#include <shlwapi.h>
#include <commctrl.h>
#include <algorithm>
namespace Gdiplus {
using std::max;
using std::min;
}  // namespace Gdiplus
#include <gdiplus.h>

#include "ui/core/box.h"
#include "ui/core/image_header.h"
#include "ui/core/window.h"
#include "ui/render/dpi_scale.h"
#include "ui/render/render_factory_gdiplus.h"
#include "ui/skin/language_table.h"
#include "ui/skin/skin_builder.h"

namespace ui {

namespace gp = Gdiplus::DllExports;

namespace {

bool EndsWithSeparator(const std::wstring& path) {
  return !path.empty() && (path.back() == L'\\' || path.back() == L'/');
}

// Process DPI awareness: per-monitor when the system offers it, else system
// aware; true when the process ends up aware.
bool MakeProcessDpiAware() {
  if (!IsWindowsVersionAtLeast(0)) return true;
  HMODULE user32 = GetModuleHandleW(L"user32.dll");
  if (!user32) return false;
  using SetAwareness = BOOL(WINAPI*)(int);
  using SetAware = BOOL(WINAPI*)();
  auto internal = reinterpret_cast<SetAwareness>(
      reinterpret_cast<void*>(GetProcAddress(user32, "SetProcessDpiAwarenessInternal")));
  if (internal && internal(2) == 0) return true;
  auto aware = reinterpret_cast<SetAware>(
      reinterpret_cast<void*>(GetProcAddress(user32, "SetProcessDPIAware")));
  return aware ? aware() != FALSE : false;
}

UINT ScreenDpi() {
  if (IsWindowsVersionAtLeast(2)) {
    HMODULE user32 = GetModuleHandleW(L"user32.dll");
    using GetDpi = BOOL(WINAPI*)(HMONITOR, int, UINT*, UINT*);
    auto get = user32 ? reinterpret_cast<GetDpi>(reinterpret_cast<void*>(
                            GetProcAddress(user32, "GetDpiForMonitorInternal")))
                      : nullptr;
    UINT x = 96, y = 96;
    HMONITOR monitor = MonitorFromPoint(POINT{1, 1}, MONITOR_DEFAULTTONEAREST);
    if (get && get(monitor, 0, &x, &y)) return x;
    return 96;
  }
  HDC screen = GetDC(nullptr);
  const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
  ReleaseDC(nullptr, screen);
  return static_cast<UINT>(dpi);
}

// GDI+ may hand back a substitute for a face it does not have (Wine does):
// only a font of that very family counts.
bool MadeWithFace(Gdiplus::GpFont* font, const std::wstring& face) {
  Gdiplus::GpFontFamily* family = nullptr;
  if (gp::GdipGetFamily(font, &family) != Gdiplus::Ok || !family) return false;
  WCHAR name[LF_FACESIZE] = {};
  const bool same = gp::GdipGetFamilyName(family, name, LANG_NEUTRAL) == Gdiplus::Ok &&
                    _wcsicmp(name, face.c_str()) == 0;
  gp::GdipDeleteFontFamily(family);
  return same;
}

LOGFONTW DefaultLogFont() {
  LOGFONTW font = {};
  GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof(font), &font);
  font.lfCharSet = DEFAULT_CHARSET;
  return font;
}

void SetFaceName(LOGFONTW* font, const std::wstring& face) {
  lstrcpynW(font->lfFaceName, face.c_str(), LF_FACESIZE);
}

enum class DiskRead { kOk, kMissing, kTooLarge, kFailed };

// A whole file of at most `max_bytes`.
DiskRead ReadDiskFile(const std::wstring& path, size_t max_bytes, std::string* bytes) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return DiskRead::kMissing;
  LARGE_INTEGER size = {};
  DiskRead result = DiskRead::kOk;
  if (!GetFileSizeEx(file, &size)) {
    result = DiskRead::kFailed;
  } else if (size.QuadPart > static_cast<LONGLONG>(max_bytes)) {
    result = DiskRead::kTooLarge;
  } else {
    bytes->resize(static_cast<size_t>(size.QuadPart));
    DWORD read = 0;
    if (!bytes->empty() &&
        (!ReadFile(file, &(*bytes)[0], static_cast<DWORD>(bytes->size()), &read, nullptr) ||
         read != bytes->size())) {
      result = DiskRead::kFailed;
    }
  }
  CloseHandle(file);
  if (result != DiskRead::kOk) bytes->clear();
  return result;
}

}  // namespace

GlobalResources& GlobalResources::Instance() {
  static GlobalResources* instance = new GlobalResources();
  return *instance;
}

GlobalResources::GlobalResources() {
  // Made by whichever thread asks first; it belongs to its first real user.
  DETACH_FROM_THREAD(thread_checker_);
}
GlobalResources::~GlobalResources() = default;

// ---- Start-up and shut-down ----------------------------------------------------

void GlobalResources::Startup(const std::wstring& root, CreateControlCallback create_control,
                              const std::wstring& theme, const std::wstring& language) {
  CHECK_CALLED_ON_VALID_THREAD(thread_checker_);
  render_factory_ = std::make_unique<RenderFactory_GdiPlus>();
  start_root_ = root;
  SetResourceRoot(root + theme);
  create_control_callback = std::move(create_control);

  DpiScale* dpi = DpiScale::Instance();
  if (!dpi->IsAdaptDpi()) dpi->SetAdaptDpi(MakeProcessDpiAware());
  const UINT screen_dpi = ScreenDpi();
  if (dpi->IsAdaptDpi()) dpi->SetScaleFromDpi(screen_dpi);

  if (!gdiplus_token_) {
    Gdiplus::GdiplusStartupInput input;
    Gdiplus::GdiplusStartup(&gdiplus_token_, &input, nullptr);
  }
  GetMemoryDC();
  SetRenderResources(this);
  CheckDefaultFaces();
  LoadGlobalMarkup();
  language_ = language;
  LoadLanguageFile(root + L"lang\\" + language_ + L".ini");
  InitCommonControls();
}

void GlobalResources::Shutdown() {
  CHECK_CALLED_ON_VALID_THREAD(thread_checker_);
  CloseSkinArchive();
  render_factory_.reset();
  windows_.clear();
  RemoveAllFonts();
  if (sans_serif_) {
    gp::GdipDeleteFontFamily(sans_serif_);
    sans_serif_ = nullptr;
  }
  if (memory_dc_) {
    DeleteDC(memory_dc_);
    memory_dc_ = nullptr;
  }
  if (GetRenderResources() == this) SetRenderResources(nullptr);
  if (gdiplus_token_) {
    Gdiplus::GdiplusShutdown(gdiplus_token_);
    gdiplus_token_ = 0;
  }
  // The next start may come from another thread (tests start it anew).
  DETACH_FROM_THREAD(thread_checker_);
}

void GlobalResources::LoadLanguageFile(const std::wstring& path) {
  if (archive_) {
    // With an archive the language comes from it alone.
    std::string bytes;
    if (ReadResourceBytes(path, &bytes, kMaxLanguageBytes)) {
      LanguageTable::Instance().LoadMemory(bytes.data(), bytes.size());
    } else {
      ReportUnreadableEntry(path, kMaxLanguageBytes);
    }
    return;
  }
  WIN32_FILE_ATTRIBUTE_DATA data = {};
  if (GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data) &&
      (data.nFileSizeHigh != 0 || data.nFileSizeLow > kMaxLanguageBytes)) {
    AddSkinProblem(path + L": larger than the " + std::to_wstring(kMaxLanguageBytes) +
                   L" bytes allowed");
    return;
  }
  LanguageTable::Instance().LoadFile(path);
}

void GlobalResources::SwitchLanguage(const std::wstring& new_root,
                                     const std::function<void()>& done) {
  CHECK_CALLED_ON_VALID_THREAD(thread_checker_);
  RemoveAllFonts();
  colors.clear();
  ClearClasses();
  for (Window* window : windows_) {
    if (Control* root = window->GetRoot()) root->ClearImages();
  }
  image_cache_.clear();
  if (!new_root.empty()) SetResourceRoot(new_root);
  LoadGlobalMarkup();
  // The product's start-up root is "resources\" in the working folder.
  LoadLanguageFile(start_root_ + L"lang\\" + language_ + L".ini");
  if (done) done();
  for (Window* window : windows_) {
    if (Control* root = window->GetRoot()) root->Invalidate();
  }
}

void GlobalResources::LoadGlobalMarkup() {
  Window window;
  SkinBuilder builder;
  std::unique_ptr<Control> made(builder.BuildFromMarkup(L"global.xml", nullptr, &window));
  for (const std::wstring& problem : builder.GetProblems()) AddSkinProblem(L"global.xml: " + problem);
}

void GlobalResources::SetResourceRoot(const std::wstring& path) {
  resource_root_ = path;
  if (!resource_root_.empty() && !EndsWithSeparator(resource_root_)) resource_root_ += L'\\';
}

// ---- Archive --------------------------------------------------------------------

void GlobalResources::CloseSkinArchive() {
  if (!archive_) return;
  const bool reader = archive_->kind == ArchiveHandle::kKindReader;
  archive_.reset();
  archive_error_ = reader ? kArchiveOk : kArchiveNotForReading;
}

std::wstring GlobalResources::ArchivePath(const std::wstring& path) {
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
  return joined;
}

bool GlobalResources::ReadResourceBytes(const std::wstring& path, std::string* bytes,
                                        size_t max_bytes) {
  bytes->clear();
  if (!archive_) return false;
  const std::wstring entry = ArchivePath(path);
  if (entry.empty()) return false;
  archive_error_ = SkinArchive::ReadEntry(archive_.get(), entry.c_str(), max_bytes, bytes);
  if (archive_error_ != kArchiveOk) bytes->clear();
  return archive_error_ == kArchiveOk;
}

HGLOBAL GlobalResources::ReadResourceFile(const std::wstring& path) {
  std::string bytes;
  if (!ReadResourceBytes(path, &bytes)) return nullptr;
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_NODISCARD, bytes.empty() ? 1 : bytes.size());
  if (!block) return nullptr;
  void* data = GlobalLock(block);
  if (!data) {
    GlobalFree(block);
    return nullptr;
  }
  if (!bytes.empty()) memcpy(data, bytes.data(), bytes.size());
  GlobalUnlock(block);
  return block;
}

bool GlobalResources::ReadTextFile(const std::wstring& path, std::string* text,
                                   size_t max_bytes) {
  std::wstring full = path;
  if (PathIsRelativeW(full.c_str())) full = resource_root_ + full;
  full = NormalizeSlashes(full);
  std::string bytes;
  if (archive_) {
    if (ReadResourceBytes(full, &bytes, max_bytes)) {
      *text = std::move(bytes);
      return true;
    }
    ReportUnreadableEntry(full, max_bytes);
  }
  switch (ReadDiskFile(full, max_bytes, &bytes)) {
    case DiskRead::kOk:
      *text = std::move(bytes);
      return true;
    case DiskRead::kTooLarge:
      AddSkinProblem(full + L": larger than the " + std::to_wstring(max_bytes) + L" bytes allowed");
      return false;
    default:
      return false;
  }
}

// ---- Skin problems ----------------------------------------------------------------

void GlobalResources::AddSkinProblem(const std::wstring& line) {
  // A hostile skin may fail in many places: the first ones say enough.
  constexpr size_t kMaxReported = 200;
  if (reported_problems_.size() >= kMaxReported) return;
  if (reported_problems_.insert(line).second) skin_problems_.push_back(line);
}

void GlobalResources::ReportUnreadableEntry(const std::wstring& path, size_t max_bytes) {
  if (archive_error_ == kArchiveOk || archive_error_ == kArchiveNotFound) return;
  AddSkinProblem(ArchivePath(path) +
                 (archive_error_ == kArchiveBadArgument
                      ? L": larger than the " + std::to_wstring(max_bytes) + L" bytes allowed"
                      : L": damaged in the archive (" + SkinArchive::CodeText(archive_error_) + L")"));
}

std::vector<std::wstring> GlobalResources::TakeSkinProblems() {
  std::vector<std::wstring> lines;
  lines.swap(skin_problems_);
  return lines;
}

// ---- Skin files -------------------------------------------------------------------

SkinBuilder* GlobalResources::CachedBuilder(const std::wstring& file) {
  auto cached = markup_cache_.find(file);
  return cached == markup_cache_.end() ? nullptr : cached->second.get();
}

void GlobalResources::KeepBuilder(const std::wstring& file, std::unique_ptr<SkinBuilder> builder) {
  markup_cache_[file] = std::move(builder);
}

Box* GlobalResources::CreateBoxFromFile(const std::wstring& file,
                                        CreateControlCallback create_control) {
  CHECK_CALLED_ON_VALID_THREAD(thread_checker_);
  std::unique_ptr<Control> made;
  if (SkinBuilder* cached = CachedBuilder(file)) {
    made = cached->BuildFromDocument(std::move(create_control), nullptr);
  } else {
    auto builder = std::make_unique<SkinBuilder>();
    made = builder->BuildFromMarkup(file, std::move(create_control), nullptr);
    if (!made) return nullptr;
    KeepBuilder(file, std::move(builder));
  }
  // Only a box is handed out; anything else is dropped here.
  if (!dynamic_cast<Box*>(made.get())) return nullptr;
  return static_cast<Box*>(made.release());
}

void GlobalResources::FillBoxFromFile(Box* box, const std::wstring& file,
                                      CreateControlCallback create_control) {
  SkinBuilder builder;
  builder.BuildFromMarkup(file, std::move(create_control), box->GetWindow(), nullptr, box);
}

void GlobalResources::FillBoxFromFileCached(Box* box, const std::wstring& file,
                                            CreateControlCallback create_control) {
  CHECK_CALLED_ON_VALID_THREAD(thread_checker_);
  if (SkinBuilder* cached = CachedBuilder(file)) {
    cached->BuildFromDocument(std::move(create_control), box->GetWindow(), nullptr, box);
    return;
  }
  auto builder = std::make_unique<SkinBuilder>();
  if (builder->BuildFromMarkup(file, std::move(create_control), box->GetWindow(), nullptr, box))
    KeepBuilder(file, std::move(builder));
}

// ---- Windows ------------------------------------------------------------------------

void GlobalResources::AddWindow(Window* window) {
  CHECK_CALLED_ON_VALID_THREAD(thread_checker_);
  if (std::find(windows_.begin(), windows_.end(), window) == windows_.end()) {
    windows_.push_back(window);
  }
}

void GlobalResources::RemoveWindow(Window* window) {
  CHECK_CALLED_ON_VALID_THREAD(thread_checker_);
  windows_.erase(std::remove(windows_.begin(), windows_.end(), window), windows_.end());
}

// ---- Images -----------------------------------------------------------------------

std::shared_ptr<ImageInfo> GlobalResources::GetCachedImage(const std::wstring& path) {
  auto it = image_cache_.find(NormalizeSlashes(path));
  return it == image_cache_.end() ? nullptr : it->second.lock();
}

std::shared_ptr<ImageInfo> GlobalResources::GetImage(const std::wstring& path) {
  CHECK_CALLED_ON_VALID_THREAD(thread_checker_);
  std::wstring key = NormalizeSlashes(path);
  if (archive_) key = ArchivePath(key);
  auto cached = image_cache_.find(key);
  if (cached != image_cache_.end()) {
    if (std::shared_ptr<ImageInfo> alive = cached->second.lock()) return alive;
  }

  std::unique_ptr<ImageInfo> info;
  std::string bytes;
  bool found = archive_ && ReadResourceBytes(key, &bytes);
  if (!found) found = ReadDiskFile(key, kMaxResourceBytes, &bytes) == DiskRead::kOk;
  if (found) info = DecodeImage(bytes, key);
  if (!info) return nullptr;

  std::shared_ptr<ImageInfo> shared(info.release(), [](ImageInfo* dying) {
    GlobalResources::Instance().ReleaseImage(dying);
  });
  image_cache_[key] = shared;
  shared->cached = true;
  return shared;
}

std::unique_ptr<ImageInfo> GlobalResources::DecodeImage(const std::string& bytes,
                                                         const std::wstring& key) {
  // The decoder allocates what the header declares: read it first.
  uint32_t width = 0, height = 0;
  if (!ReadImageSize(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), &width,
                     &height)) {
    AddSkinProblem(key + L": not a picture of a known kind");
    return nullptr;
  }
  if (width > kMaxImageSide || height > kMaxImageSide ||
      static_cast<uint64_t>(width) * height > kMaxImagePixels) {
    AddSkinProblem(key + L": " + std::to_wstring(width) + L"x" + std::to_wstring(height) +
                   L" pixels, larger than allowed");
    return nullptr;
  }
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_NODISCARD, bytes.size());
  void* data = block ? GlobalLock(block) : nullptr;
  if (!data) {
    if (block) GlobalFree(block);
    return nullptr;
  }
  memcpy(data, bytes.data(), bytes.size());
  GlobalUnlock(block);
  std::unique_ptr<ImageInfo> info;
  IStream* stream = nullptr;
  if (CreateStreamOnHGlobal(block, TRUE, &stream) != S_OK) {
    GlobalFree(block);
    return nullptr;
  }
  Gdiplus::GpBitmap* bitmap = nullptr;
  if (gp::GdipCreateBitmapFromStream(stream, &bitmap) == Gdiplus::Ok) {
    info = ImageInfo::FromBitmap(bitmap, key);
  }
  stream->Release();
  return info;
}

void GlobalResources::ReleaseImage(ImageInfo* info) {
  if (info->cached && !info->key.empty()) {
    auto it = image_cache_.find(info->key);
    // A newer picture may have taken the key after a language switch.
    if (it != image_cache_.end() && it->second.expired()) image_cache_.erase(it);
  }
  delete info;
}

// ---- Fonts ----------------------------------------------------------------------------

HDC GlobalResources::GetMemoryDC() {
  if (!memory_dc_) {
    HDC screen = GetDC(nullptr);
    memory_dc_ = CreateCompatibleDC(screen);
    ReleaseDC(nullptr, screen);
  }
  return memory_dc_;
}

void GlobalResources::CheckDefaultFaces() {
  for (int trio = 0; trio < 2; ++trio) {
    LOGFONTW font = DefaultLogFont();
    for (int member = 0; member < 3; ++member) {
      const int which = trio * 3 + member;
      if (member == 1) font.lfWeight += FW_BOLD;
      if (member == 2) font.lfItalic = TRUE;  // the bold weight stays
      face_available_[which] = false;
      if (faces_[which].empty()) continue;
      SetFaceName(&font, faces_[which]);
      Gdiplus::GpFont* made = nullptr;
      if (gp::GdipCreateFontFromLogfontW(GetMemoryDC(), &font, &made) == Gdiplus::Ok && made) {
        face_available_[which] = MadeWithFace(made, faces_[which]);
        gp::GdipDeleteFont(made);
      }
    }
  }
}

std::wstring GlobalResources::SubstituteFace(const std::wstring& face, bool bold, bool italic) {
  static const std::wstring fallback = IsWindowsVersionAtLeast(0) ? L"微软雅黑" : L"Arial";
  int base;
  if (face == L"system") {
    base = kSystemRegularFace;
  } else if (face == L"button") {
    base = kButtonRegularFace;
  } else {
    return face;
  }
  const int which = bold ? base + 1 : (!italic ? base : base + 2);
  return face_available_[which] ? faces_[which] : fallback;
}

HFONT GlobalResources::AddFont(const std::wstring& id, const std::wstring& face, int size,
                               bool bold, bool underline, bool italic, bool is_default) {
  CHECK_CALLED_ON_VALID_THREAD(thread_checker_);
  const std::wstring key = id.empty() ? std::to_wstring(fonts_.size()) : id;
  // An id already present keeps its first font: nothing to make.
  auto present = fonts_.find(key);
  if (present != fonts_.end()) {
    if (is_default) default_font_id_ = key;
    return present->second.hfont;
  }
  if (fonts_.size() >= kMaxFonts) {
    AddSkinProblem(L"Fonts stopped after " + std::to_wstring(kMaxFonts));
    return nullptr;
  }
  FontRecord record;
  record.face = SubstituteFace(face, bold, italic);
  record.size = DpiScale::Instance()->ScaleInt(size);
  record.bold = bold;
  record.underline = underline;
  record.italic = italic;

  LOGFONTW font = DefaultLogFont();
  SetFaceName(&font, record.face);
  font.lfHeight = -record.size;
  if (bold) font.lfWeight += FW_BOLD;
  font.lfUnderline = underline ? TRUE : FALSE;
  font.lfItalic = italic ? TRUE : FALSE;
  record.hfont = CreateFontIndirectW(&font);
  if (!record.hfont ||
      gp::GdipCreateFontFromLogfontW(GetMemoryDC(), &font, &record.gp_font) != Gdiplus::Ok) {
    if (record.hfont) DeleteObject(record.hfont);
    if (record.gp_font) gp::GdipDeleteFont(record.gp_font);
    record.hfont = nullptr;
    record.gp_font = nullptr;
    if (!sans_serif_) gp::GdipGetGenericFontFamilySansSerif(&sans_serif_);
    const INT style = (bold ? 1 : 0) | (italic ? 2 : 0) | (underline ? 4 : 0);
    Gdiplus::GpGraphics* graphics = nullptr;
    if (sans_serif_ &&
        gp::GdipCreateFont(sans_serif_, static_cast<float>(size), style, Gdiplus::UnitPoint,
                           &record.gp_font) == Gdiplus::Ok &&
        gp::GdipCreateFromHDC(GetMemoryDC(), &graphics) == Gdiplus::Ok) {
      LOGFONTW made = {};
      if (gp::GdipGetLogFontW(record.gp_font, graphics, &made) == Gdiplus::Ok) {
        record.hfont = CreateFontIndirectW(&made);
      }
    }
    if (graphics) gp::GdipDeleteGraphics(graphics);
    if (!record.hfont) {
      if (record.gp_font) gp::GdipDeleteFont(record.gp_font);
      return nullptr;
    }
  }

  HFONT result = record.hfont;
  auto inserted = fonts_.emplace(key, record);
  if (!inserted.second) {
    // The id keeps its first font; this one is not kept anywhere.
    DeleteObject(record.hfont);
    gp::GdipDeleteFont(record.gp_font);
    result = inserted.first->second.hfont;
  }
  if (is_default) default_font_id_ = key;
  return result;
}

const FontRecord* GlobalResources::GetFont(const std::wstring& id) const {
  CHECK_CALLED_ON_VALID_THREAD(thread_checker_);
  auto it = fonts_.find(id.empty() ? default_font_id_ : id);
  return it == fonts_.end() ? nullptr : &it->second;
}

void GlobalResources::RemoveAllFonts() {
  for (auto& font : fonts_) {
    if (font.second.hfont) DeleteObject(font.second.hfont);
    if (font.second.gp_font) gp::GdipDeleteFont(font.second.gp_font);
  }
  fonts_.clear();
}

// ---- Classes, texts, drawing ------------------------------------------------------------

std::wstring GlobalResources::GetClassAttributes(const std::wstring& name) const {
  auto it = classes_.find(name);
  return it == classes_.end() ? std::wstring() : it->second;
}

std::wstring GlobalResources::GetText(const std::wstring& id) const {
  CHECK_CALLED_ON_VALID_THREAD(thread_checker_);
  return text_lookup_ ? text_lookup_(id) : LanguageTable::Instance().GetText(id);
}

Gdiplus::GpFont* GlobalResources::GetGdiplusFont(const std::wstring& font_id) {
  CHECK_CALLED_ON_VALID_THREAD(thread_checker_);
  const FontRecord* font = GetFont(font_id);
  // A misspelt id in a skin must not make its text invisible.
  if (!font) font = GetFont(std::wstring());
  if (!font && !fonts_.empty()) font = &fonts_.begin()->second;
  return font ? font->gp_font : nullptr;
}

std::wstring GlobalResources::NormalizeSlashes(std::wstring path) {
  std::replace(path.begin(), path.end(), L'/', L'\\');
  std::wstring out;
  out.reserve(path.size());
  for (wchar_t c : path) {
    if (c == L'\\' && !out.empty() && out.back() == L'\\') continue;
    out += c;
  }
  return out;
}

bool GlobalResources::ResourceExists(const std::wstring& path) {
  if (archive_) {
    const std::wstring entry = ArchivePath(path);
    return SkinArchive::FindEntry(archive_.get(), entry.c_str(), nullptr, nullptr) == 0;
  }
  return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

IRenderFactory* GlobalResources::GetRenderFactory() {
  if (!render_factory_) render_factory_ = std::make_unique<RenderFactory_GdiPlus>();
  return render_factory_.get();
}

uint32_t GlobalResources::GetColor(const std::wstring& name) {
  auto it = colors.find(name);
  return it == colors.end() ? 0 : it->second;
}

}  // namespace ui
