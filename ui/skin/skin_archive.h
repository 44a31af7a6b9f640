// SkinArchive: read access to the zip archive that holds the skin.
//
// The archive comes from a file name, an open file handle or a block of
// memory (the copy embedded in the executable); the zip format is the unzip
// library's. This layer finds entries by name (ASCII case ignored), describes
// them in an ArchiveEntry with Windows attributes and times, and extracts an
// entry's bytes into the caller's buffer. Every outcome is a result code.
//
// The archive may come from a server: entry names are made relative so that
// none of them can name a place outside the skin, and an entry whose data does
// not match its record is reported damaged, never as whole.
//
// Ownership: Open returns an ArchiveHandle that owns the archive; a memory
// block is not copied and must outlive it. UI thread only (no lock); the last
// result code is process-wide.
#ifndef UI_SKIN_SKIN_ARCHIVE_H_
#define UI_SKIN_SKIN_ARCHIVE_H_

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace ui {

enum ArchiveResult : uint32_t {
  kArchiveOk = 0,
  kArchiveCannotOpen = 0x200,      // cannot be opened, or not a zip archive
  kArchiveNotFound = 0x500,        // no entry of that name
  kArchiveMore = 0x600,            // buffer full before the end of the entry
  kArchiveBadHeader = 0x700,       // local header does not match the directory
  kArchiveReadFailed = 0x800,      // reading or positioning the source failed
  kArchiveBadPassword = 0x1000,
  kArchiveBadArgument = 0x10000,   // no archive, index out of range, bad kind
  kArchiveNotForReading = 0x80000,
  kArchiveAlreadyOpen = 0x1000000,
  kArchiveCannotSeek = 0x2000000,  // the given handle cannot be positioned
  kArchiveDamaged = 0x5000000,
};

enum ArchiveSource : int32_t {
  kArchiveSourceHandle = 1,  // an open Win32 file handle, read from its position
  kArchiveSourceName = 2,    // a UTF-16 file name
  kArchiveSourceMemory = 3,  // a block of memory and its length
};

struct ArchiveEntry {
  int32_t index = 0;  // for index -1: the number of entries
  wchar_t name[260] = {};
  uint32_t attributes = 0;  // FILE_ATTRIBUTE_* bits
  FILETIME access_time = {};
  FILETIME creation_time = {};
  FILETIME modification_time = {};
  int32_t compressed_size = 0;
  int32_t uncompressed_size = 0;
};

class SkinArchive;

struct ArchiveHandle {
  static constexpr int32_t kKindReader = 1;
  int32_t kind = kKindReader;
  std::unique_ptr<SkinArchive> archive;
  ~ArchiveHandle();
};

class SkinArchive {
 public:
  // An archive is refused when its directory holds more entries than this,
  // or entries that unpack to more than this many bytes in all.
  static constexpr int32_t kMaxEntries = 16384;
  static constexpr uint64_t kMaxTotalBytes = 256ull << 20;

  // Opens an archive; null on failure. LastResult() tells why as a code,
  // `problem` (when given) as a readable text.
  static std::unique_ptr<ArchiveHandle> Open(const void* source, uint32_t length, int32_t kind,
                                             const char* password,
                                             std::wstring* problem = nullptr);
  // Looks a UTF-16 name up; `index` and `entry` may be null.
  static uint32_t FindEntry(const ArchiveHandle* handle, const wchar_t* name, int32_t* index,
                            ArchiveEntry* entry);
  static uint32_t GetEntry(const ArchiveHandle* handle, int32_t index, ArchiveEntry* entry);
  // Reads up to `length` bytes of the entry; call again with the same index
  // after kArchiveMore to go on.
  static uint32_t ExtractEntry(const ArchiveHandle* handle, int32_t index, void* buffer,
                               uint32_t length);
  // Reads a whole entry found by name. Entries larger than `max_size` are
  // refused with kArchiveBadArgument.
  static uint32_t ReadEntry(const ArchiveHandle* handle, const wchar_t* name, size_t max_size,
                            std::string* bytes);

  static uint32_t LastResult();
  // "code 0x5000000": a result code as the table above writes it.
  static std::wstring CodeText(uint32_t result);

  // Strips drives, leading separators and every ".." part, so the name can
  // only name something inside the skin.
  static std::wstring MakeRelativeName(std::wstring name);

  ~SkinArchive();

 private:
  struct Source;
  struct Directory;

  SkinArchive() = default;
  static uint32_t Check(const ArchiveHandle* handle, SkinArchive** archive);

  uint32_t OpenSource(const void* source, uint32_t length, int32_t kind, std::wstring* why);
  uint32_t Get(int32_t index, ArchiveEntry* entry);
  uint32_t Extract(int32_t index, void* buffer, uint32_t length);
  uint32_t Find(const wchar_t* name, int32_t* index, ArchiveEntry* entry);
  uint32_t MoveTo(int32_t index);
  void CloseOpenEntry();
  uint32_t Unreadable() const;
  int32_t EntryCount() const;

  void* reader_ = nullptr;  // unzFile
  std::unique_ptr<Source> source_;
  std::unique_ptr<Directory> directory_;
  int32_t open_entry_ = -1;
  uint64_t open_entry_read_ = 0;
  bool open_entry_encrypted_ = false;
  ArchiveEntry cached_entry_;
  int32_t cached_index_ = -1;
  std::unique_ptr<std::string> password_;
};

}  // namespace ui

#endif  // UI_SKIN_SKIN_ARCHIVE_H_
