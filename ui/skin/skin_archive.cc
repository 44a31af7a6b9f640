#include "ui/skin/skin_archive.h"

#include <minizip/unzip.h>

#include <atomic>
#include <cstring>

#include "ui/skin/skin_text.h"

namespace ui {

namespace {

std::atomic<uint32_t> g_last_result{kArchiveOk};

uint32_t Store(uint32_t result) {
  g_last_result = result;
  return result;
}

// Longest name the unzip library will locate.
constexpr size_t kMaxLookupBytes = 255;
constexpr int kNameBufferBytes = 1024;

unzFile Reader(void* reader) { return static_cast<unzFile>(reader); }

uint32_t MapUnzipError(int error) {
  switch (error) {
    case UNZ_OK:
      return kArchiveOk;
    case UNZ_ERRNO:
      return kArchiveReadFailed;
    case UNZ_BADZIPFILE:
      return kArchiveBadHeader;
    case UNZ_PARAMERROR:
      return kArchiveBadArgument;
    default:
      return kArchiveDamaged;
  }
}

char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }

bool EqualsIgnoringAsciiCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
  }
  return true;
}

FILETIME UnixTimeToFileTime(int32_t t) {
  const uint64_t ticks = (static_cast<int64_t>(t) + 11644473600LL) * 10000000ULL;
  FILETIME ft;
  ft.dwLowDateTime = static_cast<DWORD>(ticks);
  ft.dwHighDateTime = static_cast<DWORD>(ticks >> 32);
  return ft;
}

FILETIME DosTimeToFileTime(uint32_t dos) {
  FILETIME local{}, utc{};
  if (!DosDateTimeToFileTime(static_cast<WORD>(dos >> 16), static_cast<WORD>(dos & 0xFFFF),
                             &local) ||
      !LocalFileTimeToFileTime(&local, &utc)) {
    return FILETIME{};
  }
  return utc;
}

// Extended timestamp block ("UT"): flags, then the times the flags name,
// each a signed 32-bit Unix time. Reads only inside the block.
void ApplyExtendedTimes(const unsigned char* extra, size_t size, ArchiveEntry* entry) {
  size_t pos = 0;
  while (pos + 4 <= size) {
    const size_t block = extra[pos + 2] | (extra[pos + 3] << 8);
    const size_t data = pos + 4;
    if (data + block > size) return;
    if (extra[pos] == 'U' && extra[pos + 1] == 'T' && block >= 1) {
      const unsigned char flags = extra[data];
      size_t at = data + 1;
      const size_t end = data + block;
      FILETIME* targets[] = {&entry->modification_time, &entry->access_time,
                             &entry->creation_time};
      for (int bit = 0; bit < 3; ++bit) {
        if (!(flags & (1 << bit))) continue;
        if (at + 4 > end) return;
        int32_t t;
        std::memcpy(&t, extra + at, 4);
        *targets[bit] = UnixTimeToFileTime(t);
        at += 4;
      }
      return;
    }
    pos = data + block;
  }
}

uint32_t WindowsAttributes(uint64_t version_made_by, uint64_t external) {
  const unsigned host = static_cast<unsigned>((version_made_by >> 8) & 0xFF);
  if (host == 0 || host == 7 || host == 11 || host == 14) {
    return static_cast<uint32_t>(external & 0x37);  // read-only, hidden, system, dir, archive
  }
  uint32_t attributes = FILE_ATTRIBUTE_ARCHIVE;
  if (external & 0x40000000) attributes |= FILE_ATTRIBUTE_DIRECTORY;
  if (!(external & 0x00800000)) attributes |= FILE_ATTRIBUTE_READONLY;
  return attributes;
}

}  // namespace

// --- Sources: file handle, file name, memory block ---------------------------

struct SkinArchive::Source {
  // The unzip library reads a directory record a few bytes per call: file
  // reads go through a block buffer so that each call is not a system call.
  static constexpr size_t kBlockBytes = 64 * 1024;

  int32_t kind = 0;
  HANDLE file = INVALID_HANDLE_VALUE;
  bool owns_file = false;
  uint64_t offset = 0;  // file position at opening; positions are relative to it
  const unsigned char* memory = nullptr;
  uint64_t size = 0;      // bytes from `offset` to the end
  uint64_t position = 0;  // where the next read starts
  std::vector<unsigned char> block;
  uint64_t block_start = 0;
  bool failed = false;

  ~Source() {
    if (owns_file && file != INVALID_HANDLE_VALUE) CloseHandle(file);
  }

