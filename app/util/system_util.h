// Disk-space queries, drive names and the UTC clock text for tracking.
// Stateless; any thread may call them. Relative paths are taken against the
// working folder.
#ifndef APP_UTIL_SYSTEM_UTIL_H_
#define APP_UTIL_SYSTEM_UTIL_H_

#include <cstdint>
#include <string>

// Total size and bytes available to the caller of the drive holding `path`.
// False, outputs untouched, when the path has no drive letter (a share, for
// one) or the system cannot tell.
bool GetDriveSpaceA(const std::string& path, uint64_t* total, uint64_t* available);
bool GetDriveSpaceW(const std::wstring& path, uint64_t* total, uint64_t* available);

// The drive name of the path's absolute form without its colon ("C" for
// "C:\Games"); empty when it has none.
std::wstring GetDriveLetter(const std::wstring& path);

// The current UTC date as "yyyy-mm-dd" and time as "hh:mm:ss". True.
bool GetUtcDateTime(std::string* date, std::string* time);

#endif  // APP_UTIL_SYSTEM_UTIL_H_
