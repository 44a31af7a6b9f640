#include "update/download/blocking_requests.h"

#include "update/download/download_manager.h"
#include "update/download/server_failover.h"
#include "update/versions/version_map.h"

namespace {

const char kUserAgent[] = "libcurl-agent/1.0";
const char kReportContentType[] = "Content-Type:application/json; charset=UTF-8";
const long kReportTimeoutSeconds = 6;

}  // namespace

struct BlockingRequests::Attempt {
  const BlockingRequests* owner = nullptr;
  CURLcode result = CURLE_OK;
  long status = 0;
  // The handle could not be made or set up: the reason, and no transfer.
  std::string setup_error;
  std::string body;

  bool set_up() const { return setup_error.empty(); }
  bool ok(long wanted) const { return set_up() && result == CURLE_OK && status == wanted; }
  // The reason of a failed attempt: its set-up, libcurl's reason, else the status.
  std::string Error() const {
    if (!set_up()) return setup_error;
    return result != CURLE_OK ? curl_easy_strerror(result) : std::to_string(status);
  }
};

size_t BlockingRequests::OnWriteMemory(char* data, size_t size, size_t count, void* user) {
  Attempt* attempt = static_cast<Attempt*>(user);
  if (!attempt->owner->running_) return 0;
  size_t n = size * count;
  if (static_cast<int64_t>(attempt->body.size() + n) > kMaxReply) return 0;
  attempt->body.append(data, n);  // std::string keeps the terminating zero
  return n;
}

size_t BlockingRequests::OnDiscardBody(char*, size_t size, size_t count, void* user) {
  Attempt* attempt = static_cast<Attempt*>(user);
  return attempt->owner->running_ ? size * count : 0;
}

size_t BlockingRequests::OnWriteString(char* data, size_t size, size_t count, void* user) {
  static_cast<BlockingRequests*>(user)->last_response_.append(data, size * count);
  return size * count;
}

void BlockingRequests::Release(CURL* handle) {
  for (auto it = live_.begin(); it != live_.end(); ++it) {
    if (*it == handle) {
      live_.erase(it);
      curl_easy_cleanup(handle);
      return;
    }
  }
}

void BlockingRequests::ReleaseAll() {
  while (!live_.empty()) Release(live_.front());
}

void BlockingRequests::Perform(const std::string& url, const std::string& body, bool probe,
                               const Timing& timing, Attempt* attempt) {
  *attempt = Attempt();
  attempt->owner = this;
  CURL* handle = curl_easy_init();
  if (handle == nullptr) {
    attempt->setup_error = "curl_easy_init failed";
    return;
  }
  live_.push_back(handle);

  CURLcode setup = CURLE_OK;
  auto set = [&setup](CURLcode result) {
    if (setup == CURLE_OK) setup = result;
  };
  set(curl_easy_setopt(handle, CURLOPT_URL, url.c_str()));
  set(curl_easy_setopt(handle, CURLOPT_SSL_VERIFYPEER, 0L));
  set(curl_easy_setopt(handle, CURLOPT_SSL_VERIFYHOST, 0L));
  set(curl_easy_setopt(handle, CURLOPT_USERAGENT, kUserAgent));
  set(curl_easy_setopt(handle, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(timing.connect_ms)));
  set(curl_easy_setopt(handle, CURLOPT_TIMEOUT_MS, static_cast<long>(timing.total_ms)));
  set(curl_easy_setopt(handle, CURLOPT_TCP_KEEPALIVE, 1L));
  set(curl_easy_setopt(handle, CURLOPT_TCP_KEEPIDLE, 120L));
  set(curl_easy_setopt(handle, CURLOPT_TCP_KEEPINTVL, 20L));
  set(curl_easy_setopt(handle, CURLOPT_FOLLOWLOCATION, 1L));
  set(curl_easy_setopt(handle, CURLOPT_MAXREDIRS, 10L));
  set(curl_easy_setopt(handle, CURLOPT_NOSIGNAL, 1L));
  // Server lists come from replies: never let one point the engine at local
  // files or other schemes.
  set(curl_easy_setopt(handle, CURLOPT_PROTOCOLS_STR, "http,https"));
  set(curl_easy_setopt(handle, CURLOPT_REDIR_PROTOCOLS_STR, "http,https"));
  if (!body.empty()) {
    set(curl_easy_setopt(handle, CURLOPT_POSTFIELDSIZE_LARGE,
                         static_cast<curl_off_t>(body.size())));
    set(curl_easy_setopt(handle, CURLOPT_POSTFIELDS, body.c_str()));
  }
  if (probe) {
    set(curl_easy_setopt(handle, CURLOPT_RANGE, "0-0"));
    set(curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, &BlockingRequests::OnDiscardBody));
  } else {
    set(curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, &BlockingRequests::OnWriteMemory));
  }
  set(curl_easy_setopt(handle, CURLOPT_WRITEDATA, attempt));

  if (setup != CURLE_OK) {
    attempt->setup_error = curl_easy_strerror(setup);
  } else {
    attempt->result = curl_easy_perform(handle);
    curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &attempt->status);
  }
  Release(handle);
}

