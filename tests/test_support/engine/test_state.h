// TestState: a state of any type and pass that writes what happens to it
// into a log shared by the test, as "<name>:<event>", and runs the test's
// hooks. It stands in for the update states that are not built yet, and
// lets a test watch the switching and the routing.
#ifndef TESTS_TEST_SUPPORT_ENGINE_TEST_STATE_H_
#define TESTS_TEST_SUPPORT_ENGINE_TEST_STATE_H_

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "app/controller/state.h"

namespace engine_testing {

// A log that the worker thread writes and the test reads.
class EventLog {
 public:
  void Add(const std::string& event) {
    std::lock_guard<std::mutex> hold(lock_);
    events_.push_back(event);
  }
  std::vector<std::string> Events() const {
    std::lock_guard<std::mutex> hold(lock_);
    return events_;
  }
  void Clear() {
    std::lock_guard<std::mutex> hold(lock_);
    events_.clear();
  }

 private:
  mutable std::mutex lock_;
  std::vector<std::string> events_;
};

class TestState : public State {
 public:
  TestState(EventLog* log, std::string name, int32_t type, int32_t pass)
      : State(pass), log_(log), name_(std::move(name)), type_(type) {}
  ~TestState() override { log_->Add(name_ + ":deleted"); }

  int32_t GetType() const override { return type_; }
  void Enter(State* previous) override {
    log_->Add(name_ + ":enter(" + NameOf(previous) + ")");
    if (!on_enter) return;
    std::function<void(TestState*)> hook = on_enter;
    hook(this);
  }
  void Update() override {
    log_->Add(name_ + ":update");
    // The hook may replace (and so delete) this state: it runs from a copy,
    // and nothing of the state is touched afterwards.
    if (!on_update) return;
    std::function<void(TestState*)> hook = on_update;
    hook(this);
  }
  void Exit(State* next) override { log_->Add(name_ + ":exit(" + NameOf(next) + ")"); }

  void OnDownloadFinished(int code, const std::string& url, const std::string& error) override {
    log_->Add(name_ + ":download(" + std::to_string(code) + "," + url + "," + error + ")");
  }
  void OnRequestFinished(int code, const std::string& url, const char* data, int length,
                         const std::string& error) override {
    log_->Add(name_ + ":request(" + std::to_string(code) + "," + url + "," +
              std::string(data ? data : "", data ? length : 0) + "," + error + ")");
  }
  void OnProbeFinished(int code, const std::string& url, bool exists,
                       const std::string& error) override {
    log_->Add(name_ + ":probe(" + std::to_string(code) + "," + url + "," +
              (exists ? "1" : "0") + "," + error + ")");
  }
  void OnSpeed(double) override { log_->Add(name_ + ":speed"); }

  const std::string& name() const { return name_; }

  std::function<void(TestState*)> on_enter;
  std::function<void(TestState*)> on_update;

 private:
  static std::string NameOf(State* state) {
    if (!state) return "none";
    auto* named = dynamic_cast<TestState*>(state);
    return named ? named->name_ : "other";
  }

  EventLog* log_;
  std::string name_;
  int32_t type_;
};

}  // namespace engine_testing

#endif  // TESTS_TEST_SUPPORT_ENGINE_TEST_STATE_H_
