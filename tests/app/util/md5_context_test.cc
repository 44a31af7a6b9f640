#include "app/util/md5_context.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>

#include "app/util/file_util.h"
#include "app/util/string_util.h"
#include "test_support/temp_folder.h"

namespace {

struct Vector {
  std::string input;
  const char* digest;
};

// RFC 1321's test suite, then lengths around the padding boundary.
const Vector kVectors[] = {
    {"", "d41d8cd98f00b204e9800998ecf8427e"},
    {"a", "0cc175b9c0f1b6a831c399e269772661"},
    {"abc", "900150983cd24fb0d6963f7d28e17f72"},
    {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
    {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
    {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789",
     "d174ab98d277d9f5a5611c2c9f419d9f"},
    {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
     "57edf4a22be3c955ac49da2e2107b67a"},
    {std::string(55, 'a'), "ef1772b6dff9a122358552954ad0df65"},
    {std::string(56, 'a'), "3b0c8ac703f828b04c6c197006d17218"},
    {std::string(57, 'a'), "652b906d60af96844ebd21b674f35e93"},
    {std::string(63, 'a'), "b06521f39153d618550606be297466d5"},
    {std::string(64, 'a'), "014842d480b571495a4a0363793f7367"},
    {std::string(65, 'a'), "c743a45e0d2e6a95cb859adae0248435"},
    {std::string(127, 'a'), "020406e1d05cdc2aa287641f7ae2cc39"},
    {std::string(128, 'a'), "e510683b3f5ffe4093d021808bc6ff70"},
    {std::string(129, 'a'), "b325dc1c6f5e7a2b7cf465b9feab7948"},
};

std::string Digest(const std::string& input) {
  Md5Context context;
  context.Update(input.data(), input.size());
  context.Final();
  return context.DigestText();
}

std::string NarrowPath(const std::wstring& path) {
  std::string narrow;
  WideToMultiByte(path, &narrow, CP_ACP);
  return narrow;
}

TEST(Md5ContextTest, KnownDigests) {
  for (const Vector& v : kVectors) EXPECT_EQ(v.digest, Digest(v.input)) << v.input.size();
}

TEST(Md5ContextTest, ChunkingDoesNotMatter) {
  std::string input(300, '\0');
  for (size_t i = 0; i < input.size(); ++i) input[i] = static_cast<char>(i * 31 + 7);
  const std::string whole = Digest(input);
  for (size_t cut = 0; cut <= input.size(); ++cut) {
    Md5Context context;
    context.Update(input.data(), cut);
    context.Update(input.data() + cut, input.size() - cut);
    context.Final();
    EXPECT_EQ(whole, context.DigestText()) << cut;
  }
}

TEST(Md5ContextTest, FinalLeavesTheRunningContext) {
  Md5Context context;
  context.Update("abc", 3);
  context.Final();
  EXPECT_TRUE(context.finalised());
  EXPECT_EQ("900150983cd24fb0d6963f7d28e17f72", context.DigestText());
  context.Update("defghijklmnopqrstuvwxyz", 23);
  EXPECT_FALSE(context.finalised());
  context.Final();
  EXPECT_EQ("c3fcd3d76192e4007dfb496cca67e13b", context.DigestText());
}

TEST(StreamMd5Test, FilesGiveDigestAndSize) {
  testing_support::TempFolder temp;
  for (const Vector& v : kVectors) {
    const std::wstring path = temp.Join(L"vector.bin");
    ASSERT_TRUE(WriteFileTextW(path, v.input));
    std::ifstream stream(path.c_str(), std::ios::in | std::ios::binary);
    ASSERT_TRUE(stream.is_open());
    std::string digest;
    int64_t size = -1;
    EXPECT_TRUE(GetStreamMd5(stream, &digest, &size));
    EXPECT_FALSE(stream.is_open());
    EXPECT_EQ(v.digest, digest);
    EXPECT_EQ(static_cast<int64_t>(v.input.size()), size);

    EXPECT_TRUE(FileMatchesMd5(NarrowPath(path), v.digest, &digest, &size));
    EXPECT_EQ(v.digest, digest);
    EXPECT_EQ(static_cast<int64_t>(v.input.size()), size);
  }
}

TEST(StreamMd5Test, MatchIgnoresLetterCaseOnly) {
  testing_support::TempFolder temp;
  const std::string path = NarrowPath(temp.Join(L"abc.txt"));
  ASSERT_TRUE(WriteFileTextA(path, "abc"));
  std::string digest;
  int64_t size = -1;
  EXPECT_TRUE(FileMatchesMd5(path, "900150983CD24FB0D6963F7D28E17F72", &digest, &size));
  EXPECT_EQ("900150983cd24fb0d6963f7d28e17f72", digest);
  EXPECT_FALSE(FileMatchesMd5(path, "900150983CD24FB0D6963F7D28E17F73", &digest, &size));
  EXPECT_FALSE(FileMatchesMd5(path, "900150983cd24fb0d6963f7d28e17f7", &digest, &size));
  EXPECT_EQ(3, size);
  EXPECT_FALSE(FileMatchesMd5(path, "", &digest, &size));

  digest = "stale";
  size = 7;
  EXPECT_FALSE(FileMatchesMd5(NarrowPath(temp.Join(L"missing.txt")),
                              "d41d8cd98f00b204e9800998ecf8427e", &digest, &size));
  EXPECT_EQ("", digest);
  EXPECT_EQ(0, size);
}

// Large files written and hashed by the host (md5sum) before this test runs;
// one of them is past 2 GiB, where 32-bit sizes and bit counts break.
TEST(StreamMd5Test, LargeFilesMatchHostDigests) {
  const char* folder = getenv("QUORVEL_MD5_FIXTURE");
  if (!folder) GTEST_SKIP() << "QUORVEL_MD5_FIXTURE is set by CTest";
  std::string windows_folder = std::string("Z:") + folder;
  ReplaceAllA("/", "\\", &windows_folder);
  std::string list;
  ASSERT_TRUE(ReadFileTextA(windows_folder + "\\digests.txt", &list));
  std::istringstream lines(list);
  std::string expected_digest, name;
  int64_t expected_size = 0;
  int files = 0;
  while (lines >> expected_digest >> expected_size >> name) {
    std::string digest;
    int64_t size = -1;
    EXPECT_TRUE(FileMatchesMd5(windows_folder + "\\" + name, expected_digest, &digest, &size))
        << name;
    EXPECT_EQ(expected_digest, digest) << name;
    EXPECT_EQ(expected_size, size) << name;
    ++files;
  }
  EXPECT_EQ(2, files);
}

}  // namespace
