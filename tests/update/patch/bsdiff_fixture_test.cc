// Patches made by Debian's bsdiff (converted at build time into the launcher's
// container) applied by both appliers, through both path forms; the results
// must equal what Debian's bspatch made from the original patches.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/file/path_util.h"
#include "test_support/temp_folder.h"
#include "update/patch/in_memory_patch.h"
#include "update/patch/patch_output_file.h"
#include "update/patch/patch_test_util.h"
#include "update/patch/streamed_patch.h"

namespace {

using patch_test::Bytes;
using patch_test::FileExists;
using patch_test::ReadFileBytes;
using patch_test::WriteFileBytes;

std::wstring FixtureDir() { return base::GetModuleDirectory() + L"patch_fixtures\\"; }

std::vector<std::wstring> CaseNames() {
  Bytes listing;
  std::vector<std::wstring> names;
  if (!ReadFileBytes(FixtureDir() + L"cases.txt", &listing)) return names;
  std::wstring name;
  for (uint8_t c : listing) {
    if (c == '\n') {
      if (!name.empty()) names.push_back(name);
      name.clear();
    } else if (c != '\r') {
      name.push_back(static_cast<wchar_t>(c));
    }
  }
  return names;
}

std::string Narrow(const std::wstring& ascii) { return std::string(ascii.begin(), ascii.end()); }

TEST(BsdiffFixtureTest, BothAppliersRebuildWhatBspatchBuilds) {
  std::vector<std::wstring> names = CaseNames();
  ASSERT_GE(names.size(), 8u) << "fixtures missing in " << Narrow(FixtureDir());
  for (const std::wstring& name : names) {
    SCOPED_TRACE(Narrow(name));
    testing_support::TempFolder temp;
    Bytes old_bytes, expected;
    ASSERT_TRUE(ReadFileBytes(FixtureDir() + name + L".old", &old_bytes));
    ASSERT_TRUE(ReadFileBytes(FixtureDir() + name + L".expected", &expected));
    const std::wstring old_path = temp.Join(L"old.bin");
    const std::wstring patch_path = FixtureDir() + name + L".patch";
    ASSERT_TRUE(WriteFileBytes(old_path, old_bytes));

    // A stale file in the target's place is replaced.
    const std::wstring streamed_w = temp.Join(L"streamed_w.bin");
    ASSERT_TRUE(WriteFileBytes(streamed_w, patch_test::ToBytes("stale content")));
    int detail = 77;
    EXPECT_EQ(PatchFileStreamedW(old_path.c_str(), streamed_w.c_str(), patch_path.c_str(), &detail), 0);
    EXPECT_EQ(detail, 0);

    const std::wstring memory_w = temp.Join(L"memory_w.bin");
    EXPECT_EQ(PatchFileW(old_path.c_str(), memory_w.c_str(), patch_path.c_str()), 0);

    const std::wstring streamed_a = temp.Join(L"streamed_a.bin");
    detail = 77;
    EXPECT_EQ(PatchFileStreamedA(Narrow(old_path).c_str(), Narrow(streamed_a).c_str(),
                                 Narrow(patch_path).c_str(), &detail), 0);
    EXPECT_EQ(detail, 0);

    const std::wstring memory_a = temp.Join(L"memory_a.bin");
    EXPECT_EQ(PatchFileA(Narrow(old_path).c_str(), Narrow(memory_a).c_str(),
                         Narrow(patch_path).c_str()), 0);

    for (const std::wstring& output : {streamed_w, memory_w, streamed_a, memory_a}) {
      Bytes made;
      ASSERT_TRUE(ReadFileBytes(output, &made)) << Narrow(output);
      EXPECT_TRUE(made == expected) << Narrow(output) << ": " << made.size() << " bytes, bspatch made "
                                    << expected.size();
      EXPECT_FALSE(FileExists(output + PatchOutputFile::kSuffix));
    }
    Bytes old_after;
    ASSERT_TRUE(ReadFileBytes(old_path, &old_after));
    EXPECT_TRUE(old_after == old_bytes);
  }
}

}  // namespace
