#include "ui/skin/skin_archive.h"

#include <gtest/gtest.h>

#include <string>

#include "skin_test_archives.h"
#include "test_support/file_bytes.h"
#include "test_support/temp_folder.h"

namespace {

using ui::ArchiveEntry;
using ui::ArchiveHandle;
using ui::SkinArchive;

std::unique_ptr<ArchiveHandle> OpenMemory(const std::string& bytes) {
  return SkinArchive::Open(bytes.data(), static_cast<uint32_t>(bytes.size()),
                           ui::kArchiveSourceMemory, "");
}

std::string Extract(const ArchiveHandle* archive, const wchar_t* name) {
  std::string bytes;
  const uint32_t result = SkinArchive::ReadEntry(archive, name, 1 << 20, &bytes);
  return result == ui::kArchiveOk ? bytes : "<result " + std::to_string(result) + ">";
}

TEST(SkinArchiveTest, OpensFromNameHandleAndMemory) {
  const std::string& zip = skin_test::SkinZipBytes();
  ASSERT_GT(zip.size(), 100u);

  auto by_name = SkinArchive::Open(skin_test::kSkinZip, 0, ui::kArchiveSourceName, "");
  ASSERT_TRUE(by_name);
  EXPECT_EQ(ui::kArchiveOk, SkinArchive::LastResult());

  // A handle is read from where it stands: the archive may follow other bytes.
  testing_support::TempFolder folder;
  const std::wstring path = folder.Join(L"prefixed.bin");
  ASSERT_TRUE(testing_support::WriteFileBytes(path, std::string(333, 'x') + zip));
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            0, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, file);
  LARGE_INTEGER to{};
  to.QuadPart = 333;
  SetFilePointerEx(file, to, nullptr, FILE_BEGIN);
  auto by_handle = SkinArchive::Open(file, 0, ui::kArchiveSourceHandle, "");

  auto in_memory = OpenMemory(zip);
  for (const ArchiveHandle* archive : {by_name.get(), by_handle.get(), in_memory.get()}) {
    ASSERT_TRUE(archive);
    ArchiveEntry entry;
    ASSERT_EQ(ui::kArchiveOk, SkinArchive::GetEntry(archive, -1, &entry));
    EXPECT_EQ(13, entry.index);
    EXPECT_EQ(0u, Extract(archive, L"resources/themes/default/main/item.xml").find("<?xml"));
  }
  by_handle.reset();
  CloseHandle(file);  // the archive does not own a handle it was given
}

TEST(SkinArchiveTest, OpenFailuresGiveResultCodes) {
  const std::string not_zip = "This is not a zip archive at all, just some text.";
  const std::string& zip = skin_test::SkinZipBytes();
  const std::string truncated = zip.substr(0, zip.size() - 30);
  struct {
    const char* what;
    const void* source;
    uint32_t length;
    int32_t kind;
    uint32_t result;
  } cases[] = {
      {"not a zip", not_zip.data(), static_cast<uint32_t>(not_zip.size()), ui::kArchiveSourceMemory,
       ui::kArchiveCannotOpen},
      {"end record cut off", truncated.data(), static_cast<uint32_t>(truncated.size()),
       ui::kArchiveSourceMemory, ui::kArchiveCannotOpen},
      {"empty block", zip.data(), 0, ui::kArchiveSourceMemory, ui::kArchiveCannotOpen},
      {"missing file", L"no_such_archive.zip", 0, ui::kArchiveSourceName, ui::kArchiveCannotOpen},
      {"unknown kind", zip.data(), 10, 7, ui::kArchiveBadArgument},
      {"handle that cannot seek", INVALID_HANDLE_VALUE, 0, ui::kArchiveSourceHandle,
       ui::kArchiveCannotSeek},
  };
  for (const auto& c : cases) {
    EXPECT_FALSE(SkinArchive::Open(c.source, c.length, c.kind, "")) << c.what;
    EXPECT_EQ(c.result, SkinArchive::LastResult()) << c.what;
  }
}

