// BlockingRequests: the download engine's requests that return only once
// they are answered or given up, for small replies: does a file exist, a
// reply body, one attempt at one URL, and the tracking reports' sends.
//
// A request with failover tries each server of its list in order, with the
// given number of attempts on each (ServerFailover), and stops early once
// the engine's running flag is cleared. Every easy handle in use is listed
// as a live request, so the engine can release them all at shut-down.
// Engine thread only.
#ifndef UPDATE_DOWNLOAD_BLOCKING_REQUESTS_H_
#define UPDATE_DOWNLOAD_BLOCKING_REQUESTS_H_

#include <curl/curl.h>

#include <atomic>
#include <cstdint>
#include <list>
#include <string>
#include <vector>

class BlockingRequests {
 public:
  // How a request ended: answered (a probe decided, or status 200), or the
  // reason of its last failed attempt; the last reply body either way.
  struct Reply {
    bool answered = false;
    bool exists = false;  // probes
    std::string error;
    std::string body;
  };
  struct Timing {
    int64_t connect_ms = 0;
    int64_t total_ms = 0;
  };

  // Largest reply body kept; a longer one fails the attempt instead of
  // exhausting memory.
  static constexpr int64_t kMaxReply = 256 * 1024 * 1024;

  explicit BlockingRequests(const std::atomic<bool>& running) : running_(running) {}
  ~BlockingRequests() { ReleaseAll(); }
  BlockingRequests(const BlockingRequests&) = delete;
  BlockingRequests& operator=(const BlockingRequests&) = delete;

  // Byte 0 of `path` on each server in turn: 404 or a not-found result means
  // it does not exist, 200 or 206 that it does.
  Reply Probe(const std::vector<std::string>& servers, const std::string& path,
              const std::string& body, int attempts_per_server, const Timing& timing);
  // `path` from each server in turn until one answers 200; a body that is
  // not JSON brings the reader's text as its error.
  Reply Fetch(const std::vector<std::string>& servers, const std::string& path,
              const std::string& body, int attempts_per_server, const Timing& timing);
  // One attempt at `url`: answered on status 200.
  Reply FetchOnce(const std::string& url, const std::string& body, const Timing& timing);
  // GET url?body (`as_query`), else a POST of the JSON body. Failures are
  // dropped; the reply is kept as last_response().
  void Post(const std::string& url, const std::string& body, bool as_query);
  const std::string& last_response() const { return last_response_; }

  // Drops the live request of `handle` and releases the handle.
  void Release(CURL* handle);
  void ReleaseAll();
  size_t live_count() const { return live_.size(); }

 private:
  struct Attempt;

  static size_t OnWriteMemory(char* data, size_t size, size_t count, void* user);
  static size_t OnDiscardBody(char* data, size_t size, size_t count, void* user);
  static size_t OnWriteString(char* data, size_t size, size_t count, void* user);

  // One transfer of `url`; fills the attempt's result, status and body.
  void Perform(const std::string& url, const std::string& body, bool probe, const Timing& timing,
               Attempt* attempt);
  // Attempts over `servers` until `judge` finds one answered.
  template <typename Judge>
  Reply WithFailover(const std::vector<std::string>& servers, const std::string& path,
                     const std::string& body, bool probe, int attempts_per_server,
                     const Timing& timing, Judge judge);

  const std::atomic<bool>& running_;
  std::list<CURL*> live_;  // released with curl_easy_cleanup
  std::string last_response_;
};

#endif  // UPDATE_DOWNLOAD_BLOCKING_REQUESTS_H_
