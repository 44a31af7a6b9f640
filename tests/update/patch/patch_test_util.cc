#include "update/patch/patch_test_util.h"

#include <zlib.h>

namespace patch_test {

bool ReadFileBytes(const std::wstring& path, Bytes* bytes) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  LARGE_INTEGER size;
  bool ok = GetFileSizeEx(file, &size) != 0;
  if (ok) {
    bytes->resize(static_cast<size_t>(size.QuadPart));
    size_t done = 0;
    while (ok && done < bytes->size()) {
      DWORD got = 0;
      ok = ReadFile(file, bytes->data() + done, static_cast<DWORD>(bytes->size() - done), &got,
                    nullptr) && got > 0;
      done += got;
    }
  }
  CloseHandle(file);
  return ok;
}

bool WriteFileBytes(const std::wstring& path, const Bytes& bytes) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD wrote = 0;
  bool ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &wrote, nullptr) &&
            wrote == bytes.size();
  CloseHandle(file);
  return ok;
}

bool FileExists(const std::wstring& path) {
  return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

Bytes ToBytes(const std::string& text) { return Bytes(text.begin(), text.end()); }

void AppendPatchInteger(Bytes* out, int64_t value) {
  uint64_t magnitude = value < 0 ? static_cast<uint64_t>(-value) : static_cast<uint64_t>(value);
  for (int i = 0; i < 8; ++i) out->push_back(static_cast<uint8_t>(magnitude >> (8 * i)));
  if (value < 0) out->back() |= 0x80;
}

Bytes MakeStream(const std::vector<Triple>& triples, const Bytes& diff, const Bytes& extra,
                 int64_t new_size) {
  Bytes stream = ToBytes("BSDIFN40");
  AppendPatchInteger(&stream, static_cast<int64_t>(triples.size() * 24));
  AppendPatchInteger(&stream, static_cast<int64_t>(diff.size()));
  AppendPatchInteger(&stream, new_size);
  for (const Triple& t : triples) {
    AppendPatchInteger(&stream, t.add);
    AppendPatchInteger(&stream, t.copy);
    AppendPatchInteger(&stream, t.step);
  }
  stream.insert(stream.end(), diff.begin(), diff.end());
  stream.insert(stream.end(), extra.begin(), extra.end());
  return stream;
}

namespace {

Bytes Deflate(const Bytes& stream, int level) {
  uLongf packed_length = compressBound(static_cast<uLong>(stream.size()));
  Bytes deflated(packed_length);
  compress2(deflated.data(), &packed_length, stream.data(), static_cast<uLong>(stream.size()), level);
  deflated.resize(packed_length);
  return deflated;
}

Bytes Frame(const Bytes& deflated, uint32_t unpacked, uint32_t packed) {
  Bytes out;
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(unpacked >> (8 * i)));
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(packed >> (8 * i)));
  out.insert(out.end(), deflated.begin(), deflated.end());
  return out;
}

}  // namespace

Bytes MakeContainerWithSizes(const Bytes& stream, uint32_t unpacked, uint32_t packed, int level) {
  return Frame(Deflate(stream, level), unpacked, packed);
}

Bytes MakeContainer(const Bytes& stream, int level) {
  Bytes deflated = Deflate(stream, level);
  return Frame(deflated, static_cast<uint32_t>(stream.size()), static_cast<uint32_t>(deflated.size()));
}

}  // namespace patch_test
