// The in-memory patch applier: reads the whole old file, builds the whole new
// file in memory and writes it out at once, beside its target, moving it into
// place only when it is complete (a refused patch leaves the target untouched).
// Its failures print short diagnostic lines to standard output. Called on the
// engine thread; keeps no state between calls.
#ifndef UPDATE_PATCH_IN_MEMORY_PATCH_H_
#define UPDATE_PATCH_IN_MEMORY_PATCH_H_

#include <stdint.h>

// 0 success, -1 failure of any kind. Narrow paths are in the ANSI code page.
int PatchFileA(const char* old_path, const char* new_path, const char* patch_path);
int PatchFileW(const wchar_t* old_path, const wchar_t* new_path, const wchar_t* patch_path);

// Builds `new_size` bytes into `new_bytes` from the old bytes and `stream`.
// `new_size` must equal the header's new size. Control triples, diff and extra
// bytes are taken only from their own blocks and old bytes only from inside the
// old file; a patch that asks for anything else is refused. 0 success, -1
// failure (`new_bytes` may then hold a partial result).
int ApplyPatchInMemory(const uint8_t* old_bytes, int64_t old_size, uint8_t* new_bytes,
                       int64_t new_size, const uint8_t* stream, int64_t stream_length);

#endif  // UPDATE_PATCH_IN_MEMORY_PATCH_H_
