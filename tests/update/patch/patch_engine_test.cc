// Hand-made patches for what bsdiff's own patches do not show: an empty new
// file, a backward step of the old position, add segments reaching outside
// the old file, diff reads running on into the extra block, streams that
// unpack to more than they state, segments larger than the streamed
// applier's blocks, the cancel flag and files that are missing.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "test_support/temp_folder.h"
#include "update/patch/in_memory_patch.h"
#include "update/patch/patch_cancel_flag.h"
#include "update/patch/patch_output_file.h"
#include "update/patch/patch_test_util.h"
#include "update/patch/streamed_patch.h"

namespace {

using patch_test::Bytes;
using patch_test::MakeContainer;
using patch_test::MakeStream;
using patch_test::ReadFileBytes;
using patch_test::ToBytes;
using patch_test::WriteFileBytes;

class PatchEngineTest : public ::testing::Test {
 protected:
  void SetUp() override { PatchCancelFlag = false; }
  void TearDown() override { PatchCancelFlag = false; }

  void Write(const wchar_t* name, const Bytes& bytes) { ASSERT_TRUE(WriteFileBytes(temp_.Join(name), bytes)); }
  Bytes Read(const wchar_t* name) {
    Bytes bytes;
    EXPECT_TRUE(ReadFileBytes(temp_.Join(name), &bytes)) << "missing file";
    return bytes;
  }
  int Streamed(const wchar_t* old_name, const wchar_t* new_name, const wchar_t* patch_name, int* detail) {
    return PatchFileStreamedW(temp_.Join(old_name).c_str(), temp_.Join(new_name).c_str(),
                              temp_.Join(patch_name).c_str(), detail);
  }
  int InMemory(const wchar_t* old_name, const wchar_t* new_name, const wchar_t* patch_name) {
    return PatchFileW(temp_.Join(old_name).c_str(), temp_.Join(new_name).c_str(),
                      temp_.Join(patch_name).c_str());
  }

  testing_support::TempFolder temp_;
};

TEST_F(PatchEngineTest, HandMadePatchesApply) {
  struct Case {
    const char* name;
    Bytes stream;
    std::string expected;
    Bytes container;  // when set, the patch file as it stands
  };
  const Bytes good = MakeStream({{4, 3, 2}, {4, 0, 0}}, {1, 1, 1, 1, 0, 0, 0, 0}, ToBytes("xyz"), 11);
  // The stream followed by `more` zero bytes, stating only `stated` of them.
  auto padded = [&](size_t more, size_t stated) {
    Bytes stream = good;
    stream.resize(good.size() + more, 0);
    const Bytes packed = MakeContainer(stream);
    return patch_test::MakeContainerWithSizes(stream, static_cast<uint32_t>(good.size() + stated),
                                              static_cast<uint32_t>(packed.size() - 8));
  };
  Bytes garbage_control;
  for (int64_t v : {-5, -5, -5}) patch_test::AppendPatchInteger(&garbage_control, v);
  Bytes zero_size = ToBytes("BSDIFN40");
  for (int64_t v : {24, 0, 0}) patch_test::AppendPatchInteger(&zero_size, v);
  zero_size.insert(zero_size.end(), garbage_control.begin(), garbage_control.end());
  const Case cases[] = {
      // New size 0: an empty file, and the (unusable) control block is never read.
      {"empty new file", zero_size, ""},
      // The step moves the old position back to where the first segment began.
      {"backward step", MakeStream({{4, 1, -4}, {4, 0, 0}}, {0, 0, 0, 0, 1, 1, 1, 1}, ToBytes("-"), 9),
       "ABCD-BCDE"},
      // Add segments of length 0 may stand anywhere, inside the old file or not.
      {"empty add segments outside the old file",
       MakeStream({{0, 2, -100}, {0, 1, 500}, {0, 0, -400}, {2, 0, 0}}, {0, 0}, ToBytes("xyz"), 5), "xyzAB"},
      // Old bytes are added only inside the old file; elsewhere the diff
      // bytes stand alone.
      {"add running past the old file's end",
       MakeStream({{4, 3, 3}, {4, 0, 0}}, {1, 1, 1, 1, 0, 0, 0, 5}, ToBytes("xyz"), 11),
       std::string("BCDExyzHIJ\x05", 11)},
      {"add starting before the old file's start",
       MakeStream({{4, 3, -6}, {4, 0, 0}}, {1, 1, 1, 1, 7, 8, 1, 1}, ToBytes("xyz"), 11),
       "BCDExyz\x07\x08" "BC"},
      // Diff bytes are read on into the extra block: the second segment
      // takes "yzxy" of "xyzxyz".
      {"diff reads running into the extra block",
       MakeStream({{4, 3, 2}, {4, 0, 0}}, {1, 1, 1}, ToBytes("xyzxyz"), 11),
       "BCD\xBC" "xyz" "\xC0\xC2\xC1\xC3"},
      // Streams that unpack to more than stated are cut to the stated size:
      // within 1000 bytes more, and within twice the stated size.
      {"stream 500 bytes longer than stated", {}, "BCDExyzGHIJ", padded(500, 0)},
      {"stream near twice its stated size", {}, "BCDExyzGHIJ", padded(3000, 1900)},
  };
  Write(L"old.bin", ToBytes("ABCDEFGHIJ"));
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Write(L"p.patch", c.container.empty() ? MakeContainer(c.stream) : c.container);
    Write(L"s.bin", ToBytes("previous content"));
    int detail = 9;
    EXPECT_EQ(Streamed(L"old.bin", L"s.bin", L"p.patch", &detail), 0);
    EXPECT_EQ(detail, 0);
    EXPECT_EQ(InMemory(L"old.bin", L"m.bin", L"p.patch"), 0);
    for (const wchar_t* name : {L"s.bin", L"m.bin"}) {
      Bytes made = Read(name);
      EXPECT_EQ(std::string(made.begin(), made.end()), c.expected);
    }
  }
}