  // Reads `count` bytes of the file at `at` (relative); the count read.
  size_t ReadFileAt(uint64_t at, void* buffer, size_t count) {
    LARGE_INTEGER to{};
    to.QuadPart = static_cast<LONGLONG>(offset + at);
    if (!SetFilePointerEx(file, to, nullptr, FILE_BEGIN)) {
      failed = true;
      return 0;
    }
    DWORD read = 0;
    if (!ReadFile(file, buffer, static_cast<DWORD>(count), &read, nullptr)) {
      failed = true;
      return 0;
    }
    return read;
  }

  size_t ReadBuffered(unsigned char* out, size_t count) {
    size_t done = 0;
    while (done < count && position < size) {
      if (position >= block_start && position < block_start + block.size()) {
        const size_t at = static_cast<size_t>(position - block_start);
        size_t n = block.size() - at;
        if (n > count - done) n = count - done;
        std::memcpy(out + done, block.data() + at, n);
        done += n;
        position += n;
        continue;
      }
      // Large reads (entry data) skip the block.
      if (count - done >= kBlockBytes) {
        const size_t n = ReadFileAt(position, out + done, count - done);
        done += n;
        position += n;
        break;
      }
      block.resize(kBlockBytes);
      block_start = position;
      const size_t n = ReadFileAt(position, block.data(), kBlockBytes);
      block.resize(n);
      if (n == 0) break;
    }
    return done;
  }

  static voidpf ZCALLBACK Open(voidpf opaque, const void*, int) { return opaque; }

  static uLong ZCALLBACK Read(voidpf opaque, voidpf, void* buffer, uLong size) {
    Source* s = static_cast<Source*>(opaque);
    if (s->memory) {
      const uint64_t left = s->position < s->size ? s->size - s->position : 0;
      const uLong n = static_cast<uLong>(left < size ? left : size);
      std::memcpy(buffer, s->memory + s->position, n);
      s->position += n;
      return n;
    }
    return static_cast<uLong>(s->ReadBuffered(static_cast<unsigned char*>(buffer), size));
  }

  static uLong ZCALLBACK Write(voidpf, voidpf, const void*, uLong) { return 0; }

  static ZPOS64_T ZCALLBACK Tell(voidpf opaque, voidpf) {
    return static_cast<Source*>(opaque)->position;
  }

  static long ZCALLBACK Seek(voidpf opaque, voidpf, ZPOS64_T offset, int origin) {
    Source* s = static_cast<Source*>(opaque);
    uint64_t base = 0;
    if (origin == ZLIB_FILEFUNC_SEEK_CUR) base = s->position;
    if (origin == ZLIB_FILEFUNC_SEEK_END) base = s->size;
    const uint64_t target = base + offset;
    if (target < base || target > s->size) return -1;
    s->position = target;
    return 0;
  }

  static int ZCALLBACK Close(voidpf, voidpf) { return 0; }

  static int ZCALLBACK Error(voidpf opaque, voidpf) {
    return static_cast<Source*>(opaque)->failed ? 1 : 0;
  }
};

// Positions and names of the entries, read once when the archive opens.
struct SkinArchive::Directory {
  struct Item {
    unz64_file_pos position;
    std::string name;  // UTF-8 as stored
    uint64_t uncompressed_size;
  };
  std::vector<Item> items;
};

ArchiveHandle::~ArchiveHandle() = default;

SkinArchive::~SkinArchive() {
  if (reader_) {
    CloseOpenEntry();
    unzClose(Reader(reader_));
  }
}

uint32_t SkinArchive::LastResult() { return g_last_result; }

std::wstring SkinArchive::CodeText(uint32_t result) {
  wchar_t text[24];
  swprintf(text, 24, L"code 0x%X", result);
  return text;
}

std::unique_ptr<ArchiveHandle> SkinArchive::Open(const void* source, uint32_t length,
                                                 int32_t kind, const char* password,
                                                 std::wstring* problem) {
  std::unique_ptr<SkinArchive> archive(new SkinArchive());
  if (password) archive->password_.reset(new std::string(password));
  std::wstring why;
  const uint32_t result = Store(archive->OpenSource(source, length, kind, &why));
  if (result != kArchiveOk) {
    if (problem) {
      *problem = !why.empty() ? why
                 : result == kArchiveCannotOpen ? L"cannot be opened"
                                                : L"cannot be read (" + CodeText(result) + L")";
    }
    return nullptr;
  }
  std::unique_ptr<ArchiveHandle> handle(new ArchiveHandle());
  handle->archive = std::move(archive);
  return handle;
}

