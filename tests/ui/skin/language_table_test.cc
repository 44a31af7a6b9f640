#include "ui/skin/language_table.h"

#include <gtest/gtest.h>

#include <string>

#include "skin_test_archives.h"
#include "test_support/file_bytes.h"
#include "test_support/temp_folder.h"
#include "ui/skin/skin_archive.h"

namespace {

using ui::LanguageTable;

// A language file as the test archive holds it (CR LF line ends).
std::string SourceFile(const std::wstring& name) {
  auto archive = ui::SkinArchive::Open(skin_test::kSkinZip, 0, ui::kArchiveSourceName, "");
  std::string bytes;
  if (archive) {
    ui::SkinArchive::ReadEntry(archive.get(), (L"resources/lang/" + name).c_str(), 1 << 20, &bytes);
  }
  return bytes;
}

TEST(LanguageTableTest, LinesOfTheFormat) {
  LanguageTable table;
  const std::string en = SourceFile(L"en.ini");
  ASSERT_NE(std::string::npos, en.find("\r\n"));
  ASSERT_TRUE(table.LoadMemory(en.data(), en.size()));
  struct {
    const wchar_t* id;
    const wchar_t* text;
  } cases[] = {
      {L"STRING_TITLE", L"Quorvel Launcher"},
      {L"STRING_CLOSE", L"Close"},
      {L"STRING_CONFIRM", L"Confirm"},  // tabs and blanks around "="
      {L"STRING_TWO_LINES", L"First line\nSecond line\r\nThird"},
      {L"STRING_DOUBLE", L"After two signs"},
      {L"STRING_EMPTY_TEXT", L""},
      {L"STRING_TWO_SIGNS", L""},
      {L";STRING_COMMENTED", L""},
      {L"STRING_COMMENTED", L""},
      {L"STRING_SEMI;COLON", L""},
      {L"STRING_REPEATED", L"Second"},
      {L"STRING_DOWNLOAD_SPEED", L"%ls/s"},
      {L"[Strings]", L""},
      {L"", L""},
      {L"STRING_MISSING", L""},
  };
  for (const auto& c : cases) EXPECT_EQ(c.text, table.GetText(c.id)) << c.id;
}

TEST(LanguageTableTest, OverridesWinOnlyForIdsOfTheFile) {
  LanguageTable table;
  const std::string en = "STRING_ONLY_IN_FILE = From file\nSTRING_BOTH = file\n";
  table.LoadMemory(en.data(), en.size());
  table.SetOverride(L"STRING_BOTH", L"override\\nsecond");
  table.SetOverride(L"STRING_ONLY_OVERRIDE", L"override");
  EXPECT_EQ(L"override\nsecond", table.GetText(L"STRING_BOTH"));
  EXPECT_EQ(L"", table.GetText(L"STRING_ONLY_OVERRIDE"));
  EXPECT_EQ(L"From file", table.GetText(L"STRING_ONLY_IN_FILE"));
  // A load clears the overrides too.
  table.LoadMemory(en.data(), en.size());
  EXPECT_EQ(L"file", table.GetText(L"STRING_BOTH"));
}

TEST(LanguageTableTest, DiskAndArchiveRoadsAgree) {
  const std::string ko_crlf = SourceFile(L"ko.ini");
  ASSERT_FALSE(ko_crlf.empty());
  std::string ko_lf = ko_crlf;
  for (size_t at; (at = ko_lf.find("\r\n")) != std::string::npos;) ko_lf.erase(at, 1);

  testing_support::TempFolder folder;
  ASSERT_TRUE(testing_support::WriteFileBytes(folder.Join(L"ko.ini"), ko_crlf));
  LanguageTable from_disk, from_lf, from_crlf;
  ASSERT_TRUE(from_disk.LoadFile(folder.Join(L"ko.ini")));
  from_lf.LoadMemory(ko_lf.data(), ko_lf.size());
  from_crlf.LoadMemory(ko_crlf.data(), ko_crlf.size());
  for (const wchar_t* id : {L"STRING_TITLE", L"STRING_CLOSE", L"STRING_CONFIRM", L"STRING_TWO_LINES"}) {
    EXPECT_FALSE(from_disk.GetText(id).empty()) << id;
    EXPECT_EQ(from_disk.GetText(id), from_lf.GetText(id)) << id;
    EXPECT_EQ(from_disk.GetText(id), from_crlf.GetText(id)) << id;
  }
  EXPECT_EQ(L"\xCCAB \xC904\n\xB458\xC9F8 \xC904", from_disk.GetText(L"STRING_TWO_LINES"));
  EXPECT_EQ("\xEB\x8B\xAB\xEA\xB8\xB0", from_disk.GetTextUtf8("STRING_CLOSE"));
  EXPECT_EQ("", from_disk.GetTextUtf8("STRING_NONE"));
}

TEST(LanguageTableTest, MissingFileEmptiesTheTable) {
  LanguageTable table;
  const std::string en = "A = a\n";
  table.LoadMemory(en.data(), en.size());
  EXPECT_FALSE(table.LoadFile(L"Q:\\no\\such\\lang.ini"));
  EXPECT_EQ(L"", table.GetText(L"A"));
}

TEST(LanguageTableTest, LongDiskLineArrivesInPieces) {
  // 4,095 bytes reach the first piece; the rest is a line of its own.
  std::string first = "LONG_ONE = " + std::string(4095 - 11, 'x');
  const std::string line = first + "TAIL = tail\n";
  testing_support::TempFolder folder;
  ASSERT_TRUE(testing_support::WriteFileBytes(folder.Join(L"long.ini"), line));
  LanguageTable table;
  ASSERT_TRUE(table.LoadFile(folder.Join(L"long.ini")));
  EXPECT_EQ(std::wstring(4095 - 11, L'x'), table.GetText(L"LONG_ONE"));
  EXPECT_EQ(L"tail", table.GetText(L"TAIL"));
  // From memory the same line stays whole and holds two "=": ignored.
  table.LoadMemory(line.data(), line.size());
  EXPECT_EQ(L"", table.GetText(L"LONG_ONE"));
}

TEST(LanguageTableTest, NulBytesEndLinesInMemory) {
  const std::string block("A = a\0B = b", 11);
  LanguageTable table;
  table.LoadMemory(block.data(), block.size());
  EXPECT_EQ(L"a", table.GetText(L"A"));
  EXPECT_EQ(L"b", table.GetText(L"B"));
}

}  // namespace
