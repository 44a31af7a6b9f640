// The launcher's well-known working folders and its file-system helpers:
// path normalisation and splitting, folder listings, whole-file reading and
// writing, folder chains, folder-tree deletion and the folder test.
//
// Narrow ("A") paths are in the system's ANSI code page, as the Windows A
// functions take them; wide ("W") paths are UTF-16. Relative paths are
// relative to the working folder, which start-up sets to the executable's.
//
// The folder getters return pointers to process-wide texts computed once
// (thread-safe) and valid until the process ends. Everything else keeps no
// state and may run on any thread; two threads on the same files are the
// callers' concern. Nothing here throws or shows anything.
#ifndef APP_UTIL_FILE_UTIL_H_
#define APP_UTIL_FILE_UTIL_H_

#include <windows.h>

#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

// "." in both forms, the base of the folders below.
const char* GetBaseFolderA();
const wchar_t* GetBaseFolderW();
// .\save
const char* GetSaveFolderA();
const wchar_t* GetSaveFolderW();
// .\update
const wchar_t* GetUpdateFolder();
// .\exception
const wchar_t* GetExceptionFolder();
// .\update\predownload
const char* GetPreDownloadFolder();
// The executable's folder followed by "Quorvel Game".
const wchar_t* GetDefaultGamePath();

// Every "/" becomes "\". With `add_separator` a "\" is appended unless the
// path already ends with a separator (an empty path becomes "\"); without,
// trailing separators are removed.
std::string NormalizePathA(const std::string& path, bool add_separator);
std::wstring NormalizePathW(const std::wstring& path, bool add_separator);

// The absolute form of `path` (relative ones against the working folder),
// with "." and ".." resolved; empty when the system cannot make it.
std::wstring GetFullPathW(const std::wstring& path);

// Splits at the last separator after the first character: "update/a.dat"
// gives "update" and "a.dat", "a\" gives "a" and "". False, outputs
// untouched, for an empty path or one without such a separator.
bool SplitPathA(const std::string& path, std::string* folder, std::string* file);
bool SplitPathW(const std::wstring& path, std::wstring* folder, std::wstring* file);

// Appends the full path of every file below `folder` (a folder's files first,
// then its sub-folders in listing order), skipping sub-folders whose bare name
// is in `excluded` (case-sensitive) at any depth. `files` is not cleared.
// Returns the size of `files` afterwards, or -1 when `folder` cannot be listed.
int ListFiles(const std::string& folder, std::vector<std::string>* files,
              const std::vector<std::string>& excluded);
// Bare names of the direct sub-folders (cleared first); their number, or -1.
int ListSubfolders(const std::string& folder, std::vector<std::string>* names);

// Reads every remaining byte of `stream` into `text` (cleared first) and
// closes the stream. True.
bool ReadStreamText(std::ifstream& stream, std::string* text);
// Byte-exact whole-file read. False, `text` untouched, when the file cannot
// be opened.
bool ReadFileTextA(const std::string& path, std::string* text);
bool ReadFileTextW(const std::wstring& path, std::string* text);

// Byte-exact whole-file write. The text goes into a new file beside the
// target, which then replaces the target in one move; true only when all of
// it is on disk under the target's name. On failure the old file is left as
// it was and nothing half-written stays behind.
bool WriteFileTextA(const std::string& path, const std::string& text);
bool WriteFileTextW(const std::wstring& path, const std::string& text);

// Deletes what a whole-file write cut short (the process killed) left beside
// `path`: files named `path` followed by ".~" and digits.
void DeleteUnfinishedWrites(const std::wstring& path);

// Creates every missing folder of the chain, the last component included.
// False only for an empty path.
bool CreateDirectoriesA(const std::string& path);
bool CreateDirectoriesW(const std::wstring& path);

// Creates every missing folder above the file `file_path` names.
void CreateParentFoldersA(const std::string& file_path);

// CreateFileA (no security attributes, normal attributes) that makes the
// file's folders when the open finds them missing, and then tries again:
// making folders that exist would cost a round trip to the file system for
// each, on every open.
HANDLE OpenFileMakingFoldersA(const std::string& path, DWORD access, DWORD share,
                              DWORD disposition);

// Deletes the folder with everything in it (read-only files too). A file that
// cannot be deleted keeps its folder and the folders above it.
void DeleteDirectory(const std::string& path);

// Whether the path (relative ones against the working folder) is a folder.
bool IsDirectoryA(const std::string& path);
bool IsDirectoryW(const std::wstring& path);

// Reads `count` bytes from an open file into a new buffer of count + 1 bytes
// from the C heap (the caller frees it; the extra byte is not set) and stores
// the count in `length` when given. Null when the read fails or comes up
// short. The handle is closed in every case.
char* ReadWholeHandle(HANDLE handle, int64_t count, int64_t* length);

#endif  // APP_UTIL_FILE_UTIL_H_
