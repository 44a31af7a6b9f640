#include "ui/render/pixel_cache.h"

#include <utility>

namespace ui {

PixelCache::Entry* PixelCache::Find(const std::string& key) {
  auto found = map_.find(key);
  if (found == map_.end()) return nullptr;
  order_.splice(order_.begin(), order_, found->second);
  return &found->second->second;
}

PixelCache::Entry* PixelCache::Put(const std::string& key, Entry entry) {
  Erase(key);
  const size_t bytes = BytesOf(entry);
  if (bytes > budget_ / 4) return nullptr;
  while (!order_.empty() && bytes_ + bytes > budget_) {
    bytes_ -= BytesOf(order_.back().second);
    map_.erase(order_.back().first);
    order_.pop_back();
  }
  order_.emplace_front(key, std::move(entry));
  map_[key] = order_.begin();
  bytes_ += bytes;
  return &order_.front().second;
}

void PixelCache::Erase(const std::string& key) {
  auto found = map_.find(key);
  if (found == map_.end()) return;
  bytes_ -= BytesOf(found->second->second);
  order_.erase(found->second);
  map_.erase(found);
}

void PixelCache::Clear() {
  order_.clear();
  map_.clear();
  bytes_ = 0;
}

}  // namespace ui
