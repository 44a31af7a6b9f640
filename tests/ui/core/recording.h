// Controls that write what reaches them into a shared log, for tests of
// event order, climbing and activation.
#ifndef TESTS_UI_CORE_RECORDING_H_
#define TESTS_UI_CORE_RECORDING_H_

#include <string>
#include <vector>

#include "ui/core/box.h"

namespace ui {

using EventLog = std::vector<std::string>;

template <typename Base>
class Recording : public Base {
 public:
  Recording(EventLog* log, std::string tag) : log_(log), tag_(std::move(tag)) {}
  ~Recording() override {
    if (deleted_) *deleted_ = true;
  }
  void HandleEvent(EventArgs& args) override {
    log_->push_back(tag_ + ".handle" + std::to_string(args.type) + SenderNote(args));
    Base::HandleEvent(args);
  }
  void Activate() override { log_->push_back(tag_ + ".activate"); }
  void SetDeletedFlag(bool* deleted) { deleted_ = deleted; }

  // A listener that logs and answers the given result.
  EventCallback Listener(const std::string& name, bool result) {
    EventLog* log = log_;
    return [log, name, result](EventArgs*) {
      log->push_back(name);
      return result;
    };
  }

 private:
  std::string SenderNote(const EventArgs& args) const {
    return args.sender == this ? "" : "(child)";
  }

  EventLog* log_;
  std::string tag_;
  bool* deleted_ = nullptr;
};

using RecordingControl = Recording<Control>;
using RecordingBox = Recording<Box>;

}  // namespace ui

#endif  // TESTS_UI_CORE_RECORDING_H_
