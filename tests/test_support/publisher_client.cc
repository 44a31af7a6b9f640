#include "test_support/publisher_client.h"

#include <windows.h>

#include <curl/curl.h>

#include <cstdio>
#include <cstdlib>
#include <memory>

namespace testing_support {

namespace {

size_t Collect(char* data, size_t size, size_t count, void* user) {
  static_cast<std::string*>(user)->append(data, size * count);
  return size * count;
}

bool ReadAll(const std::string& path, std::string* text) {
  FILE* file = fopen(path.c_str(), "rb");
  if (file == nullptr) return false;
  char buffer[4096];
  size_t n;
  text->clear();
  while ((n = fread(buffer, 1, sizeof(buffer), file)) > 0) text->append(buffer, n);
  fclose(file);
  return true;
}

bool Parse(const std::string& text, Json::Value* value) {
  Json::CharReaderBuilder builder;
  std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
  std::string errors;
  return reader->parse(text.data(), text.data() + text.size(), value, &errors);
}

std::string Write(const Json::Value& value) {
  Json::StreamWriterBuilder builder;
  builder["indentation"] = "";
  return Json::writeString(builder, value);
}

}  // namespace

bool PublisherClient::Connect(std::string* error) {
  const char* dir = getenv("QUORVEL_PUBLISHER_DIR");
  if (dir == nullptr || *dir == '\0') {
    *error = "QUORVEL_PUBLISHER_DIR is not set (run through ctest)";
    return false;
  }
  std::string text;
  if (!ReadAll(std::string(dir) + "/ports.json", &text) || !Parse(text, &ports_) ||
      !ports_.isObject() || !ports_["control"].isInt()) {
    *error = std::string("no publisher in ") + dir;
    return false;
  }
  control_port_ = ports_["control"].asInt();
  // The publisher runs natively; Wine shows the Unix root as drive Z:.
  root_ = ports_["root"].isString() ? "Z:" + ports_["root"].asString() : std::string();
  for (char& c : root_) {
    if (c == '/') c = '\\';
  }
  return true;
}

std::string PublisherClient::Url(const std::string& server) const {
  const Json::Value& urls = ports_["urls"];
  return urls.isObject() && urls[server].isString() ? urls[server].asString() : std::string();
}

bool PublisherClient::PutFile(const std::string& relative, const std::string& bytes) const {
  std::string path = root_;
  size_t start = 0;
  for (;;) {
    size_t slash = relative.find('/', start);
    if (slash == std::string::npos) break;
    path += "\\" + relative.substr(start, slash - start);
    CreateDirectoryA(path.c_str(), nullptr);
    start = slash + 1;
  }
  path += "\\" + relative.substr(start);
  FILE* file = fopen(path.c_str(), "wb");
  if (file == nullptr) return false;
  bool ok = fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  return fclose(file) == 0 && ok;
}

bool PublisherClient::Control(const std::string& method, const std::string& path,
                              const std::string& body, std::string* reply) const {
  CURL* curl = curl_easy_init();
  if (curl == nullptr) return false;
  std::string url = "http://127.0.0.1:" + std::to_string(control_port_) + path;
  curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
  curl_easy_setopt(curl, CURLOPT_TIMEOUT, 20L);
  curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &Collect);
  curl_easy_setopt(curl, CURLOPT_WRITEDATA, reply);
  if (method == "POST") {
    curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE, static_cast<long>(body.size()));
    curl_easy_setopt(curl, CURLOPT_POSTFIELDS, body.c_str());
  }
  CURLcode result = curl_easy_perform(curl);
  long status = 0;
  curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
  curl_easy_cleanup(curl);
  return result == CURLE_OK && status == 200;
}

bool PublisherClient::Reset() const {
  std::string reply;
  return Control("POST", "/control/reset", "{}", &reply);
}

bool PublisherClient::AddFault(const Json::Value& fault) const {
  std::string reply;
  return Control("POST", "/control/faults", Write(fault), &reply);
}

bool PublisherClient::SetConfig(const Json::Value& config) const {
  std::string reply;
  return Control("POST", "/control/config", Write(config), &reply);
}

Json::Value PublisherClient::Log(const std::string& query) const {
  std::string reply;
  Json::Value log;
  if (!Control("GET", "/control/log" + (query.empty() ? "" : "?" + query), "", &reply) ||
      !Parse(reply, &log)) {
    return Json::Value(Json::arrayValue);
  }
  return log;
}

}  // namespace testing_support
