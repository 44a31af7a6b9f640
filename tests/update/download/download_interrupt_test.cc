// Interruption: a downloading process is killed about half way and started
// again. What its resume records said was finished is not fetched again, and
// every file ends whole.
#include <windows.h>

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "test_support/publisher_client.h"
#include "test_support/temp_folder.h"
#include "update/download/download_test_support.h"
#include "update/download/resume_info.h"

namespace {

using namespace download_testing;
using testing_support::PublisherClient;

const int64_t kPiece = 64 * 1024;

struct PublishedFile {
  std::string path;
  std::string bytes;
  std::string md5;
};

std::string Narrow(const std::wstring& wide) { return std::string(wide.begin(), wide.end()); }

std::string ClientPath() {
  wchar_t self[MAX_PATH];
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring path = self;
  return Narrow(path.substr(0, path.find_last_of(L"\\/") + 1)) + "download_client.exe";
}

HANDLE StartClient(const std::string& command) {
  STARTUPINFOA startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process = {};
  std::string line = command;
  if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &process)) {
    return nullptr;
  }
  CloseHandle(process.hThread);
  return process.hProcess;
}

// Byte ranges [first, last] of a file that its state on disk says are in place.
using Ranges = std::vector<std::pair<int64_t, int64_t>>;

// From the record beside a file: everything but its unfinished pieces. A file
// without a record is whole when its digest matches, else nothing is.
Ranges FinishedRanges(const std::string& local, const PublishedFile& file) {
  const int64_t size = static_cast<int64_t>(file.bytes.size());
  std::vector<PieceInfo> left;
  if (!LoadResumeInfo(local, file.md5, size, &left)) {
    // No record, or one with every piece finished: the digest decides.
    std::string bytes;
    if (ReadBytes(local, &bytes) && bytes == file.bytes) return {{0, size - 1}};
    return {};
  }
  Ranges done;
  int64_t next = 0;
  std::map<int64_t, int64_t> unfinished;
  for (const PieceInfo& piece : left) unfinished[piece.begin] = piece.end;
  for (const auto& piece : unfinished) {
    if (piece.first > next) done.push_back({next, piece.first - 1});
    next = piece.second + 1;
  }
  if (next < size) done.push_back({next, size - 1});
  return done;
}

TEST(DownloadInterruptTest, KilledHalfWayResumesWithoutRefetching) {
  PublisherClient publisher;
  std::string error;
  ASSERT_TRUE(publisher.Connect(&error)) << error;
  ASSERT_TRUE(publisher.Reset());
  testing_support::TempFolder folder;
  const std::string root = Narrow(folder.path());

  // Slow enough that the run takes a few seconds.
  Json::Value slow;
  slow["path"] = "/cut/*";
  slow["trickle_bytes"] = 4096;
  slow["trickle_ms"] = 20;
  ASSERT_TRUE(publisher.AddFault(slow));
  std::vector<PublishedFile> files;
  std::string list;
  int64_t total = 0;
  for (int i = 0; i < 8; ++i) {
    PublishedFile file;
    file.path = "cut/f" + std::to_string(i) + ".bin";
    file.bytes = MakeBytes(i % 2 == 0 ? 5 * kPiece + 1234 : kPiece / 2 + 17 * i, 500 + i);
    file.md5 = Md5Hex(file.bytes);
    ASSERT_TRUE(publisher.PutFile(file.path, file.bytes));
    list += file.path + " " + file.md5 + " " + std::to_string(file.bytes.size()) + "\n";
    total += static_cast<int64_t>(file.bytes.size());
    files.push_back(file);
  }
  ASSERT_TRUE(WriteBytes(root + "\\list.txt", list));
  const std::string download = root + "\\dl";
  const std::string command = "\"" + ClientPath() + "\" \"" + root + "\\list.txt\" \"" +
                              download + "\" " + std::to_string(kPiece) + " " +
                              publisher.Url("dl0") + " " + publisher.Url("dl1");
  auto local = [&](const PublishedFile& file) {
    std::string path = download + "\\" + file.path;
    for (char& c : path) {
      if (c == '/') c = '\\';
    }
    return path;
  };
  auto finished_bytes = [&] {
    int64_t done = 0;
    for (const PublishedFile& file : files) {
      for (const auto& range : FinishedRanges(local(file), file)) {
        done += range.second - range.first + 1;
      }
    }
    return done;
  };

  // First run: stopped once the records show about half of the bytes.
  HANDLE first = StartClient(command);
  ASSERT_NE(first, nullptr) << GetLastError();
  const ULONGLONG deadline = GetTickCount64() + 60000;
  int64_t done = 0;
  while (GetTickCount64() < deadline && WaitForSingleObject(first, 0) == WAIT_TIMEOUT) {
    // Records are read while the client may replace them; a failed read
    // simply waits for the next look.
    bool readable = true;
    for (const PublishedFile& file : files) {
      std::string text;
      Json::Value value;
      if (Exists(local(file) + ".cfg") &&
          (!ReadBytes(local(file) + ".cfg", &text) || !ParseJsonText(text, &value))) {
        readable = false;
      }
    }
    if (readable && (done = finished_bytes()) >= total / 2) break;
    Sleep(20);
  }
  ASSERT_EQ(WaitForSingleObject(first, 0), WAIT_TIMEOUT) << "finished before it was stopped";
  TerminateProcess(first, 9);
  WaitForSingleObject(first, 10000);
  CloseHandle(first);

  // What the files say after the kill.
  std::map<std::string, Ranges> finished;
  done = 0;
  for (const PublishedFile& file : files) {
    finished[file.path] = FinishedRanges(local(file), file);
    for (const auto& range : finished[file.path]) done += range.second - range.first + 1;
  }
  EXPECT_GE(done, total / 3);
  EXPECT_LT(done, total);
  Json::Value before = publisher.Log();
  ASSERT_FALSE(before.empty());
  const int64_t seq = before[before.size() - 1]["seq"].asInt64();

  // Second run, to the end.
  HANDLE second = StartClient(command);
  ASSERT_NE(second, nullptr);
  ASSERT_EQ(WaitForSingleObject(second, 60000), WAIT_OBJECT_0);
  DWORD exit_code = 99;
  GetExitCodeProcess(second, &exit_code);
  CloseHandle(second);
  EXPECT_EQ(exit_code, 0u);
  for (const PublishedFile& file : files) {
    std::string bytes;
    ASSERT_TRUE(ReadBytes(local(file), &bytes)) << file.path;
    EXPECT_TRUE(bytes == file.bytes) << file.path;
    EXPECT_FALSE(Exists(local(file) + ".cfg")) << file.path;
  }

  // Nothing the first run had finished was asked for again, and the second
  // run asked for exactly what was missing.
  Json::Value again = publisher.Log("since=" + std::to_string(seq));
  int64_t fetched = 0;
  for (const Json::Value& entry : again) {
    long long first_byte = 0, last_byte = 0;
    ASSERT_EQ(sscanf(entry["range"].asCString(), "bytes=%lld-%lld", &first_byte, &last_byte), 2);
    const std::string path = entry["path"].asString().substr(1);
    for (const auto& range : finished[path]) {
      EXPECT_TRUE(last_byte < range.first || first_byte > range.second)
          << path << " " << entry["range"].asString() << " was finished";
    }
    fetched += last_byte - first_byte + 1;
  }
  EXPECT_EQ(fetched, total - done);
  printf("finished before the kill: %lld of %lld bytes; fetched again after: %lld\n",
         static_cast<long long>(done), static_cast<long long>(total),
         static_cast<long long>(fetched));
}

}  // namespace
