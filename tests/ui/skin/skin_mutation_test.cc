// Mutated archives and skins: every one gives a clear error or a result,
// never a crash or a hang.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "skin_test_archives.h"
#include "ui/skin/language_table.h"
#include "ui/skin/markup_document.h"
#include "ui/skin/skin_archive.h"
#include "ui/skin/skin_text.h"

namespace {

using ui::ArchiveEntry;
using ui::SkinArchive;

std::string Mutate(const std::string& input, std::mt19937& random) {
  std::string out = input;
  const int edits = 1 + static_cast<int>(random() % 4);
  for (int i = 0; i < edits && !out.empty(); ++i) {
    const size_t at = random() % out.size();
    switch (random() % 6) {
      case 0:  // flip a bit
        out[at] = static_cast<char>(out[at] ^ (1 << (random() % 8)));
        break;
      case 1:  // a random byte
        out[at] = static_cast<char>(random());
        break;
      case 2:  // an extreme byte, good at wrecking sizes and counts
        out[at] = static_cast<char>(random() % 2 ? 0xFF : 0x00);
        break;
      case 3:  // cut the tail
        out.resize(at);
        break;
      case 4:  // drop a run
        out.erase(at, random() % 16);
        break;
      default:  // repeat a run
        out.insert(at, out.substr(at, random() % 32));
        break;
    }
  }
  return out;
}

// Reads everything the markup offers, as the builder would.
void WalkMarkup(ui::MarkupNode node, int depth) {
  for (; node.IsValid(); node = node.NextSibling()) {
    ASSERT_LE(depth, ui::MarkupDocument::kMaxDepth + 2);
    for (int i = 0, n = node.AttributeCount(); i <= n; ++i) {
      node.AttributeName(i);
      node.AttributeValue(i);
    }
    WalkMarkup(node.FirstChild(), depth + 1);
  }
}

void ReadMarkup(const std::string& bytes) {
  ui::MarkupDocument doc;
  if (doc.LoadUtf8(bytes.data(), bytes.size())) {
    WalkMarkup(doc.GetRoot(), 0);
  } else {
    EXPECT_NE(L'\0', doc.GetErrorMessage()[0]);
  }
}

// No drive, no leading separator, and ".." parts never climb above the start;
// a colon inside a name is only a character.
bool StaysInside(std::wstring name) {
  if (name.size() >= 2 && name[1] == L':') return false;
  for (wchar_t& c : name) {
    if (c == L':') c = L'_';
  }
  return ui::StaysInsideFolder(name);
}

// Answers whether the archive opened, so the run can tell that it went deep.
bool ReadArchive(const std::string& zip) {
  auto archive = SkinArchive::Open(zip.data(), static_cast<uint32_t>(zip.size()),
                                   ui::kArchiveSourceMemory, "");
  if (!archive) {
    EXPECT_NE(ui::kArchiveOk, SkinArchive::LastResult());
    return false;
  }
  ArchiveEntry count;
  EXPECT_EQ(ui::kArchiveOk, SkinArchive::GetEntry(archive.get(), -1, &count));
  for (int32_t i = 0; i < count.index; ++i) {
    ArchiveEntry entry;
    if (SkinArchive::GetEntry(archive.get(), i, &entry) != ui::kArchiveOk) continue;
    EXPECT_TRUE(StaysInside(entry.name)) << entry.name;
    // Pieces of a bounded buffer: a lying size cannot make a huge one.
    char buffer[512];
    uint32_t result = ui::kArchiveMore;
    for (int pieces = 0; result == ui::kArchiveMore && pieces < (1 << 16); ++pieces) {
      result = SkinArchive::ExtractEntry(archive.get(), i, buffer, sizeof(buffer));
    }
    EXPECT_NE(ui::kArchiveMore, result);
    std::string bytes;
    if (SkinArchive::ReadEntry(archive.get(), entry.name, 1 << 20, &bytes) != ui::kArchiveOk) {
      continue;
    }
    const std::wstring name = entry.name;
    if (name.size() > 4 && name.compare(name.size() - 4, 4, L".xml") == 0) ReadMarkup(bytes);
    if (name.size() > 4 && name.compare(name.size() - 4, 4, L".ini") == 0) {
      ui::LanguageTable table;
      table.LoadMemory(bytes.data(), bytes.size());
      table.GetText(L"STRING_TITLE");
    }
  }
  return true;
}

TEST(SkinMutationTest, MutatedArchivesGiveErrorsOrEntries) {
  std::mt19937 random(20240517);
  for (const std::string* zip : {&skin_test::SkinZipBytes(), &skin_test::EdgeZipBytes()}) {
    ASSERT_GT(zip->size(), 100u);
    EXPECT_TRUE(ReadArchive(*zip));
    int opened = 0;
    for (int i = 0; i < 1500 && !HasFailure(); ++i) {
      if (ReadArchive(Mutate(*zip, random))) ++opened;
    }
    // Many mutations land in entry data, past the directory checks.
    EXPECT_GT(opened, 300);
    printf("%d of 1500 mutated archives opened\n", opened);
  }
}

TEST(SkinMutationTest, MutatedSkinsGiveErrorsOrTrees) {
  auto archive = SkinArchive::Open(skin_test::kSkinZip, 0, ui::kArchiveSourceName, "");
  ASSERT_TRUE(archive);
  std::mt19937 random(7);
  for (const wchar_t* name : {L"resources/themes/default/global.xml",
                              L"resources/themes/default/main/main.xml"}) {
    std::string skin;
    ASSERT_EQ(ui::kArchiveOk, SkinArchive::ReadEntry(archive.get(), name, 1 << 20, &skin));
    for (int i = 0; i < 1500 && !HasFailure(); ++i) ReadMarkup(Mutate(skin, random));
  }
}

}  // namespace
