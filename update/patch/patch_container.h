// The patch file container: unpacked size (unsigned 32-bit), packed size
// (signed 32-bit) and that many bytes of one zlib stream holding the
// "BSDIFN40" stream, integers little-endian. Stateless; called on the engine
// thread by both appliers.
#ifndef UPDATE_PATCH_PATCH_CONTAINER_H_
#define UPDATE_PATCH_PATCH_CONTAINER_H_

#include <windows.h>
#include <stdint.h>

#include <memory>

constexpr int kContainerOk = 1;
constexpr int kContainerUnpackedSizeReadFailed = -1;
constexpr int kContainerUnpackedSizeShort = -2;
constexpr int kContainerPackedSizeReadFailed = -3;
constexpr int kContainerPackedSizeShort = -4;
constexpr int kContainerPackedReadFailed = -5;  // also: no memory for the packed bytes
constexpr int kContainerPackedShort = -6;       // also: the file holds fewer bytes than stated
constexpr int kContainerInflateFailed = -7;     // corrupt, or not exactly the stated size
constexpr int kContainerSizesOutOfRange = -8;   // negative packed size, or an impossible unpacked size

// The largest stream accepted: positions inside it stay below 2^31.
constexpr int64_t kMaxUnpackedPatchSize = 0x7FFFFFFF;

// Reads the container from the file's current position and inflates it.
// Returns kContainerOk with the stream in `stream` and its length in `length`
// only when zlib produced exactly the stated number of bytes from exactly the
// stated number of packed bytes; any other case returns a negative code above
// and leaves the outputs untouched.
int ReadPatchContainer(HANDLE file, std::unique_ptr<uint8_t[]>* stream, int64_t* length);

#endif  // UPDATE_PATCH_PATCH_CONTAINER_H_
