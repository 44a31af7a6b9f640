#include "base/callback/weak_callback.h"

#include <functional>
#include <memory>
#include <thread>

#include <gtest/gtest.h>

namespace {

class Owner : public virtual base::SupportWeakCallback {
 public:
  int calls = 0;
  std::function<void()> Closure() {
    return ToWeakCallback([this] { ++calls; });
  }
};

// Reached through two bases: there must be one flag.
class Left : public virtual base::SupportWeakCallback {};
class Right : public virtual base::SupportWeakCallback {};
class Both : public Left, public Right {};

TEST(WeakCallbackTest, RunsWhileOwnerLivesAndNotAfter) {
  auto owner = std::make_unique<Owner>();
  auto closure = owner->Closure();
  auto copy = closure;
  closure();
  copy();
  EXPECT_EQ(owner->calls, 2);

  int observed = 0;
  auto bool_callback = owner->ToWeakCallback([&observed](int v) { observed = v; return true; });
  owner.reset();
  closure();  // must not touch the destroyed owner
  EXPECT_FALSE(bool_callback(7));
  EXPECT_EQ(observed, 0);
  EXPECT_TRUE(bool_callback.Expired());
}

TEST(WeakCallbackTest, ResultIsDefaultWhenExpired) {
  auto owner = std::make_unique<Owner>();
  auto callback = owner->ToWeakCallback([](int a, int b) { return a + b; });
  EXPECT_EQ(callback(2, 3), 5);
  owner.reset();
  EXPECT_EQ(callback(2, 3), 0);
}

TEST(WeakCallbackTest, CancelKillsEarlierCallbacksOnly) {
  Owner owner;
  base::WeakCallbackFlag group;
  int group_calls = 0;
  auto before = group.ToWeakCallback([&] { ++group_calls; });
  auto own = owner.Closure();
  group.Cancel();
  auto after = group.ToWeakCallback([&] { ++group_calls; });
  before();
  after();
  own();
  EXPECT_EQ(group_calls, 1);
  EXPECT_EQ(owner.calls, 1);  // the owner's own flag is untouched
  EXPECT_TRUE(before.Expired());
  EXPECT_FALSE(after.Expired());
}

TEST(WeakCallbackTest, FlagIsMadeLazilyAndSharedAcrossBases) {
  Both both;
  EXPECT_FALSE(static_cast<Left&>(both).HasWeakFlag());
  auto a = static_cast<Left&>(both).GetWeakFlag();
  auto b = static_cast<Right&>(both).GetWeakFlag();
  EXPECT_FALSE(a.owner_before(b) || b.owner_before(a));
  EXPECT_EQ(a.use_count(), 1);
}

TEST(WeakCallbackTest, CopiesReleasedOnOtherThreadsAreSafe) {
  auto owner = std::make_unique<Owner>();
  auto closure = owner->Closure();
  std::thread t([copy = closure]() mutable {
    for (int i = 0; i < 10000; ++i) {
      auto c = copy;
      (void)c;
    }
  });
  t.join();
  closure();
  EXPECT_EQ(owner->calls, 1);
}

}  // namespace
