#include "app/config/server_overrides.h"

#include "app/config/json_fields.h"

namespace {

constexpr char kDirectoryKeyPrefix[] = "PCX64HANSA_";
constexpr int32_t kMinuteMs = 60000;
constexpr int32_t kDefaultRefreshPeriodMs = 8 * 60 * kMinuteMs;
constexpr int32_t kDefaultUpdatePeriodMs = 12 * 60 * kMinuteMs;
constexpr int32_t kDefaultProbeBaseMs = 30 * kMinuteMs;

bool IntervalInForce(int32_t minutes) { return minutes >= 1 && minutes <= 99; }

// Text, a number or a boolean, in its text form.
bool TakeText(const Json::Value& value, std::string* out) {
  if (!value.isString() && !value.isBool() && !value.isNumeric()) return false;
  *out = value.asString();
  return true;
}

// A boolean, or a number (non-zero is true).
bool TakeFlag(const Json::Value& value, bool* out) {
  if (!value.isBool() && !value.isNumeric()) return false;
  *out = value.asBool();
  return true;
}

// A number without its fraction, or a boolean as 0 or 1; nothing outside 32 bits.
bool TakeInt32(const Json::Value& value, int32_t* out) {
  if (value.isBool()) {
    *out = value.asBool() ? 1 : 0;
    return true;
  }
  if (value.isInt()) {
    *out = value.asInt();
    return true;
  }
  if (value.isDouble() && !value.isIntegral()) {
    double real = value.asDouble();
    if (real > -2147483649.0 && real < 2147483648.0) {
      *out = static_cast<int32_t>(real);
      return true;
    }
  }
  return false;
}

// An array's elements, or any other value as one entry.
void AppendTexts(const Json::Value& value, std::vector<std::string>* list) {
  std::string text;
  if (!value.isArray()) {
    if (TakeText(value, &text)) list->push_back(text);
    return;
  }
  for (const Json::Value& element : value) {
    if (TakeText(element, &text)) list->push_back(text);
  }
}

const Json::Value* Present(const Json::Value& root, const char* key) {
  const Json::Value* value = FindJsonMember(root, key);
  return value && !value->isNull() ? value : nullptr;
}

}  // namespace

std::string ServerOverrides::DirectoryKey(const std::string& local_game_version) const {
  return GateKey.empty() ? kDirectoryKeyPrefix + local_game_version : GateKey;
}

std::vector<std::string> ServerOverrides::DirectoryServers(
    const std::vector<std::string>& built_in) const {
  return GateURLs.empty() ? built_in : GateURLs;
}

std::vector<std::string> ServerOverrides::DownloadServers(
    const std::vector<std::string>& from_reply) const {
  return DlcURLs.empty() ? from_reply : DlcURLs;
}

std::string ServerOverrides::TrackingUrl(const std::string& built_in) const {
  return TrackURL.empty() ? built_in : TrackURL;
}

int32_t ServerOverrides::RefreshPeriodMs() const {
  return IntervalInForce(RefreshInterval) ? RefreshInterval * kMinuteMs : kDefaultRefreshPeriodMs;
}

int32_t ServerOverrides::UpdatePeriodMs() const {
  return IntervalInForce(UpdateInterval) ? UpdateInterval * kMinuteMs : kDefaultUpdatePeriodMs;
}

int32_t ServerOverrides::ProbePeriodMs() const {
  return (IntervalInForce(UpdateInterval) ? UpdateInterval * kMinuteMs : kDefaultProbeBaseMs) +
         kMinuteMs;
}

void ReadServerOverrides(const Json::Value& root, ServerOverrides* overrides) {
  if (const Json::Value* v = Present(root, "GateKey")) TakeText(*v, &overrides->GateKey);
  if (const Json::Value* v = Present(root, "GateURLs")) AppendTexts(*v, &overrides->GateURLs);
  if (const Json::Value* v = Present(root, "QaGate")) TakeFlag(*v, &overrides->QaGate);
  if (const Json::Value* v = Present(root, "DlcURLs")) AppendTexts(*v, &overrides->DlcURLs);
  if (const Json::Value* v = Present(root, "ActivityURL")) TakeText(*v, &overrides->ActivityURL);
  if (const Json::Value* v = Present(root, "RefreshInterval")) {
    TakeInt32(*v, &overrides->RefreshInterval);
  }
  if (const Json::Value* v = Present(root, "UpdateInterval")) {
    TakeInt32(*v, &overrides->UpdateInterval);
  }
  if (const Json::Value* v = Present(root, "TrackURL")) TakeText(*v, &overrides->TrackURL);
  if (const Json::Value* v = Present(root, "DisableAutoEnterGame")) {
    TakeFlag(*v, &overrides->DisableAutoEnterGame);
  }
}