// A zip of `count` stored entries "e0", "e1", ... whose records claim
// `claimed_size` unpacked bytes each (the data is empty, so they lie).
std::string ManyEntryZip(int count, uint32_t claimed_size, uint16_t end_count = 0) {
  auto u16 = [](uint32_t v) { return std::string{static_cast<char>(v & 0xFF), static_cast<char>((v >> 8) & 0xFF)}; };
  auto u32 = [&u16](uint32_t v) { return u16(v & 0xFFFF) + u16(v >> 16); };
  std::string local, central;
  for (int i = 0; i < count; ++i) {
    const std::string name = "e" + std::to_string(i);
    const uint32_t at = static_cast<uint32_t>(local.size());
    local += std::string("PK\x03\x04", 4) + u16(10) + u16(0) + u16(0) + u16(0) + u16(0x21) +
             u32(0) + u32(0) + u32(claimed_size) + u16(static_cast<uint32_t>(name.size())) + u16(0) + name;
    central += std::string("PK\x01\x02", 4) + u16(20) + u16(10) + u16(0) + u16(0) + u16(0) +
               u16(0x21) + u32(0) + u32(0) + u32(claimed_size) + u16(static_cast<uint32_t>(name.size())) +
               u16(0) + u16(0) + u16(0) + u16(0) + u32(0) + u32(at) + name;
  }
  const uint32_t entries = end_count ? end_count : static_cast<uint32_t>(count);
  const std::string end = std::string("PK\x05\x06", 4) + u16(0) + u16(0) + u16(entries) +
                          u16(entries) + u32(static_cast<uint32_t>(central.size())) +
                          u32(static_cast<uint32_t>(local.size())) + u16(0);
  return local + central + end;
}

TEST(SkinArchiveTest, DirectoriesBeyondTheLimitsAreRefusedWithAReason) {
  testing_support::TempFolder folder;
  struct {
    const char* what;
    std::string zip;
    const wchar_t* problem;  // null: opens
  } cases[] = {
      {"many entries, within the limit", ManyEntryZip(SkinArchive::kMaxEntries, 0), nullptr},
      {"too many entries", ManyEntryZip(SkinArchive::kMaxEntries + 1, 0), L"entries"},
      {"end record says fewer than there are", ManyEntryZip(SkinArchive::kMaxEntries + 50, 0, 0xFFFF),
       L"entries"},
      {"sizes that unpack to too much in all", ManyEntryZip(3, 100u << 20), L"MiB in all"},
  };
  for (const auto& c : cases) {
    // Through a file too: its directory is read in blocks, not byte by byte.
    const std::wstring path = folder.Join(L"many.zip");
    ASSERT_TRUE(testing_support::WriteFileBytes(path, c.zip));
    std::wstring problem;
    auto from_memory = SkinArchive::Open(c.zip.data(), static_cast<uint32_t>(c.zip.size()),
                                         ui::kArchiveSourceMemory, "", &problem);
    auto from_file = SkinArchive::Open(path.c_str(), 0, ui::kArchiveSourceName, "");
    if (!c.problem) {
      ASSERT_TRUE(from_memory) << c.what;
      ASSERT_TRUE(from_file) << c.what;
      int32_t index = -1;
      EXPECT_EQ(ui::kArchiveOk, SkinArchive::FindEntry(from_file.get(), L"e16383", &index, nullptr));
      EXPECT_EQ(SkinArchive::kMaxEntries - 1, index);
      continue;
    }
    EXPECT_FALSE(from_memory) << c.what;
    EXPECT_FALSE(from_file) << c.what;
    EXPECT_EQ(ui::kArchiveCannotOpen, SkinArchive::LastResult()) << c.what;
    EXPECT_NE(std::wstring::npos, problem.find(c.problem)) << c.what;
  }
  // Without a reason to give, the text still says something.
  std::wstring problem;
  EXPECT_FALSE(SkinArchive::Open("not a zip", 9, ui::kArchiveSourceMemory, "", &problem));
  EXPECT_NE(std::wstring::npos, problem.find(L"not a zip archive"));
}

