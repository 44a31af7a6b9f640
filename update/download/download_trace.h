// DownloadTrace: the download engine's trace file ("dltrace.log" in the save
// folder), emptied at each engine start and appended to line by line. Engine
// thread only.
#ifndef UPDATE_DOWNLOAD_DOWNLOAD_TRACE_H_
#define UPDATE_DOWNLOAD_DOWNLOAD_TRACE_H_

#include <string>

class DownloadTrace {
 public:
  // Makes `path` the trace file, empty.
  void Reset(const std::string& path);
  // Appends the line's bytes (lines carry their own "\n"); the line is lost
  // when the file cannot be opened.
  void Append(const std::string& line) const;
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

#endif  // UPDATE_DOWNLOAD_DOWNLOAD_TRACE_H_
