// Helpers shared by the download engine's tests: a delegate that records what
// the engine tells the launcher, the files' callbacks, content and digests,
// and a loop that drives DownloadManager::Pump like the engine thread's tick.
#ifndef TESTS_UPDATE_DOWNLOAD_DOWNLOAD_TEST_SUPPORT_H_
#define TESTS_UPDATE_DOWNLOAD_DOWNLOAD_TEST_SUPPORT_H_

#include <windows.h>
#include <wincrypt.h>

#include <json/json.h>

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "update/download/download_delegate.h"
#include "update/download/download_manager.h"

namespace download_testing {

inline std::string Md5Hex(const std::string& bytes) {
  HCRYPTPROV provider = 0;
  HCRYPTHASH hash = 0;
  std::string text;
  if (CryptAcquireContextW(&provider, nullptr, nullptr, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT) &&
      CryptCreateHash(provider, CALG_MD5, 0, 0, &hash) &&
      CryptHashData(hash, reinterpret_cast<const BYTE*>(bytes.data()),
                    static_cast<DWORD>(bytes.size()), 0)) {
    BYTE digest[16];
    DWORD length = sizeof(digest);
    if (CryptGetHashParam(hash, HP_HASHVAL, digest, &length, 0)) {
      static const char kDigits[] = "0123456789abcdef";
      for (BYTE b : digest) {
        text.push_back(kDigits[b >> 4]);
        text.push_back(kDigits[b & 15]);
      }
    }
  }
  if (hash != 0) CryptDestroyHash(hash);
  if (provider != 0) CryptReleaseContext(provider, 0);
  return text;
}

// Deterministic bytes that differ from file to file.
inline std::string MakeBytes(size_t size, uint32_t seed) {
  std::string bytes(size, '\0');
  uint32_t x = seed * 2654435761u + 1;
  for (size_t i = 0; i < size; ++i) {
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    bytes[i] = static_cast<char>(x);
  }
  return bytes;
}

inline bool ReadBytes(const std::string& path, std::string* bytes) {
  FILE* file = fopen(path.c_str(), "rb");
  if (file == nullptr) return false;
  bytes->clear();
  char buffer[65536];
  size_t n;
  while ((n = fread(buffer, 1, sizeof(buffer), file)) > 0) bytes->append(buffer, n);
  fclose(file);
  return true;
}

inline bool WriteBytes(const std::string& path, const std::string& bytes) {
  FILE* file = fopen(path.c_str(), "wb");
  if (file == nullptr) return false;
  bool ok = fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  return fclose(file) == 0 && ok;
}

inline bool Exists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

inline bool ParseJsonText(const std::string& text, Json::Value* value) {
  Json::CharReaderBuilder builder;
  std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
  std::string errors;
  return reader->parse(text.data(), text.data() + text.size(), value, &errors);
}

// What the files' callbacks received, by server path.
struct Completion {
  int calls = 0;
  int code = 99;
  int user_value = 0;
  std::string error;
};

class Completions {
 public:
  static Completions& Get() {
    static Completions completions;
    return completions;
  }
  void Clear() {
    done_.clear();
    speeds_ = 0;
  }
  const Completion& Of(const std::string& path) { return done_[path]; }
  size_t Count() const {
    size_t n = 0;
    for (const auto& entry : done_) n += entry.second.calls;
    return n;
  }
  int speed_readings() const { return speeds_; }

  // DownloadManager::DoneCallback
  static void OnDone(int user_value, int code, const std::string& path, const std::string& error) {
    Completion& c = Get().done_[path];
    ++c.calls;
    c.code = code;
    c.user_value = user_value;
    c.error = error;
  }
  // DownloadManager::ProgressCallback; like the states' routers, hands the
  // reading to the engine's statistics.
  static void OnSpeed(int user_value, double speed) {
    ++Get().speeds_;
    if (Get().manager_ != nullptr) Get().manager_->AddSpeedSample(speed);
  }
  void set_manager(DownloadManager* manager) { manager_ = manager; }

 private:
  std::map<std::string, Completion> done_;
  int speeds_ = 0;
  DownloadManager* manager_ = nullptr;
};

// Records what the engine tells the rest of the launcher.
class RecordingDelegate : public DownloadDelegate {
 public:
  struct Report {
    std::string kind;  // "step", "detail", "activity"
    std::vector<std::string> values;
    bool immediate = false;
  };

  void OnDownloadEvent(const DownloadEvent& event) override {
    events.push_back(event);
    if (const auto* r = std::get_if<DownloadStepReport>(&event)) {
      reports.push_back(Report{"step", {r->print_info, r->speed, r->size, r->action_type, r->step},
                               r->immediate});
    } else if (const auto* r = std::get_if<DownloadDetailReport>(&event)) {
      reports.push_back(Report{"detail", {r->action_id, r->speed, r->size, r->time}, true});
    } else if (const auto* r = std::get_if<DownloadActivityReport>(&event)) {
      reports.push_back(Report{"activity", {r->event_name, r->value1, r->value2, r->value3}, true});
    }
  }
  bool UseWebExtraParam() override { return web_extra_param; }
  RecordValues GetDownloadRecord() override { return record; }
  void SetDownloadRecord(const RecordValues& values) override { record = values; }

  // The events of one kind, in order.
  template <typename Event>
  std::vector<Event> Of() const {
    std::vector<Event> found;
    for (const DownloadEvent& event : events) {
      if (const Event* e = std::get_if<Event>(&event)) found.push_back(*e);
    }
    return found;
  }

  bool web_extra_param = false;
  RecordValues record;
  std::vector<DownloadEvent> events;
  std::vector<Report> reports;
};

// Calls Pump every 2 ms, like the engine thread's tick, until `done` holds or
// `timeout_ms` has passed; true when it held.
inline bool PumpUntil(DownloadManager* manager, const std::function<bool()>& done,
                      DWORD timeout_ms) {
  const ULONGLONG deadline = GetTickCount64() + timeout_ms;
  while (!done()) {
    if (GetTickCount64() >= deadline) return false;
    manager->Pump();
    Sleep(2);
  }
  return true;
}

}  // namespace download_testing

#endif  // TESTS_UPDATE_DOWNLOAD_DOWNLOAD_TEST_SUPPORT_H_
