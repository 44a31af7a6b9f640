// TransferScheduler: the machinery under the download engine's piece
// transfers: the multi handle that runs them, the pool of easy handles they
// borrow (set up once, kept between transfers), and their pacing under the
// player's speed limits.
//
// Pacing: each transfer has a receive limit and a budget of bytes; the
// transfer is held (paused) while its budget is spent, since this libcurl
// keeps reading while the socket has data, whatever its own limit says. The
// limits themselves may be handed over from any thread (ApplySpeedLimit);
// the engine thread takes them over at its next tick.
//
// Engine thread only, except ApplySpeedLimit.
#ifndef UPDATE_DOWNLOAD_TRANSFER_SCHEDULER_H_
#define UPDATE_DOWNLOAD_TRANSFER_SCHEDULER_H_

#include <curl/curl.h>

#include <cstdint>
#include <mutex>
#include <vector>

#include "update/download/download_delegate.h"

// A transfer's pacing: its receive limit, bytes per second (0 none), and its
// budget: bytes may be taken while `tokens` is above 0.
struct TransferPace {
  int64_t limit = 0;
  double tokens = 0;
  double tokens_time = 0;  // seconds, when the budget was last topped up
  bool throttled = false;  // held by the limit (not by the player's pause)
};

class TransferScheduler {
 public:
  // The library callbacks every pooled handle is set up with.
  struct Callbacks {
    curl_write_callback write = nullptr;
    curl_write_callback header = nullptr;
    curl_xferinfo_callback progress = nullptr;
  };
  // The budget's clock in milliseconds (null: the high-resolution counter).
  using TickSource = uint32_t (*)();

  TransferScheduler() = default;
  ~TransferScheduler();
  TransferScheduler(const TransferScheduler&) = delete;
  TransferScheduler& operator=(const TransferScheduler&) = delete;

  // A new multi handle (the old one goes) and a filled pool.
  void Init(const Callbacks& callbacks);
  // Releases the pooled handles.
  void ReleasePool();
  bool ready() const { return multi_ != nullptr; }

  // A pooled handle, the pool refilled when empty; null when none can be made.
  CURL* TakeHandle();
  // Takes `handle` out of the multi handle. One whose transfer ended goes
  // back to the pool; one taken out before (a cancel) is released, since a
  // transfer still waiting for a connection keeps its receive buffer and the
  // library then refuses a new read size on it.
  void ReturnHandle(CURL* handle, bool transfer_ended);
  CURLMcode Add(CURL* handle) { return curl_multi_add_handle(multi_, handle); }
  // Takes a handle nobody claims out of the multi handle, and no more.
  void Remove(CURL* handle) { curl_multi_remove_handle(multi_, handle); }
  size_t pooled_count() const { return pool_.size(); }

  // Lets the library move every transfer on.
  void Perform();
  // Waits up to `microseconds` for a socket to be ready: false when none
  // was. `failed` is set when the sockets could not be asked.
  bool WaitForData(long microseconds, bool* failed);
  // The next transfer that ended, or null.
  CURLMsg* NextDone();

  // --- Pacing ------------------------------------------------------------
  // Any thread: `setting` becomes `mode`'s limit at the next TakeLimits.
  void ApplySpeedLimit(int mode, SpeedSetting setting);
  // Takes the handed-over limits; true when `mode`'s changed.
  bool TakeLimits(int mode);
  // Bytes per second for each transfer of `mode`; 0 when not limited.
  int64_t LimitFor(int mode) const;
  // Sets a transfer's limit: the library's option and its budget. With
  // `starting` the read size is matched to the limit too.
  CURLcode SetLimit(CURL* handle, TransferPace* pace, int64_t limit, bool starting) const;
  // Takes `bytes` from the budget; false when it is spent.
  bool TakeBudget(TransferPace* pace, int64_t bytes) const;
  // The budget is back (or there is no limit).
  bool BudgetBack(const TransferPace& pace) const;
  void set_tick_source(TickSource source) { tick_source_ = source; }

 private:
  void FillPool();
  double Seconds() const;

  CURLM* multi_ = nullptr;
  Callbacks callbacks_;
  std::vector<CURL*> pool_;
  TickSource tick_source_ = nullptr;
  // The limits of both modes (engine thread), and the changes handed over,
  // guarded by pending_lock_.
  SpeedSetting limits_[2];
  struct PendingLimit {
    SpeedSetting setting;
    bool pending = false;
  };
  std::mutex pending_lock_;
  PendingLimit pending_[2];
};

#endif  // UPDATE_DOWNLOAD_TRANSFER_SCHEDULER_H_
