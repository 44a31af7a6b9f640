// The digester's thread: copies and read-backs in any mix give the file's
// digest; unreadable or short files are judged whole; an abandoned file is
// let go of at once.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "app/util/md5_context.h"
#include "test_support/file_bytes.h"
#include "test_support/temp_folder.h"
#include "update/download/file_digester.h"

namespace {

std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

std::string Md5Text(const std::string& bytes) {
  Md5Context context;
  context.Update(bytes.data(), bytes.size());
  context.Final();
  return context.DigestText();
}

std::string Pattern(size_t size, unsigned seed) {
  std::string bytes(size, '\0');
  unsigned value = seed;
  for (char& c : bytes) {
    value = value * 1103515245u + 12345u;
    c = static_cast<char>(value >> 16);
  }
  return bytes;
}

// Waits (bounded) for `file` to come back from the digester.
bool WaitFor(FileDigester* digester, const std::shared_ptr<HashedFile>& file) {
  for (int i = 0; i < 2000; ++i) {
    for (const auto& done : digester->TakeFinished()) {
      if (done == file) return true;
    }
    digester->WaitForFinished(5);
  }
  return false;
}

class FileDigesterTest : public testing::Test {
 protected:
  std::string Path(const char* name) {
    return Narrow(folder_.Join(std::wstring(name, name + strlen(name))));
  }