TEST(SkinArchiveTest, FindEntryIgnoresAsciiCaseOnly) {
  auto archive = OpenMemory(skin_test::SkinZipBytes());
  ASSERT_TRUE(archive);
  struct {
    const wchar_t* name;
    uint32_t result;
  } cases[] = {
      {L"resources/lang/en.ini", ui::kArchiveOk},
      {L"Resources/Lang/EN.INI", ui::kArchiveOk},
      {L"resources\\lang\\en.ini", ui::kArchiveNotFound},
      {L"resources/lang/fr.ini", ui::kArchiveNotFound},
      {L"", ui::kArchiveNotFound},
  };
  for (const auto& c : cases) {
    int32_t index = 99;
    ArchiveEntry entry;
    EXPECT_EQ(c.result, SkinArchive::FindEntry(archive.get(), c.name, &index, &entry)) << c.name;
    EXPECT_EQ(c.result, SkinArchive::LastResult());
    if (c.result == ui::kArchiveOk) {
      EXPECT_EQ(0, index);
      EXPECT_STREQ(L"resources/lang/en.ini", entry.name);
    } else {
      EXPECT_EQ(-1, index);
      EXPECT_EQ(-1, entry.index);
    }
  }
  EXPECT_EQ(ui::kArchiveOk,
            SkinArchive::FindEntry(archive.get(), L"RESOURCES/lang/ko.ini", nullptr, nullptr));
  EXPECT_EQ(ui::kArchiveBadArgument, SkinArchive::FindEntry(nullptr, L"x", nullptr, nullptr));
  ArchiveHandle writer;
  writer.kind = 2;
  writer.archive = std::move(archive->archive);
  EXPECT_EQ(ui::kArchiveNotForReading, SkinArchive::FindEntry(&writer, L"x", nullptr, nullptr));
}

TEST(SkinArchiveTest, ExtractsInPiecesAndChecksIndexes) {
  auto archive = OpenMemory(skin_test::EdgeZipBytes());
  ASSERT_TRUE(archive);
  int32_t index = -1;
  ASSERT_EQ(ui::kArchiveOk, SkinArchive::FindEntry(archive.get(), L"ten.bin", &index, nullptr));
  char buffer[4];
  std::string got;
  EXPECT_EQ(ui::kArchiveMore, SkinArchive::ExtractEntry(archive.get(), index, buffer, 4));
  got.append(buffer, 4);
  EXPECT_EQ(ui::kArchiveMore, SkinArchive::ExtractEntry(archive.get(), index, buffer, 4));
  got.append(buffer, 4);
  EXPECT_EQ(ui::kArchiveOk, SkinArchive::ExtractEntry(archive.get(), index, buffer, 4));
  got.append(buffer, 2);
  EXPECT_EQ("0123456789", got);

  ArchiveEntry entry;
  ASSERT_EQ(ui::kArchiveOk, SkinArchive::GetEntry(archive.get(), -1, &entry));
  const int32_t count = entry.index;
  EXPECT_EQ(7, count);
  EXPECT_EQ(ui::kArchiveBadArgument, SkinArchive::GetEntry(archive.get(), count, &entry));
  EXPECT_EQ(ui::kArchiveBadArgument, SkinArchive::GetEntry(archive.get(), -2, &entry));
  EXPECT_EQ(ui::kArchiveBadArgument, SkinArchive::ExtractEntry(archive.get(), count, buffer, 4));
  // -1 is also the mark of "no entry open": it must not pass for one.
  EXPECT_EQ(ui::kArchiveBadArgument, SkinArchive::ExtractEntry(archive.get(), -1, nullptr, 0));
  EXPECT_EQ(ui::kArchiveBadArgument, SkinArchive::ExtractEntry(archive.get(), -1, buffer, 4));
  EXPECT_EQ(ui::kArchiveBadArgument, SkinArchive::ExtractEntry(archive.get(), -2, buffer, 0));

  std::string big;
  EXPECT_EQ(ui::kArchiveBadArgument, SkinArchive::ReadEntry(archive.get(), L"ten.bin", 9, &big));
  EXPECT_EQ(ui::kArchiveOk, SkinArchive::ReadEntry(archive.get(), L"ten.bin", 10, &big));
  EXPECT_EQ("0123456789", big);
}

