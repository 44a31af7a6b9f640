// Broken patches of every kind are refused by both appliers without a crash,
// with the expected codes, and the target file stays as it was.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "test_support/temp_folder.h"
#include "update/patch/in_memory_patch.h"
#include "update/patch/patch_container.h"
#include "update/patch/patch_file_util.h"
#include "update/patch/patch_output_file.h"
#include "update/patch/patch_test_util.h"
#include "update/patch/streamed_patch.h"

namespace {

using patch_test::Bytes;
using patch_test::MakeContainer;
using patch_test::MakeContainerWithSizes;
using patch_test::MakeStream;
using patch_test::ToBytes;
using patch_test::Triple;

constexpr int kUntouched = 12345;  // the detail must keep the caller's value

const Bytes kOld = ToBytes("ABCDEFGHIJ");

// A sound patch of kOld: "BCDE" (diff +1), "xyz" (extra), then "GHIJ".
Bytes GoodStream() {
  return MakeStream({{4, 3, 2}, {4, 0, 0}}, {1, 1, 1, 1, 0, 0, 0, 0}, ToBytes("xyz"), 11);
}

Bytes StreamWithHeaderField(int offset, const Bytes& field) {
  Bytes stream = GoodStream();
  std::copy(field.begin(), field.end(), stream.begin() + offset);
  return stream;
}

Bytes Integer(int64_t value) {
  Bytes out;
  patch_test::AppendPatchInteger(&out, value);
  return out;
}

uint32_t GoodLength() { return static_cast<uint32_t>(GoodStream().size()); }

uint32_t PackedLength(const Bytes& container) { return static_cast<uint32_t>(container.size() - 8); }

struct BrokenCase {
  const char* name;
  std::function<Bytes()> make;  // the patch file's content
  int container;                // ReadPatchContainer's result
  int streamed;                 // PatchFileStreamedW's result
  int detail;                   // its detail code
};

const BrokenCase kCases[] = {
    // The container.
    {"empty file", [] { return Bytes(); }, kContainerUnpackedSizeShort, -1, kUntouched},
    {"cut inside the sizes", [] { Bytes c = MakeContainer(GoodStream()); c.resize(6); return c; },
     kContainerPackedSizeShort, -1, kUntouched},
    {"truncated packed bytes",
     [] { Bytes c = MakeContainer(GoodStream()); c.resize(c.size() - 10); return c; },
     kContainerPackedShort, -1, kUntouched},
    {"packed size longer than the file",
     [] { Bytes c = MakeContainer(GoodStream()); return MakeContainerWithSizes(GoodStream(), GoodLength(), PackedLength(c) + 100); },
     kContainerPackedShort, -1, kUntouched},
    {"packed size shorter than the zlib stream",
     [] { Bytes c = MakeContainer(GoodStream()); return MakeContainerWithSizes(GoodStream(), GoodLength(), PackedLength(c) - 5); },
     kContainerInflateFailed, -1, kUntouched},
    {"packed size negative",
     [] { return MakeContainerWithSizes(GoodStream(), GoodLength(), 0x80000000u); },
     kContainerSizesOutOfRange, -1, kUntouched},
    {"junk after the zlib stream inside the packed size",
     [] { Bytes c = MakeContainerWithSizes(GoodStream(), GoodLength(), PackedLength(MakeContainer(GoodStream())) + 4);
          for (int i = 0; i < 4; ++i) c.push_back(0x5A);
          return c; },
     kContainerInflateFailed, -1, kUntouched},
    {"unpacked size one more than the stream",
     [] { Bytes c = MakeContainer(GoodStream()); return MakeContainerWithSizes(GoodStream(), GoodLength() + 1, PackedLength(c)); },
     kContainerInflateFailed, -1, kUntouched},
    // Cut to its stated size, the stream loses the extra block's last byte.
    {"unpacked size one less than the stream",
     [] { Bytes c = MakeContainer(GoodStream()); return MakeContainerWithSizes(GoodStream(), GoodLength() - 1, PackedLength(c)); },
     kContainerOk, -12, -5},
    {"unpacked size far below the stream",
     [] { Bytes s = GoodStream(); s.resize(s.size() + 3000, 0);
          Bytes c = MakeContainer(s); return MakeContainerWithSizes(s, 1200, PackedLength(c)); },
     kContainerInflateFailed, -1, kUntouched},
    {"unpacked size 4 GiB",
     [] { Bytes c = MakeContainer(GoodStream()); return MakeContainerWithSizes(GoodStream(), 0xFFFFFFFFu, PackedLength(c)); },
     kContainerSizesOutOfRange, -1, kUntouched},
    {"unpacked size beyond what the packed bytes can hold",
     [] { Bytes c = MakeContainer(GoodStream()); return MakeContainerWithSizes(GoodStream(), 100000000u, PackedLength(c)); },
     kContainerSizesOutOfRange, -1, kUntouched},
    {"corrupt deflate data",
     [] { Bytes c = MakeContainer(GoodStream()); c[c.size() / 2] ^= 0x55; c[c.size() - 2] ^= 0x55; return c; },
     kContainerInflateFailed, -1, kUntouched},
    // The stream header.
    {"bad magic", [] { Bytes s = GoodStream(); s[6] = 'F'; return MakeContainer(s); }, kContainerOk, -2, kUntouched},
    {"stream shorter than its header", [] { Bytes s = GoodStream(); s.resize(20); return MakeContainer(s); },
     kContainerOk, -2, kUntouched},
    {"negative control length", [] { return MakeContainer(StreamWithHeaderField(8, Integer(-48))); },
     kContainerOk, -2, kUntouched},
    {"negative diff length", [] { return MakeContainer(StreamWithHeaderField(16, Integer(-8))); },
     kContainerOk, -2, kUntouched},
    {"negative new size", [] { return MakeContainer(StreamWithHeaderField(24, Integer(-11))); },
     kContainerOk, -2, kUntouched},
    {"length beyond 32 bits",
     [] { Bytes field = Integer(48); field[4] = 1; return MakeContainer(StreamWithHeaderField(8, field)); },
     kContainerOk, -2, kUntouched},
    {"control block past the stream", [] { return MakeContainer(StreamWithHeaderField(8, Integer(1000000))); },
     kContainerOk, -8, 0},
    {"diff block past the stream", [] { return MakeContainer(StreamWithHeaderField(16, Integer(1000000))); },
     kContainerOk, -9, 0},
    // The triples.
    {"control block cut off",
     [] { return MakeContainer(MakeStream({{4, 3, 2}}, {1, 1, 1, 1, 0, 0, 0, 0}, ToBytes("xyz"), 11)); },
     kContainerOk, -12, -1},
    {"second triple hidden in the diff block",
     [] { Bytes diff = {1, 1, 1, 1};
          for (int64_t v : {4, 0, 0}) patch_test::AppendPatchInteger(&diff, v);
          diff.insert(diff.end(), 4, 0);
          return MakeContainer(MakeStream({{4, 3, 2}}, diff, ToBytes("xyz"), 11)); },
     kContainerOk, -12, -1},
    {"negative add length",
     [] { return MakeContainer(MakeStream({{-4, 3, 2}, {4, 0, 0}}, {1, 1, 1, 1, 0, 0, 0, 0}, ToBytes("xyz"), 11)); },
     kContainerOk, -12, -2},
    {"negative copy length",
     [] { return MakeContainer(MakeStream({{4, -3, 2}, {4, 0, 0}}, {1, 1, 1, 1, 0, 0, 0, 0}, ToBytes("xyz"), 11)); },
     kContainerOk, -12, -2},
    {"add length past the new size",
     [] { return MakeContainer(MakeStream({{12, 0, 0}}, Bytes(12, 0), Bytes(), 11)); },
     kContainerOk, -12, -2},
    {"copy length past the new size",
     [] { return MakeContainer(MakeStream({{4, 8, 0}}, {1, 1, 1, 1}, ToBytes("xyzxyzxy"), 11)); },
     kContainerOk, -12, -4},
    {"step beyond 31 bits",
     [] { Bytes s = GoodStream(); s[32 + 16 + 3] = 0x80; return MakeContainer(s); },
     kContainerOk, -12, -2},
    {"diff segment past the stream's end",
     [] { return MakeContainer(MakeStream({{4, 3, 2}, {4, 0, 0}}, {1, 1, 1}, ToBytes("xyz"), 11)); },
     kContainerOk, -12, -3},
    {"extra segment past the stream",
     [] { return MakeContainer(MakeStream({{4, 3, 2}, {4, 0, 0}}, {1, 1, 1, 1, 0, 0, 0, 0}, ToBytes("xy"), 11)); },
     kContainerOk, -12, -5},
};

TEST(PatchRefusalTest, GoodPatchOfTheTableApplies) {
  testing_support::TempFolder temp;
  const std::wstring old_path = temp.Join(L"old.bin"), patch_path = temp.Join(L"p.patch");
  ASSERT_TRUE(patch_test::WriteFileBytes(old_path, kOld));
  ASSERT_TRUE(patch_test::WriteFileBytes(patch_path, MakeContainer(GoodStream())));
  int detail = kUntouched;
  ASSERT_EQ(PatchFileStreamedW(old_path.c_str(), temp.Join(L"s.bin").c_str(), patch_path.c_str(), &detail), 0);
  ASSERT_EQ(PatchFileW(old_path.c_str(), temp.Join(L"m.bin").c_str(), patch_path.c_str()), 0);
  for (const wchar_t* name : {L"s.bin", L"m.bin"}) {
    Bytes made;
    ASSERT_TRUE(patch_test::ReadFileBytes(temp.Join(name), &made));
    EXPECT_EQ(std::string(made.begin(), made.end()), "BCDExyzGHIJ");
  }
}

TEST(PatchRefusalTest, BrokenPatchesAreRefusedAndTheTargetStays) {
  for (const BrokenCase& c : kCases) {
    SCOPED_TRACE(c.name);
    testing_support::TempFolder temp;
    const std::wstring old_path = temp.Join(L"old.bin"), patch_path = temp.Join(L"p.patch"),
                       target = temp.Join(L"new.bin");
    const Bytes original = ToBytes("ORIGINAL TARGET");
    ASSERT_TRUE(patch_test::WriteFileBytes(old_path, kOld));
    ASSERT_TRUE(patch_test::WriteFileBytes(patch_path, c.make()));
    ASSERT_TRUE(patch_test::WriteFileBytes(target, original));

    {
      ScopedFileHandle patch(OpenFileForPatchRead(patch_path.c_str()));
      std::unique_ptr<uint8_t[]> stream;
      int64_t length = -5;
      EXPECT_EQ(ReadPatchContainer(patch.get(), &stream, &length), c.container);
      if (c.container != kContainerOk) {
        EXPECT_EQ(stream, nullptr);
        EXPECT_EQ(length, -5);
      }
    }

    int detail = kUntouched;
    EXPECT_EQ(PatchFileStreamedW(old_path.c_str(), target.c_str(), patch_path.c_str(), &detail), c.streamed);
    EXPECT_EQ(detail, c.detail);
    EXPECT_EQ(PatchFileW(old_path.c_str(), target.c_str(), patch_path.c_str()), -1);

    Bytes after, old_after;
    ASSERT_TRUE(patch_test::ReadFileBytes(target, &after));
    EXPECT_TRUE(after == original);
    EXPECT_FALSE(patch_test::FileExists(target + PatchOutputFile::kSuffix));
    ASSERT_TRUE(patch_test::ReadFileBytes(old_path, &old_after));
    EXPECT_TRUE(old_after == kOld);
  }
}

}  // namespace
