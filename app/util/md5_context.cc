#include "app/util/md5_context.h"

#include <cctype>
#include <cstring>
#include <memory>

#include "app/util/string_util.h"

namespace {

// Reads are large: the per-read cost of the stream and the system dominates
// at small sizes, and the digest does not depend on them.
constexpr size_t kReadSize = 1024 * 1024;

inline uint32_t RotateLeft(uint32_t x, int n) { return (x << n) | (x >> (32 - n)); }

inline uint32_t LoadLittleEndian(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
         static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

inline void StoreLittleEndian(uint32_t value, uint8_t* p) {
  p[0] = static_cast<uint8_t>(value);
  p[1] = static_cast<uint8_t>(value >> 8);
  p[2] = static_cast<uint8_t>(value >> 16);
  p[3] = static_cast<uint8_t>(value >> 24);
}

// The word and the constant are added first and the round function written
// with as few operations after b as possible: b is the previous step's
// result, so that is the chain each step waits on.
#define MD5_STEP(f, a, b, c, d, x, s, t) \
  a += (x) + (t) + f(b, c, d);           \
  a = RotateLeft(a, s) + b;

#define MD5_F(x, y, z) ((z) ^ ((x) & ((y) ^ (z))))
#define MD5_G(x, y, z) (((x) & (z)) + ((y) & ~(z)))
#define MD5_H(x, y, z) ((x) ^ (y) ^ (z))
#define MD5_I(x, y, z) ((y) ^ ((x) | ~(z)))

}  // namespace

Md5Context::Md5Context()
    : state_{0x67452301, 0xefcdab89, 0x98badcfe, 0x10325476},
      count_{0, 0},
      buffer_{},
      digest_{},
      finalised_(false) {}

void Md5Context::Transform(const uint8_t block[64]) {
  uint32_t x[16];
  for (int i = 0; i < 16; ++i) x[i] = LoadLittleEndian(block + 4 * i);
  uint32_t a = state_[0], b = state_[1], c = state_[2], d = state_[3];

  MD5_STEP(MD5_F, a, b, c, d, x[0], 7, 0xd76aa478)
  MD5_STEP(MD5_F, d, a, b, c, x[1], 12, 0xe8c7b756)
  MD5_STEP(MD5_F, c, d, a, b, x[2], 17, 0x242070db)
  MD5_STEP(MD5_F, b, c, d, a, x[3], 22, 0xc1bdceee)
  MD5_STEP(MD5_F, a, b, c, d, x[4], 7, 0xf57c0faf)
  MD5_STEP(MD5_F, d, a, b, c, x[5], 12, 0x4787c62a)
  MD5_STEP(MD5_F, c, d, a, b, x[6], 17, 0xa8304613)
  MD5_STEP(MD5_F, b, c, d, a, x[7], 22, 0xfd469501)
  MD5_STEP(MD5_F, a, b, c, d, x[8], 7, 0x698098d8)
  MD5_STEP(MD5_F, d, a, b, c, x[9], 12, 0x8b44f7af)
  MD5_STEP(MD5_F, c, d, a, b, x[10], 17, 0xffff5bb1)
  MD5_STEP(MD5_F, b, c, d, a, x[11], 22, 0x895cd7be)
  MD5_STEP(MD5_F, a, b, c, d, x[12], 7, 0x6b901122)
  MD5_STEP(MD5_F, d, a, b, c, x[13], 12, 0xfd987193)
  MD5_STEP(MD5_F, c, d, a, b, x[14], 17, 0xa679438e)
  MD5_STEP(MD5_F, b, c, d, a, x[15], 22, 0x49b40821)

  MD5_STEP(MD5_G, a, b, c, d, x[1], 5, 0xf61e2562)
  MD5_STEP(MD5_G, d, a, b, c, x[6], 9, 0xc040b340)
  MD5_STEP(MD5_G, c, d, a, b, x[11], 14, 0x265e5a51)
  MD5_STEP(MD5_G, b, c, d, a, x[0], 20, 0xe9b6c7aa)
  MD5_STEP(MD5_G, a, b, c, d, x[5], 5, 0xd62f105d)
  MD5_STEP(MD5_G, d, a, b, c, x[10], 9, 0x02441453)
  MD5_STEP(MD5_G, c, d, a, b, x[15], 14, 0xd8a1e681)
  MD5_STEP(MD5_G, b, c, d, a, x[4], 20, 0xe7d3fbc8)
  MD5_STEP(MD5_G, a, b, c, d, x[9], 5, 0x21e1cde6)
  MD5_STEP(MD5_G, d, a, b, c, x[14], 9, 0xc33707d6)
  MD5_STEP(MD5_G, c, d, a, b, x[3], 14, 0xf4d50d87)
  MD5_STEP(MD5_G, b, c, d, a, x[8], 20, 0x455a14ed)
  MD5_STEP(MD5_G, a, b, c, d, x[13], 5, 0xa9e3e905)
  MD5_STEP(MD5_G, d, a, b, c, x[2], 9, 0xfcefa3f8)
  MD5_STEP(MD5_G, c, d, a, b, x[7], 14, 0x676f02d9)
  MD5_STEP(MD5_G, b, c, d, a, x[12], 20, 0x8d2a4c8a)

  MD5_STEP(MD5_H, a, b, c, d, x[5], 4, 0xfffa3942)
  MD5_STEP(MD5_H, d, a, b, c, x[8], 11, 0x8771f681)
  MD5_STEP(MD5_H, c, d, a, b, x[11], 16, 0x6d9d6122)
  MD5_STEP(MD5_H, b, c, d, a, x[14], 23, 0xfde5380c)
  MD5_STEP(MD5_H, a, b, c, d, x[1], 4, 0xa4beea44)
  MD5_STEP(MD5_H, d, a, b, c, x[4], 11, 0x4bdecfa9)
  MD5_STEP(MD5_H, c, d, a, b, x[7], 16, 0xf6bb4b60)
  MD5_STEP(MD5_H, b, c, d, a, x[10], 23, 0xbebfbc70)
  MD5_STEP(MD5_H, a, b, c, d, x[13], 4, 0x289b7ec6)
  MD5_STEP(MD5_H, d, a, b, c, x[0], 11, 0xeaa127fa)
  MD5_STEP(MD5_H, c, d, a, b, x[3], 16, 0xd4ef3085)
  MD5_STEP(MD5_H, b, c, d, a, x[6], 23, 0x04881d05)
  MD5_STEP(MD5_H, a, b, c, d, x[9], 4, 0xd9d4d039)
  MD5_STEP(MD5_H, d, a, b, c, x[12], 11, 0xe6db99e5)
  MD5_STEP(MD5_H, c, d, a, b, x[15], 16, 0x1fa27cf8)
  MD5_STEP(MD5_H, b, c, d, a, x[2], 23, 0xc4ac5665)

  MD5_STEP(MD5_I, a, b, c, d, x[0], 6, 0xf4292244)
  MD5_STEP(MD5_I, d, a, b, c, x[7], 10, 0x432aff97)
  MD5_STEP(MD5_I, c, d, a, b, x[14], 15, 0xab9423a7)
  MD5_STEP(MD5_I, b, c, d, a, x[5], 21, 0xfc93a039)
  MD5_STEP(MD5_I, a, b, c, d, x[12], 6, 0x655b59c3)
  MD5_STEP(MD5_I, d, a, b, c, x[3], 10, 0x8f0ccc92)
  MD5_STEP(MD5_I, c, d, a, b, x[10], 15, 0xffeff47d)
  MD5_STEP(MD5_I, b, c, d, a, x[1], 21, 0x85845dd1)
  MD5_STEP(MD5_I, a, b, c, d, x[8], 6, 0x6fa87e4f)
  MD5_STEP(MD5_I, d, a, b, c, x[15], 10, 0xfe2ce6e0)
  MD5_STEP(MD5_I, c, d, a, b, x[6], 15, 0xa3014314)
  MD5_STEP(MD5_I, b, c, d, a, x[13], 21, 0x4e0811a1)
  MD5_STEP(MD5_I, a, b, c, d, x[4], 6, 0xf7537e82)
  MD5_STEP(MD5_I, d, a, b, c, x[11], 10, 0xbd3af235)
  MD5_STEP(MD5_I, c, d, a, b, x[2], 15, 0x2ad7d2bb)
  MD5_STEP(MD5_I, b, c, d, a, x[9], 21, 0xeb86d391)

  state_[0] += a;
  state_[1] += b;
  state_[2] += c;
  state_[3] += d;
}

void Md5Context::Update(const void* bytes, size_t count) {
  finalised_ = false;
  const uint8_t* input = static_cast<const uint8_t*>(bytes);
  size_t index = (count_[0] >> 3) & 0x3f;
  // The bit count is 64-bit: counts of 512 MiB and more carry into the high
  // word through both terms.
  uint64_t bits = (static_cast<uint64_t>(count_[1]) << 32 | count_[0]) +
                  (static_cast<uint64_t>(count) << 3);
  count_[0] = static_cast<uint32_t>(bits);
  count_[1] = static_cast<uint32_t>(bits >> 32);

  size_t part = 64 - index;
  size_t i = 0;
  if (count >= part) {
    memcpy(buffer_ + index, input, part);
    Transform(buffer_);
    for (i = part; i + 63 < count; i += 64) Transform(input + i);
    index = 0;
  }
  memcpy(buffer_ + index, input + i, count - i);
}

void Md5Context::Final() {
  uint32_t saved_state[4];
  uint32_t saved_count[2];
  memcpy(saved_state, state_, sizeof(state_));
  memcpy(saved_count, count_, sizeof(count_));
  uint8_t saved_buffer[64];
  memcpy(saved_buffer, buffer_, sizeof(buffer_));

  uint8_t bits[8];
  StoreLittleEndian(count_[0], bits);
  StoreLittleEndian(count_[1], bits + 4);
  static const uint8_t kPadding[64] = {0x80};
  size_t index = (count_[0] >> 3) & 0x3f;
  size_t pad = index < 56 ? 56 - index : 120 - index;
  Update(kPadding, pad);
  Update(bits, 8);
  for (int i = 0; i < 4; ++i) StoreLittleEndian(state_[i], digest_ + 4 * i);

  memcpy(state_, saved_state, sizeof(state_));
  memcpy(count_, saved_count, sizeof(count_));
  memcpy(buffer_, saved_buffer, sizeof(buffer_));
  finalised_ = true;
}

std::string Md5Context::DigestText() const {
  static const char kHex[] = "0123456789abcdef";
  std::string text(32, '0');
  for (int i = 0; i < 16; ++i) {
    text[2 * i] = kHex[digest_[i] >> 4];
    text[2 * i + 1] = kHex[digest_[i] & 0x0f];
  }
  return text;
}

bool GetStreamMd5(std::ifstream& stream, std::string* digest, int64_t* size) {
  *size = 0;
  Md5Context context;
  std::unique_ptr<char[]> buffer(new char[kReadSize]);
  while (stream) {
    stream.read(buffer.get(), kReadSize);
    std::streamsize count = stream.gcount();
    if (count <= 0) break;
    context.Update(buffer.get(), static_cast<size_t>(count));
    *size += count;
  }
  stream.close();
  if (!context.finalised()) context.Final();
  *digest = context.DigestText();
  return true;
}

bool FileMatchesMd5(const std::string& path, const std::string& expected, std::string* digest,
                    int64_t* size) {
  digest->clear();
  *size = 0;
  std::wstring wide_path;
  MultiByteToWide(path, &wide_path, 0);
  std::ifstream stream(wide_path.c_str(), std::ios::in | std::ios::binary);
  if (!stream.is_open()) return false;
  GetStreamMd5(stream, digest, size);
  return SameMd5(*digest, expected);
}

bool SameMd5(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (tolower(static_cast<unsigned char>(a[i])) != tolower(static_cast<unsigned char>(b[i]))) {
      return false;
    }
  }
  return true;
}
