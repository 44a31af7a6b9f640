#include "update/states/pre_download_takeover.h"

#include <windows.h>

#include "app/util/file_util.h"
#include "app/util/md5_context.h"
#include "update/download/resume_info.h"
#include "update/versions/version_map.h"

namespace {

bool Exists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Moves `from` to `to` (replacing), by copying when the move is refused.
bool MoveOrCopy(const std::string& from, const std::string& to) {
  if (MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING)) return true;
  if (!CopyFileA(from.c_str(), to.c_str(), FALSE)) return false;
  DeleteFileA(from.c_str());
  return true;
}

void DeleteFileAndRecord(const std::string& path) {
  DeleteFileA(path.c_str());
  DeleteResumeInfo(path);
}

// The cache file becomes the target, its record the target's record. A copy
// that fails half-way leaves no target behind to pass as whole.
int Adopt(const std::string& cache, bool complete, const std::string& target) {
  if (!MoveOrCopy(cache, target)) {
    DeleteFileAndRecord(target);
    return 0;
  }
  if (complete) return 1;
  if (!MoveOrCopy(ResumeRecordPath(cache), ResumeRecordPath(target))) DeleteFileA(target.c_str());
  return 0;
}

}  // namespace

int TakePreDownloadedFile(const std::string& cache_folder, const std::string& staging_folder,
                          const std::string& name, const std::string& md5) {
  if (!IsSafeRelativePath(name) || !IsMd5Text(md5)) return 0;
  const std::string cache = NormalizePathA(cache_folder, true) + md5;
  if (!Exists(cache)) return 0;
  const bool complete = !Exists(ResumeRecordPath(cache));
  if (complete) {
    // Checked before anything at the target is given up for it.
    std::string digest;
    int64_t size = 0;
    if (!FileMatchesMd5(cache, md5, &digest, &size)) {
      DeleteFileA(cache.c_str());
      return 0;
    }
  }
  const std::string target = NormalizePathA(NormalizePathA(staging_folder, true) + name, false);
  const std::string target_record = ResumeRecordPath(target);
  if (!Exists(target)) {
    CreateParentFoldersA(target);
    DeleteFileA(target_record.c_str());
    return Adopt(cache, complete, target);
  }
  if (!Exists(target_record)) return 0;  // the download engine judges the file
  if (ResumeInfoMatches(target, md5) && !complete) return 0;  // its own download goes on
  DeleteFileAndRecord(target);
  return Adopt(cache, complete, target);
}