// An old file and a patch whose segments are larger than the streamed
// applier's 50 MiB blocks: the diff segment crosses a block boundary of the new
// file and the old-data buffer's end, and the extra segment follows it.
struct LargePatch {
  Bytes old_bytes;
  Bytes container;
  Bytes expected;
};

LargePatch MakeLargePatch() {
  LargePatch p;
  const int64_t old_size = kPatchBlockSize + 1234567;
  p.old_bytes.resize(old_size);
  for (int64_t i = 0; i < old_size; ++i) p.old_bytes[i] = static_cast<uint8_t>((i * 7) ^ (i >> 11));
  Bytes diff(old_size + 300);
  for (int64_t i = 0; i < static_cast<int64_t>(diff.size()); ++i) diff[i] = static_cast<uint8_t>(i % 251);
  const Bytes extra(5000, 0x3C);
  // Whole old file plus diff, 5000 extra bytes, then 300 bytes from old offset 77.
  const int64_t new_size = old_size + 5000 + 300;
  p.container = MakeContainer(MakeStream({{old_size, 5000, 77 - old_size}, {300, 0, 0}}, diff, extra, new_size), 1);
  p.expected.resize(new_size);
  for (int64_t i = 0; i < old_size; ++i) p.expected[i] = static_cast<uint8_t>(diff[i] + p.old_bytes[i]);
  std::copy(extra.begin(), extra.end(), p.expected.begin() + old_size);
  for (int64_t i = 0; i < 300; ++i)
    p.expected[old_size + 5000 + i] = static_cast<uint8_t>(diff[old_size + i] + p.old_bytes[77 + i]);
  return p;
}

TEST_F(PatchEngineTest, SegmentsLargerThanABlockAndTheCancelFlag) {
  {
    LargePatch p = MakeLargePatch();
    Write(L"old.bin", p.old_bytes);
    Write(L"p.patch", p.container);
    int detail = 9;
    EXPECT_EQ(Streamed(L"old.bin", L"s.bin", L"p.patch", &detail), 0);
    EXPECT_EQ(detail, 0);
    EXPECT_TRUE(Read(L"s.bin") == p.expected);
    EXPECT_EQ(InMemory(L"old.bin", L"m.bin", L"p.patch"), 0);
    EXPECT_TRUE(Read(L"m.bin") == p.expected);
  }
  // Cancelled after the first full block of the diff segment: nothing replaces
  // the target. The in-memory applier does not look at the flag.
  const Bytes original = ToBytes("ORIGINAL");
  Write(L"s.bin", original);
  PatchCancelFlag = true;
  int detail = 9;
  EXPECT_EQ(Streamed(L"old.bin", L"s.bin", L"p.patch", &detail), kStreamedPatchApplyFailed);
  EXPECT_EQ(detail, kPatchDetailDiffFailed);
  EXPECT_TRUE(Read(L"s.bin") == original);
  EXPECT_FALSE(patch_test::FileExists(temp_.Join(L"s.bin") + PatchOutputFile::kSuffix));
}