template <typename Judge>
BlockingRequests::Reply BlockingRequests::WithFailover(const std::vector<std::string>& servers,
                                                       const std::string& path,
                                                       const std::string& body, bool probe,
                                                       int attempts_per_server,
                                                       const Timing& timing, Judge judge) {
  Reply reply;
  ServerFailover failover;
  Attempt attempt;
  do {
    Perform(JoinUrl(servers[failover.server], path), body, probe, timing, &attempt);
    reply = Reply();
    judge(attempt, &reply);
    if (reply.answered) break;
    reply.error = attempt.Error();
  } while (failover.Next(attempts_per_server, servers.size()) && running_);
  reply.body = std::move(attempt.body);
  return reply;
}

BlockingRequests::Reply BlockingRequests::Probe(const std::vector<std::string>& servers,
                                                const std::string& path,
                                                const std::string& body, int attempts_per_server,
                                                const Timing& timing) {
  return WithFailover(servers, path, body, true, attempts_per_server, timing,
                      [](const Attempt& attempt, Reply* reply) {
                        if (!attempt.set_up()) return;
                        if (attempt.result == CURLE_REMOTE_FILE_NOT_FOUND || attempt.ok(404)) {
                          reply->answered = true;
                        } else if (attempt.ok(200) || attempt.ok(206)) {
                          reply->answered = true;
                          reply->exists = true;
                        }
                      });
}

BlockingRequests::Reply BlockingRequests::Fetch(const std::vector<std::string>& servers,
                                                const std::string& path,
                                                const std::string& body, int attempts_per_server,
                                                const Timing& timing) {
  return WithFailover(servers, path, body, false, attempts_per_server, timing,
                      [](const Attempt& attempt, Reply* reply) {
                        if (!attempt.ok(200)) return;
                        reply->answered = true;
                        IsValidJson(attempt.body.data(),
                                    static_cast<int64_t>(attempt.body.size()), &reply->error);
                      });
}

BlockingRequests::Reply BlockingRequests::FetchOnce(const std::string& url,
                                                    const std::string& body,
                                                    const Timing& timing) {
  Attempt attempt;
  Perform(url, body, false, timing, &attempt);
  Reply reply;
  reply.answered = attempt.ok(200);
  if (!reply.answered) reply.error = attempt.Error();
  reply.body = std::move(attempt.body);
  return reply;
}

void BlockingRequests::Post(const std::string& url, const std::string& body, bool as_query) {
  CURL* handle = curl_easy_init();
  if (handle == nullptr) return;
  live_.push_back(handle);
  curl_slist* headers = curl_slist_append(nullptr, kReportContentType);
  curl_easy_setopt(handle, CURLOPT_HTTPHEADER, headers);
  curl_easy_setopt(handle, CURLOPT_HEADER, 0L);
  std::string request_url;
  if (as_query) {
    request_url = url + "?" + body;
    curl_easy_setopt(handle, CURLOPT_URL, request_url.c_str());
    curl_easy_setopt(handle, CURLOPT_HTTPGET, 1L);
  } else {
    curl_easy_setopt(handle, CURLOPT_URL, url.c_str());
    curl_easy_setopt(handle, CURLOPT_POST, 1L);
    curl_easy_setopt(handle, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body.size()));
    curl_easy_setopt(handle, CURLOPT_POSTFIELDS, body.c_str());
  }
  curl_easy_setopt(handle, CURLOPT_SSL_VERIFYPEER, 0L);
  curl_easy_setopt(handle, CURLOPT_SSL_VERIFYHOST, 0L);
  curl_easy_setopt(handle, CURLOPT_VERBOSE, 0L);
  curl_easy_setopt(handle, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(handle, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
  last_response_.clear();
  curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, &BlockingRequests::OnWriteString);
  curl_easy_setopt(handle, CURLOPT_WRITEDATA, this);
  curl_easy_setopt(handle, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(handle, CURLOPT_CONNECTTIMEOUT, kReportTimeoutSeconds);
  curl_easy_setopt(handle, CURLOPT_TIMEOUT, kReportTimeoutSeconds);
  curl_easy_perform(handle);  // a report that fails is dropped
  Release(handle);
  curl_slist_free_all(headers);
}
