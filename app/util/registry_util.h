// The launcher's access to the local-machine registry hive: the one writer
// (start with Windows, font registration) and the readers for system facts.
// Stateless; any thread may call them. Key paths are below HKEY_LOCAL_MACHINE.
#ifndef APP_UTIL_REGISTRY_UTIL_H_
#define APP_UTIL_REGISTRY_UTIL_H_

#include <string>

// Makes sure the REG_SZ value `name` holds `data`, in `key` or, when `key`
// cannot be opened, in `fallback_key` (may be empty). 0 when the value held
// exactly `data` already (nothing written), 1 when it was written, -1 when no
// key could be opened for writing or the write failed. Keys are not created.
int SetRegistryString(const std::wstring& key, const std::wstring& fallback_key,
                      const std::wstring& name, const std::wstring& data);

// A value's text (read through the ANSI interface, 259 bytes at most) from
// the 64-bit view; empty when the key or value cannot be read.
std::string ReadRegistryString(const std::wstring& key, const std::string& name);
// A 32-bit value's unsigned decimal text from the 64-bit view; "0" when the
// key or value cannot be read.
std::string ReadRegistryDword(const std::wstring& key, const std::string& name);

// "major.minor.build" of the running system, for example "10.0.19045".
std::string GetWindowsVersion();
// The processor's name as the system describes it.
std::string GetCpuName();

#endif  // APP_UTIL_REGISTRY_UTIL_H_
