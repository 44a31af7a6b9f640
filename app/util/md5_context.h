// MD5 (RFC 1321) of byte streams and files, as version maps name files: 32
// lower-case hexadecimal digits.
//
// An Md5Context lives for one stream and belongs to its caller; Final() may be
// called at any point and leaves the running context as it was, so more bytes
// can follow. The free functions keep no shared state and may run on any
// thread (the update engine hashes on its own thread).
#ifndef APP_UTIL_MD5_CONTEXT_H_
#define APP_UTIL_MD5_CONTEXT_H_

#include <cstddef>
#include <cstdint>
#include <fstream>
#include <string>

class Md5Context {
 public:
  Md5Context();

  void Update(const void* bytes, size_t count);
  // Pads and finishes a copy of the running state into digest().
  void Final();
  // One 64-byte block through the compression function.
  void Transform(const uint8_t block[64]);

  const uint8_t* digest() const { return digest_; }
  bool finalised() const { return finalised_; }
  // The last Final()'s digest as 32 lower-case hexadecimal digits.
  std::string DigestText() const;

 private:
  uint32_t state_[4];
  uint32_t count_[2];  // bits added so far, low word first
  uint8_t buffer_[64];
  uint8_t digest_[16];
  bool finalised_;
};

// Hashes every remaining byte of `stream` and closes it. `size` is the number
// of bytes hashed. A read error ends the stream as its end would. True.
bool GetStreamMd5(std::ifstream& stream, std::string* digest, int64_t* size);

// Whether two digest texts name one digest: hexadecimal digits compared
// without regard to case.
bool SameMd5(const std::string& a, const std::string& b);

// Whether the file's digest is `expected` (SameMd5). `digest` (lower-case)
// and `size` describe the file; "" and 0 when it cannot be opened (false).
bool FileMatchesMd5(const std::string& path, const std::string& expected, std::string* digest,
                    int64_t* size);

#endif  // APP_UTIL_MD5_CONTEXT_H_
