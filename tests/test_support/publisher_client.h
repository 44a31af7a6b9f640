// Test-side handle on the sample publisher (testing/publisher/publisher.py)
// that a CTest fixture started: its server URLs, the folder its download
// servers serve, faults, and the request log. The fixture hands the state
// folder in QUORVEL_PUBLISHER_DIR.
#ifndef TESTS_TEST_SUPPORT_PUBLISHER_CLIENT_H_
#define TESTS_TEST_SUPPORT_PUBLISHER_CLIENT_H_

#include <json/json.h>

#include <string>

namespace testing_support {

class PublisherClient {
 public:
  // Reads ports.json; false (with a reason) when the publisher is not there.
  bool Connect(std::string* error);

  // "http://127.0.0.1:port" of a server ("gate", "dl0", ...).
  std::string Url(const std::string& server) const;
  // The served folder as a Windows path, without a trailing separator.
  const std::string& root() const { return root_; }

  // Writes a file below the served folder ("/" separated relative path).
  bool PutFile(const std::string& relative, const std::string& bytes) const;

  // Clears faults and the log and restores the reply templates.
  bool Reset() const;
  // Adds one fault (see publisher.py); true when accepted.
  bool AddFault(const Json::Value& fault) const;
  bool SetConfig(const Json::Value& config) const;
  // Logged requests (after the ones in flight ended); `query` as
  // "server=dl0" or "" for all.
  Json::Value Log(const std::string& query = "") const;

 private:
  bool Control(const std::string& method, const std::string& path, const std::string& body,
               std::string* reply) const;

  Json::Value ports_;
  std::string root_;
  int control_port_ = 0;
};

}  // namespace testing_support

#endif  // TESTS_TEST_SUPPORT_PUBLISHER_CLIENT_H_
