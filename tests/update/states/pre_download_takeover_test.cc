// Taking files over from a pre-download folder into the staging folder:
// every combination of what the pre-download holds and what the staging
// folder already has.
#include "update/states/pre_download_takeover.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "app/util/file_util.h"
#include "app/util/md5_context.h"
#include "test_support/file_bytes.h"
#include "test_support/temp_folder.h"
#include "update/download/resume_info.h"

namespace {

using testing_support::ReadFileBytes;
using testing_support::WriteFileBytes;

std::string Md5Of(const std::string& bytes) {
  Md5Context context;
  context.Update(bytes.data(), bytes.size());
  context.Final();
  return context.DigestText();
}

bool Exists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

const char kWhole[] = "the whole file as the servers hold it";
const char kPartial[] = "the whole";  // the first bytes, the rest to come
const char kOwn[] = "the staging folder's own first bytes";

// A resume record for `md5` with the bytes from 9 on still to fetch.
std::string Record(const std::string& md5) {
  return "{\"infoList\":[{\"begin\":9,\"end\":" + std::to_string(sizeof(kWhole) - 2) +
         ",\"index\":0}],\"md5\":\"" + md5 + "\"}";
}

enum Cache { kNoCache, kCompleteCache, kWrongCache, kPartialCache };
enum Target { kNoTarget, kTargetSameRecord, kTargetOtherRecord, kTargetNoRecord };

struct TakeoverCase {
  const char* name;
  Cache cache;
  Target target;
  const char* file;       // the name below the staging folder
  int returned;
  const char* staged;     // the staged file's bytes afterwards ("" none)
  bool staged_record;     // a record beside it afterwards
  bool cache_left;        // the pre-download file still there
};

class TakeoverTest : public ::testing::TestWithParam<TakeoverCase> {};

TEST_P(TakeoverTest, TakesOnlyWhatIsRightAndLosesNothing) {
  const TakeoverCase& c = GetParam();
  testing_support::TempFolder folder;
  const std::string root(folder.path().begin(), folder.path().end());
  const std::string cache_folder = root + "\\predownload\\3_2_0";
  const std::string staging = root + "\\update";
  CreateDirectoriesA(cache_folder);
  CreateDirectoriesA(staging);
  const std::string md5 = Md5Of(kWhole);
  const std::string cache = cache_folder + "\\" + md5;
  switch (c.cache) {
    case kNoCache: break;
    case kCompleteCache: WriteFileBytes(cache, kWhole); break;
    case kWrongCache: WriteFileBytes(cache, std::string(kWhole) + "?"); break;
    case kPartialCache:
      WriteFileBytes(cache, kPartial);
      WriteFileBytes(ResumeRecordPath(cache), Record(md5));
      break;
  }
  const std::string target = NormalizePathA(staging + "\\" + c.file, false);
  if (c.target != kNoTarget) {
    CreateParentFoldersA(target);
    WriteFileBytes(target, kOwn);
  }
  if (c.target == kTargetSameRecord) WriteFileBytes(ResumeRecordPath(target), Record(md5));
  if (c.target == kTargetOtherRecord) {
    WriteFileBytes(ResumeRecordPath(target), Record(Md5Of("another file")));
  }

  EXPECT_EQ(c.returned, TakePreDownloadedFile(cache_folder, staging, c.file, md5));
  if (*c.staged) {
    EXPECT_EQ(c.staged, ReadFileBytes(target));
  } else {
    EXPECT_FALSE(Exists(target));
  }
  EXPECT_EQ(c.staged_record, Exists(ResumeRecordPath(target)));
  if (c.staged_record && c.cache == kPartialCache && c.target != kTargetSameRecord) {
    EXPECT_TRUE(ResumeInfoMatches(target, md5));  // the pre-download's record came along
  }
  EXPECT_EQ(c.cache_left, Exists(cache));
  // Nothing ever lands outside the staging folder.
  EXPECT_FALSE(Exists(root + "\\evil.dll"));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TakeoverTest,
    ::testing::Values(
        TakeoverCase{"NothingPreDownloaded", kNoCache, kNoTarget, "a.dll", 0, "", false, false},
        TakeoverCase{"WholeFileMoves", kCompleteCache, kNoTarget, "a.dll", 1, kWhole, false,
                     false},
        TakeoverCase{"WholeFileIntoNewFolders", kCompleteCache, kNoTarget, "x/y/a.dll", 1,
                     kWhole, false, false},
        TakeoverCase{"WrongFileIsDroppedAndFetched", kWrongCache, kNoTarget, "a.dll", 0, "",
                     false, false},
        TakeoverCase{"WrongFileLeavesTheOwnPartAlone", kWrongCache, kTargetSameRecord, "a.dll", 0,
                     kOwn, true, false},
        TakeoverCase{"PartialFileMovesWithItsRecord", kPartialCache, kNoTarget, "a.dll", 0,
                     kPartial, true, false},
        TakeoverCase{"WholeFileReplacesOwnPart", kCompleteCache, kTargetSameRecord, "a.dll", 1,
                     kWhole, false, false},
        TakeoverCase{"OwnPartGoesOn", kPartialCache, kTargetSameRecord, "a.dll", 0, kOwn, true,
                     true},
        TakeoverCase{"WholeFileReplacesOtherContent", kCompleteCache, kTargetOtherRecord, "a.dll",
                     1, kWhole, false, false},
        TakeoverCase{"PartialFileReplacesOtherContent", kPartialCache, kTargetOtherRecord, "a.dll",
                     0, kPartial, true, false},
        TakeoverCase{"FileWithoutRecordIsLeftToTheEngine", kCompleteCache, kTargetNoRecord,
                     "a.dll", 0, kOwn, false, true},
        TakeoverCase{"NameLeavingTheFolderFindsNothing", kCompleteCache, kNoTarget, "../evil.dll",
                     0, "", false, true}),
    [](const ::testing::TestParamInfo<TakeoverCase>& info) { return std::string(info.param.name); });

}  // namespace