TEST_F(PatchEngineTest, CancelFlagStopsAfterATriple) {
  Write(L"old.bin", ToBytes("ABCDEFGHIJ"));
  Write(L"p.patch", MakeContainer(MakeStream({{4, 3, 2}, {4, 0, 0}}, {1, 1, 1, 1, 0, 0, 0, 0}, ToBytes("xyz"), 11)));
  const Bytes original = ToBytes("ORIGINAL");
  Write(L"new.bin", original);
  PatchCancelFlag = true;
  int detail = 9;
  EXPECT_EQ(Streamed(L"old.bin", L"new.bin", L"p.patch", &detail), kStreamedPatchApplyFailed);
  EXPECT_EQ(detail, kPatchDetailCancelled);
  EXPECT_TRUE(Read(L"new.bin") == original);
  EXPECT_FALSE(patch_test::FileExists(temp_.Join(L"new.bin") + PatchOutputFile::kSuffix));
  EXPECT_EQ(InMemory(L"old.bin", L"m.bin", L"p.patch"), 0);

  PatchCancelFlag = false;
  EXPECT_EQ(Streamed(L"old.bin", L"new.bin", L"p.patch", &detail), 0);
  Bytes made = Read(L"new.bin");
  EXPECT_EQ(std::string(made.begin(), made.end()), "BCDExyzGHIJ");
}

TEST_F(PatchEngineTest, MissingFilesAndABlockedTargetAreReported) {
  Write(L"old.bin", ToBytes("ABCDEFGHIJ"));
  Write(L"p.patch", MakeContainer(MakeStream({{4, 3, 2}, {4, 0, 0}}, {1, 1, 1, 1, 0, 0, 0, 0}, ToBytes("xyz"), 11)));
  int detail = 9;
  EXPECT_EQ(Streamed(L"old.bin", L"new.bin", L"none.patch", &detail), kStreamedPatchUnreadable);
  EXPECT_EQ(detail, static_cast<int>(ERROR_FILE_NOT_FOUND));
  detail = 9;
  EXPECT_EQ(Streamed(L"none.bin", L"new.bin", L"p.patch", &detail), kStreamedPatchOldFileFailed);
  EXPECT_EQ(Streamed(L"old.bin", L"no_folder\\new.bin", L"p.patch", &detail), kStreamedPatchNewFileFailed);
  EXPECT_EQ(detail, 9);
  EXPECT_EQ(InMemory(L"old.bin", L"new.bin", L"none.patch"), -1);
  EXPECT_EQ(InMemory(L"none.bin", L"new.bin", L"p.patch"), -1);
  EXPECT_EQ(InMemory(L"old.bin", L"no_folder\\new.bin", L"p.patch"), -1);
  EXPECT_FALSE(patch_test::FileExists(temp_.Join(L"new.bin")));

  // A finished file that cannot take the target's place (a folder stands
  // there) is reported and removed.
  ASSERT_TRUE(CreateDirectoryW(temp_.Join(L"taken").c_str(), nullptr));
  detail = 9;
  EXPECT_EQ(Streamed(L"old.bin", L"taken", L"p.patch", &detail), kStreamedPatchReplaceFailed);
  EXPECT_NE(detail, 0);
  EXPECT_EQ(InMemory(L"old.bin", L"taken", L"p.patch"), -1);
  EXPECT_FALSE(patch_test::FileExists(temp_.Join(L"taken") + PatchOutputFile::kSuffix));
  EXPECT_NE(GetFileAttributesW(temp_.Join(L"taken").c_str()) & FILE_ATTRIBUTE_DIRECTORY, 0u);
}

}  // namespace