uint32_t SkinArchive::OpenSource(const void* source, uint32_t length, int32_t kind,
                                 std::wstring* why) {
  if (reader_) return kArchiveAlreadyOpen;
  std::unique_ptr<Source> s(new Source());
  s->kind = kind;
  switch (kind) {
    case kArchiveSourceHandle: {
      HANDLE file = const_cast<HANDLE>(source);
      LARGE_INTEGER zero{}, now{};
      if (file == nullptr || file == INVALID_HANDLE_VALUE ||
          !SetFilePointerEx(file, zero, &now, FILE_CURRENT)) {
        return kArchiveCannotSeek;
      }
      s->file = file;
      s->offset = static_cast<uint64_t>(now.QuadPart);
      break;
    }
    case kArchiveSourceName: {
      if (!source) return kArchiveCannotOpen;
      s->file = CreateFileW(static_cast<const wchar_t*>(source), GENERIC_READ, FILE_SHARE_READ,
                            nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
      if (s->file == INVALID_HANDLE_VALUE) return kArchiveCannotOpen;
      s->owns_file = true;
      break;
    }
    case kArchiveSourceMemory:
      if (!source) return kArchiveBadArgument;
      s->memory = static_cast<const unsigned char*>(source);
      s->size = length;
      break;
    default:
      return kArchiveBadArgument;
  }
  if (!s->memory) {
    LARGE_INTEGER file_size{};
    if (!GetFileSizeEx(s->file, &file_size)) return kArchiveCannotOpen;
    const uint64_t total = static_cast<uint64_t>(file_size.QuadPart);
    s->size = total > s->offset ? total - s->offset : 0;
  }

  zlib_filefunc64_def functions{};
  functions.zopen64_file = &Source::Open;
  functions.zread_file = &Source::Read;
  functions.zwrite_file = &Source::Write;
  functions.ztell64_file = &Source::Tell;
  functions.zseek64_file = &Source::Seek;
  functions.zclose_file = &Source::Close;
  functions.zerror_file = &Source::Error;
  functions.opaque = s.get();
  unzFile reader = unzOpen2_64(s.get(), &functions);
  if (!reader) {
    *why = L"not a zip archive, or its directory cannot be read";
    return kArchiveCannotOpen;
  }
  reader_ = reader;
  source_ = std::move(s);

  // Walk the directory once: every record must read, and the count is what
  // is really there, not what the end record claims.
  directory_.reset(new Directory());
  unz_global_info64 global{};
  if (unzGetGlobalInfo64(reader, &global) != UNZ_OK) return kArchiveCannotOpen;
  if (global.number_entry == 0) return kArchiveOk;
  if (global.number_entry > kMaxEntries) {
    *why = L"claims " + std::to_wstring(global.number_entry) + L" entries, more than the " +
           std::to_wstring(kMaxEntries) + L" allowed";
    return kArchiveCannotOpen;
  }
  uint64_t total_bytes = 0;
  int err = unzGoToFirstFile(reader);
  char name[kNameBufferBytes];
  while (err == UNZ_OK) {
    Directory::Item item{};
    unz_file_info64 info{};
    if (unzGetFilePos64(reader, &item.position) != UNZ_OK ||
        unzGetCurrentFileInfo64(reader, &info, name, sizeof(name), nullptr, 0, nullptr, 0) !=
            UNZ_OK) {
      *why = L"directory record " + std::to_wstring(directory_->items.size()) + L" is damaged";
      return kArchiveCannotOpen;
    }
    const size_t stored = info.size_filename < sizeof(name) ? info.size_filename : sizeof(name) - 1;
    item.name.assign(name, stored);
    item.uncompressed_size = info.uncompressed_size;
    // Sizes may lie about the data but not beyond what one read takes: an
    // entry never inflates past its recorded size.
    total_bytes += info.uncompressed_size;
    directory_->items.push_back(std::move(item));
    if (directory_->items.size() > static_cast<size_t>(kMaxEntries)) {
      *why = L"more than " + std::to_wstring(kMaxEntries) + L" entries";
      return kArchiveCannotOpen;
    }
    if (total_bytes > kMaxTotalBytes) {
      *why = L"entries of more than " + std::to_wstring(kMaxTotalBytes >> 20) +
             L" MiB in all when unpacked";
      return kArchiveCannotOpen;
    }
    err = unzGoToNextFile(reader);
  }
  if (err != UNZ_END_OF_LIST_OF_FILE) {
    *why = L"directory record " + std::to_wstring(directory_->items.size()) + L" is damaged";
    return kArchiveCannotOpen;
  }
  return kArchiveOk;
}

int32_t SkinArchive::EntryCount() const {
  return directory_ ? static_cast<int32_t>(directory_->items.size()) : 0;
}

uint32_t SkinArchive::Check(const ArchiveHandle* handle, SkinArchive** archive) {
  if (!handle || !handle->archive || !handle->archive->reader_) return kArchiveBadArgument;
  if (handle->kind != ArchiveHandle::kKindReader) return kArchiveNotForReading;
  *archive = handle->archive.get();
  return kArchiveOk;
}

void SkinArchive::CloseOpenEntry() {
  if (open_entry_ >= 0) {
    unzCloseCurrentFile(Reader(reader_));
    open_entry_ = -1;
  }
}

uint32_t SkinArchive::MoveTo(int32_t index) {
  unz64_file_pos position = directory_->items[static_cast<size_t>(index)].position;
  return unzGoToFilePos64(Reader(reader_), &position) == UNZ_OK ? kArchiveOk
                                                                 : kArchiveReadFailed;
}

std::wstring SkinArchive::MakeRelativeName(std::wstring name) {
  static const wchar_t* const kClimbs[] = {L"\\..\\", L"\\../", L"/../", L"/..\\"};
  for (bool changed = true; changed;) {
    changed = false;
    if (name.size() >= 2 && name[1] == L':') {
      name.erase(0, 2);
      changed = true;
    }
    if (!name.empty() && (name[0] == L'\\' || name[0] == L'/')) {
      name.erase(0, 1);
      changed = true;
    }
    for (const wchar_t* climb : kClimbs) {
      const size_t at = name.find(climb);
      if (at != std::wstring::npos) {
        name.erase(0, at + 4);
        changed = true;
        break;
      }
    }
    // A name that starts by climbing would leave the skin's folder.
    if (name.size() >= 3 && name[0] == L'.' && name[1] == L'.' &&
        (name[2] == L'/' || name[2] == L'\\')) {
      name.erase(0, 3);
      changed = true;
    }
  }
  if (name == L"..") name.clear();
  return name;
}

uint32_t SkinArchive::Get(int32_t index, ArchiveEntry* entry) {
  if (index < -1 || index >= EntryCount()) return kArchiveBadArgument;
  CloseOpenEntry();
  if (index == -1) {
    *entry = ArchiveEntry();
    entry->index = EntryCount();
    return kArchiveOk;
  }
  if (index == cached_index_) {
    *entry = cached_entry_;
    return kArchiveOk;
  }
  unzFile reader = Reader(reader_);
  if (uint32_t moved = MoveTo(index)) return moved;
  unz_file_info64 info{};
  char name[kNameBufferBytes];
  if (int err = unzGetCurrentFileInfo64(reader, &info, name, sizeof(name), nullptr, 0, nullptr, 0)) {
    return MapUnzipError(err);
  }
  // The local header: opened raw, so nothing is decrypted or inflated.
  if (int err = unzOpenCurrentFile2(reader, nullptr, nullptr, 1)) {
    return err == UNZ_BADZIPFILE ? kArchiveBadHeader : kArchiveReadFailed;
  }
  std::vector<unsigned char> extra(65536);
  const int extra_size = unzGetLocalExtrafield(reader, extra.data(), static_cast<unsigned>(extra.size()));
  unzCloseCurrentFile(reader);
  if (extra_size < 0) return kArchiveReadFailed;

  ArchiveEntry record;
  record.index = index;
  const size_t stored = info.size_filename < sizeof(name) ? info.size_filename : sizeof(name) - 1;
  const std::wstring relative = MakeRelativeName(Utf8ToWide(name, stored));
  wcsncpy(record.name, relative.c_str(), 259);
  record.name[259] = 0;
  record.attributes = WindowsAttributes(info.version, info.external_fa);
  const FILETIME dos = DosTimeToFileTime(static_cast<uint32_t>(info.dosDate));
  record.access_time = record.creation_time = record.modification_time = dos;
  ApplyExtendedTimes(extra.data(), static_cast<size_t>(extra_size), &record);
  record.compressed_size = static_cast<int32_t>(info.compressed_size);
  record.uncompressed_size = static_cast<int32_t>(info.uncompressed_size);

  cached_entry_ = record;
  cached_index_ = index;
  *entry = record;
  return kArchiveOk;
}

uint32_t SkinArchive::Find(const wchar_t* name, int32_t* index, ArchiveEntry* entry) {
  const std::string wanted = name ? WideToUtf8(name, wcslen(name)) : std::string();
  int32_t found = -1;
  if (!wanted.empty() && wanted.size() <= kMaxLookupBytes) {
    const auto& items = directory_->items;
    for (size_t i = 0; i < items.size(); ++i) {
      if (EqualsIgnoringAsciiCase(items[i].name, wanted)) {
        found = static_cast<int32_t>(i);
        break;
      }
    }
  }
  if (found < 0) {
    if (index) *index = -1;
    if (entry) {
      *entry = ArchiveEntry();
      entry->index = -1;
    }
    return kArchiveNotFound;
  }
  CloseOpenEntry();
  if (index) *index = found;
  return entry ? Get(found, entry) : kArchiveOk;
}

uint32_t SkinArchive::Extract(int32_t index, void* buffer, uint32_t length) {
  unzFile reader = Reader(reader_);
  // -1 also marks "no entry open": check before comparing with it.
  if (index < 0 || index >= EntryCount()) return kArchiveBadArgument;
  if (index != open_entry_) {
    CloseOpenEntry();
    if (uint32_t moved = MoveTo(index)) return moved;
    unz_file_info64 info{};
    if (int err = unzGetCurrentFileInfo64(reader, &info, nullptr, 0, nullptr, 0, nullptr, 0)) {
      return MapUnzipError(err);
    }
    // The unzip library decrypts whenever it is given a password: give it
    // one only for an encrypted entry.
    open_entry_encrypted_ = (info.flag & 1) != 0;
    const char* password =
        open_entry_encrypted_ && password_ && !password_->empty() ? password_->c_str() : nullptr;
    if (int err = unzOpenCurrentFilePassword(reader, password)) return MapUnzipError(err);
    open_entry_ = index;
    open_entry_read_ = 0;
  }
  if (!buffer && length > 0) return kArchiveBadArgument;

  uint32_t got = 0;
  while (got < length) {
    const int n = unzReadCurrentFile(reader, static_cast<char*>(buffer) + got, length - got);
    if (n < 0) {
      CloseOpenEntry();
      return Unreadable();
    }
    if (n == 0) break;
    got += static_cast<uint32_t>(n);
  }
  open_entry_read_ += got;
  if (got == length && !unzeof(reader)) {
    if (got > 0) return kArchiveMore;
    CloseOpenEntry();
    return Unreadable();
  }
  // The end: the bytes must be as many as the record says and pass the CRC.
  const uint64_t expected = directory_->items[static_cast<size_t>(index)].uncompressed_size;
  const uint64_t delivered = open_entry_read_;
  const int closed = unzCloseCurrentFile(reader);
  open_entry_ = -1;
  if (closed != UNZ_OK || delivered != expected) return Unreadable();
  return kArchiveOk;
}

// The unzip library cannot tell a wrong password from damage: for an
// encrypted entry the password is the likelier cause.
uint32_t SkinArchive::Unreadable() const {
  return open_entry_encrypted_ ? kArchiveBadPassword : kArchiveDamaged;
}

uint32_t SkinArchive::FindEntry(const ArchiveHandle* handle, const wchar_t* name, int32_t* index,
                                ArchiveEntry* entry) {
  SkinArchive* archive = nullptr;
  if (uint32_t bad = Check(handle, &archive)) return Store(bad);
  return Store(archive->Find(name, index, entry));
}

uint32_t SkinArchive::GetEntry(const ArchiveHandle* handle, int32_t index, ArchiveEntry* entry) {
  SkinArchive* archive = nullptr;
  if (uint32_t bad = Check(handle, &archive)) return bad;
  if (!entry) return kArchiveBadArgument;
  return archive->Get(index, entry);
}

uint32_t SkinArchive::ExtractEntry(const ArchiveHandle* handle, int32_t index, void* buffer,
                                   uint32_t length) {
  SkinArchive* archive = nullptr;
  if (uint32_t bad = Check(handle, &archive)) return bad;
  return archive->Extract(index, buffer, length);
}

uint32_t SkinArchive::ReadEntry(const ArchiveHandle* handle, const wchar_t* name,
                                size_t max_size, std::string* bytes) {
  bytes->clear();
  SkinArchive* archive = nullptr;
  if (uint32_t bad = Check(handle, &archive)) return Store(bad);
  int32_t index = -1;
  if (uint32_t result = archive->Find(name, &index, nullptr)) return Store(result);
  const uint64_t size = archive->directory_->items[static_cast<size_t>(index)].uncompressed_size;
  if (size > max_size || size > 0xFFFFFFFFu) return Store(kArchiveBadArgument);
  bytes->resize(static_cast<size_t>(size));
  const uint32_t result =
      archive->Extract(index, bytes->empty() ? nullptr : &(*bytes)[0], static_cast<uint32_t>(size));
  if (result != kArchiveOk) bytes->clear();
  return Store(result);
}

}  // namespace ui