TEST(SkinArchiveTest, EntriesDescribedWithRelativeNamesAndAttributes) {
  auto archive = OpenMemory(skin_test::EdgeZipBytes());
  ASSERT_TRUE(archive);
  struct {
    int32_t index;
    const wchar_t* name;
    uint32_t attributes;
    int32_t size;
  } cases[] = {
      {0, L"ten.bin", FILE_ATTRIBUTE_ARCHIVE, 10},
      {1, L"inner.txt", FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_READONLY, 5},
      {2, L"drive.txt", FILE_ATTRIBUTE_READONLY, 5},
      {3, L"up.txt", FILE_ATTRIBUTE_ARCHIVE, 2},
      {4, L"dir/", FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_DIRECTORY, 0},
      {5, L"readonly.txt", FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_READONLY, 2},
  };
  for (const auto& c : cases) {
    ArchiveEntry entry;
    ASSERT_EQ(ui::kArchiveOk, SkinArchive::GetEntry(archive.get(), c.index, &entry)) << c.name;
    EXPECT_EQ(c.index, entry.index);
    EXPECT_STREQ(c.name, entry.name);
    EXPECT_EQ(c.attributes, entry.attributes) << c.name;
    EXPECT_EQ(c.size, entry.uncompressed_size) << c.name;
  }
}

TEST(SkinArchiveTest, NamesNeverClimbOutOfTheSkin) {
  struct {
    const wchar_t* stored;
    const wchar_t* relative;
  } cases[] = {
      {L"a/b.xml", L"a/b.xml"},
      {L"/abs/../x/../inner.txt", L"inner.txt"},
      {L"C:\\..\\drive.txt", L"drive.txt"},
      {L"C:/../../d.txt", L"d.txt"},
      {L"..\\..\\up.txt", L"up.txt"},
      {L"a/..", L"a/.."},
      {L"..", L""},
      {L"\\\\server\\share\\x", L"server\\share\\x"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.relative, SkinArchive::MakeRelativeName(c.stored)) << c.stored;
  }
}

std::string Format(FILETIME time, bool local) {
  FILETIME shown = time;
  SYSTEMTIME st{};
  if ((local && !FileTimeToLocalFileTime(&time, &shown)) || !FileTimeToSystemTime(&shown, &st)) {
    return "<bad time>";
  }
  char text[32];
  snprintf(text, sizeof(text), "%04d-%02d-%02d %02d:%02d:%02d", st.wYear, st.wMonth, st.wDay,
           st.wHour, st.wMinute, st.wSecond);
  return text;
}

TEST(SkinArchiveTest, ExtendedTimestampGivesModificationTime) {
  auto archive = OpenMemory(skin_test::EdgeZipBytes());
  ASSERT_TRUE(archive);
  ArchiveEntry entry;
  ASSERT_EQ(ui::kArchiveOk,
            SkinArchive::FindEntry(archive.get(), L"stamped.txt", nullptr, &entry));
  EXPECT_EQ("2024-01-02 03:04:05", Format(entry.modification_time, false));
  // Access and creation keep the DOS time, a local time.
  EXPECT_EQ("2024-05-17 12:30:44", Format(entry.access_time, true));
  EXPECT_EQ("2024-05-17 12:30:44", Format(entry.creation_time, true));
}

TEST(SkinArchiveTest, DamagedEntriesAreNeverReportedWhole) {
  const std::string& zip = skin_test::SkinZipBytes();
  const size_t data = skin_test::LocalDataOffset(zip, "resources/themes/default/global.xml");
  ASSERT_NE(std::string::npos, data);

  std::string flipped = zip;
  flipped[data + 20] = static_cast<char>(flipped[data + 20] ^ 0x5A);
  auto archive = OpenMemory(flipped);
  ASSERT_TRUE(archive);
  EXPECT_EQ("<result " + std::to_string(ui::kArchiveDamaged) + ">",
            Extract(archive.get(), L"resources/themes/default/global.xml"));
  // The other entries still read.
  EXPECT_EQ(0u, Extract(archive.get(), L"resources/lang/ko.ini").find("; "));

  // A local header that does not match its directory record.
  std::string bad_header = zip;
  const size_t header = zip.rfind("PK\x03\x04", data);
  bad_header[header + 3] = 9;
  archive = OpenMemory(bad_header);
  ASSERT_TRUE(archive);
  ArchiveEntry entry;
  EXPECT_EQ(ui::kArchiveBadHeader,
            SkinArchive::FindEntry(archive.get(), L"resources/themes/default/global.xml", nullptr,
                                   &entry));
}

}  // namespace