  testing_support::TempFolder folder_;
  FileDigester digester_;
};

// Each step hands over [queued, until): as a copy ('c') or to be read back
// ('r'); a copy too big for the ring is refused and read back instead.
TEST_F(FileDigesterTest, AnyMixOfCopiesAndReadBacksGivesTheDigest) {
  struct Case {
    const char* name;
    size_t size;
    std::vector<std::pair<char, size_t>> steps;  // kind, until
  };
  const size_t kMiB = 1024 * 1024;
  const std::vector<Case> cases = {
      {"copies", 300000, {{'c', 1000}, {'c', 70000}, {'c', 300000}}},
      {"read_back", 3 * kMiB + 7, {{'r', kMiB}, {'r', 3 * kMiB + 7}}},
      {"mixed", 2 * kMiB, {{'c', 4096}, {'r', kMiB + 3}, {'c', kMiB + 5000}, {'r', 2 * kMiB}}},
      {"finish_reads_the_rest", kMiB, {{'c', 100}}},
      {"over_the_ring", 17 * kMiB, {{'c', 17 * kMiB}}},
      {"around_the_ring", 40 * kMiB + 3, {}},
  };
  for (Case c : cases) {
    SCOPED_TRACE(c.name);
    if (c.steps.empty()) {
      // Copies of uneven sizes, past the ring's end more than once.
      for (size_t until = 999999; until < c.size; until += 999999) c.steps.push_back({'c', until});
      c.steps.push_back({'c', c.size});
    }
    const std::string bytes = Pattern(c.size, static_cast<unsigned>(c.size));
    const std::string path = Path(c.name);
    ASSERT_TRUE(testing_support::WriteFileBytes(path, bytes));
    auto file = std::make_shared<HashedFile>(Md5Text(bytes), static_cast<int64_t>(c.size));
    for (const auto& step : c.steps) {
      const int64_t from = file->queued();
      const int64_t until = static_cast<int64_t>(step.second);
      if (step.first == 'c') {
        // A full ring refuses the copy (always so past its size): the engine
        // then leaves the bytes to be read back.
        const bool taken = digester_.Add(file, bytes.data() + from, until - from);
        if (until - from > 16 * static_cast<int64_t>(kMiB)) {
          EXPECT_FALSE(taken);
        }
        if (!taken) digester_.ReadBack(file, path, until);
      } else {
        digester_.ReadBack(file, path, until);
      }
      EXPECT_EQ(file->queued(), until);
    }
    digester_.Finish(file, path);
    ASSERT_TRUE(WaitFor(&digester_, file));
    EXPECT_TRUE(file->right());
    EXPECT_EQ(file->actual(), Md5Text(bytes));
    // A right file written in place is flushed before its verdict.
    EXPECT_TRUE(file->placed()) << file->place_error();
  }
}

TEST_F(FileDigesterTest, WrongShortOrMissingFilesAreNotRight) {
  const std::string bytes = Pattern(200000, 7);
  std::string changed = bytes;
  changed[123456] ^= 1;
  const std::string changed_path = Path("changed");
  ASSERT_TRUE(testing_support::WriteFileBytes(changed_path, changed));
  const std::string short_path = Path("short");
  ASSERT_TRUE(testing_support::WriteFileBytes(short_path, bytes.substr(0, 150000)));

  struct Case {
    const char* name;
    std::string path;
    std::string expected_actual;
  };
  const std::vector<Case> cases = {
      {"changed_bytes", changed_path, Md5Text(changed)},
      // A read-back runs short: the file is judged whole, and it is short.
      {"short_file", short_path, Md5Text(bytes.substr(0, 150000))},
      {"missing_file", Path("missing"), ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto file = std::make_shared<HashedFile>(Md5Text(bytes), 200000);
    digester_.ReadBack(file, c.path, 180000);
    digester_.Finish(file, c.path);
    ASSERT_TRUE(WaitFor(&digester_, file));
    EXPECT_FALSE(file->right());
    EXPECT_EQ(file->actual(), c.expected_actual);
    EXPECT_FALSE(file->placed());
  }
}

TEST_F(FileDigesterTest, AbandonedFileIsLetGoAtOnce) {
  const std::string bytes = Pattern(48 * 1024 * 1024, 3);
  const std::string path = Path("big");
  ASSERT_TRUE(testing_support::WriteFileBytes(path, bytes));
  auto file = std::make_shared<HashedFile>(Md5Text(bytes), static_cast<int64_t>(bytes.size()));
  digester_.ReadBack(file, path, static_cast<int64_t>(bytes.size()));
  digester_.Finish(file, path);
  digester_.Wake();
  Sleep(5);  // likely mid-read; either way the file must be free afterwards
  digester_.Abandon(file);
  // Nothing of it is read any more: it can be replaced and reopened at once.
  ASSERT_TRUE(DeleteFileA(path.c_str()));
  HANDLE again = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
  EXPECT_NE(again, INVALID_HANDLE_VALUE);
  CloseHandle(again);
  // And it is never reported.
  digester_.WaitForFinished(50);
  EXPECT_TRUE(digester_.TakeFinished().empty());

  // The digester goes on with other files.
  auto other = std::make_shared<HashedFile>(Md5Text("abc"), 3);
  EXPECT_TRUE(digester_.Add(other, "abc", 3));
  digester_.Finish(other, path);
  ASSERT_TRUE(WaitFor(&digester_, other));
  EXPECT_TRUE(other->right());
}

// A small file's bytes come whole: when right they are written beside their
// place and moved there; otherwise, or when that fails, nothing is left.
TEST_F(FileDigesterTest, WholeBytesArePlacedOnlyWhenRight) {
  const std::string bytes = Pattern(70000, 9);
  std::string wrong = bytes;
  wrong[5] ^= 1;
  // A file where a folder should be: nothing can be written under it.
  const std::string blocker = Path("blocker");
  ASSERT_TRUE(testing_support::WriteFileBytes(blocker, "x"));
  // A file the game holds open cannot be replaced.
  const std::string held_place = Path("held");
  ASSERT_TRUE(testing_support::WriteFileBytes(held_place, "old"));
  HANDLE held = CreateFileA(held_place.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);

  struct Case {
    const char* name;
    std::string content;
    std::string place;
    bool placed;
    const char* error;  // start of place_error()
    std::string left;   // what the place holds afterwards
  };
  const std::vector<Case> cases = {
      {"right", bytes, Path("right"), true, "", bytes},
      {"new_folder", bytes, Path("made\\below\\it"), true, "", bytes},
      {"wrong", wrong, Path("wrong"), false, "", "<missing>"},
      {"unwritable", bytes, blocker + "\\a.bin", false, "write:", "<missing>"},
      {"held", bytes, held_place, false, "move:", "old"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto file = std::make_shared<HashedFile>(Md5Text(bytes), static_cast<int64_t>(bytes.size()));
    const std::string staged = c.place + ".part";
    digester_.Finish(file, staged, c.content, c.place);
    ASSERT_TRUE(WaitFor(&digester_, file));
    EXPECT_EQ(file->right(), c.content == bytes);
    EXPECT_EQ(file->placed(), c.placed);
    EXPECT_EQ(file->place_error().rfind(c.error, 0), 0u) << file->place_error();
    EXPECT_EQ(testing_support::ReadFileBytes(c.place), c.left);
    EXPECT_EQ(GetFileAttributesA(staged.c_str()), INVALID_FILE_ATTRIBUTES);
  }
  CloseHandle(held);

  // Abandoned before its turn: nothing is written (or, had it been reached
  // first, all of it).
  auto file = std::make_shared<HashedFile>(Md5Text(bytes), static_cast<int64_t>(bytes.size()));
  digester_.Finish(file, Path("abandoned.part"), bytes, Path("abandoned"));
  digester_.Abandon(file);
  const std::string there = testing_support::ReadFileBytes(Path("abandoned"));
  EXPECT_TRUE(there == "<missing>" || there == bytes);
}

TEST(FileDigesterLifetimeTest, DestroyedWithWorkPending) {
  testing_support::TempFolder folder;
  const std::string path = Narrow(folder.Join(L"pending"));
  const std::string bytes = Pattern(32 * 1024 * 1024, 5);
  ASSERT_TRUE(testing_support::WriteFileBytes(path, bytes));
  {
    FileDigester digester;
    for (int i = 0; i < 4; ++i) {
      auto file = std::make_shared<HashedFile>(Md5Text(bytes), static_cast<int64_t>(bytes.size()));
      digester.ReadBack(file, path, static_cast<int64_t>(bytes.size()));
      digester.Finish(file, path);
    }
    digester.Wake();
  }  // must return promptly, without the pending work
  EXPECT_TRUE(DeleteFileA(path.c_str()));
}

}  // namespace
