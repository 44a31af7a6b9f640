#include "browser/browser_test_support.h"

#include <windows.h>

#include <sstream>

namespace browser_test {

std::vector<std::string> ReadLog(const std::wstring& path) {
  std::vector<std::string> lines;
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return lines;
  std::string text;
  char buffer[65536];
  DWORD read = 0;
  while (ReadFile(file, buffer, sizeof(buffer), &read, nullptr) && read > 0) {
    text.append(buffer, read);
  }
  CloseHandle(file);
  std::istringstream stream(text);
  std::string line;
  while (std::getline(stream, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

testing::AssertionResult InOrder(const std::vector<std::string>& lines,
                                 const std::vector<std::string>& expected) {
  size_t at = 0;
  for (const std::string& want : expected) {
    while (at < lines.size() && lines[at] != want) ++at;
    if (at == lines.size()) {
      std::string all;
      for (const std::string& line : lines) all += "\n  " + line;
      return testing::AssertionFailure() << "missing, or out of order: \"" << want
                                         << "\"; the log:" << all;
    }
    ++at;
  }
  return testing::AssertionSuccess();
}

bool Contains(const std::vector<std::string>& lines, const std::string& line) {
  for (const std::string& entry : lines) {
    if (entry == line) return true;
  }
  return false;
}

bool WaitForLine(const std::wstring& path, const std::string& line) {
  return PumpUntil([&] { return Contains(ReadLog(path), line); });
}

}  // namespace browser_test
