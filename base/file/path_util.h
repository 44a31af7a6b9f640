// Where the executable lies, path splitting and folder-chain creation.
// Paths are UTF-16; both '\' and '/' count as separators. Stateless: any
// thread may call these.
#ifndef BASE_FILE_PATH_UTIL_H_
#define BASE_FILE_PATH_UTIL_H_

#include <windows.h>

#include <string>
#include <vector>

namespace base {

// The module containing this code (the allocation base of one of its functions).
HMODULE GetCurrentModuleHandle();
// The module's full file name, as GetModuleFileNameW reports it (cut at 260).
std::wstring GetModulePath(HMODULE module);
// The current module's folder with its trailing separator; ".\" on failure.
std::wstring GetModuleDirectory();

// Folder of `path` up to and including its last separator. Index 0 is never a
// split point; false (and `folder` untouched) when there is no separator.
bool GetDirectoryOfPath(const std::wstring& path, std::wstring* folder);

// "C:\a//b\" gives "C:\", "a\", "b\". False only for a null path.
bool SplitPathComponents(const wchar_t* path, std::vector<std::wstring>* components);

// Creates every missing folder of the chain; true when the folder exists at the end.
bool CreateDirectoryTree(const wchar_t* path);

// The system keeps no at-exit list: the registration is discarded, nothing is
// called, and what was registered lives until the process ends.
void RegisterAtExit(void (*function)(void*), void* argument);

void CloseHandleIfSet(HANDLE handle);

}  // namespace base

#endif  // BASE_FILE_PATH_UTIL_H_
