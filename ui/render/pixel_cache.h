// PixelCache: drawn pixels kept for the next frame, least recently used out
// first once the cache holds more than its budget of bytes. A key is the
// caller's byte string of everything the pixels depend on; an entry may also
// keep what the caller must compare before trusting it (`check`). UI thread
// only.
#ifndef UI_RENDER_PIXEL_CACHE_H_
#define UI_RENDER_PIXEL_CACHE_H_

#include <cstddef>
#include <cstdint>
#include <list>
#include <string>
#include <unordered_map>
#include <vector>

namespace ui {

class PixelCache {
 public:
  struct Entry {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint32_t> pixels;  // premultiplied, width x height, rows packed
    std::vector<uint32_t> check;
  };

  explicit PixelCache(size_t budget_bytes) : budget_(budget_bytes) {}
  PixelCache(const PixelCache&) = delete;
  PixelCache& operator=(const PixelCache&) = delete;

  // The entry under the key, now the most recently used; null when none.
  Entry* Find(const std::string& key);
  // Stores the entry under the key (replacing one there) and returns it;
  // null, and nothing kept, when it alone is larger than a quarter of the
  // budget.
  Entry* Put(const std::string& key, Entry entry);
  void Erase(const std::string& key);
  void Clear();

  size_t size() const { return map_.size(); }
  size_t bytes() const { return bytes_; }

 private:
  using Item = std::pair<std::string, Entry>;
  static size_t BytesOf(const Entry& entry) {
    return (entry.pixels.size() + entry.check.size()) * sizeof(uint32_t);
  }

  size_t budget_;
  size_t bytes_ = 0;
  std::list<Item> order_;  // most recently used first
  std::unordered_map<std::string, std::list<Item>::iterator> map_;
};

}  // namespace ui

#endif  // UI_RENDER_PIXEL_CACHE_H_
