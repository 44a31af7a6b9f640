// LockedString: whole texts for every reader while another thread writes.

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>

#include "base/synchronization/locked_string.h"

namespace {

TEST(LockedStringTest, ReadersGetWholeTextsWhileAnotherThreadReplacesThem) {
  const std::string a(300, 'a');
  const std::string b(5, 'b');
  LockedStringA text(a);
  std::atomic<bool> done{false};
  std::atomic<int> bad{0};
  std::thread reader([&] {
    while (!done) {
      std::string seen = text;
      if (seen != a && seen != b) ++bad;
    }
  });
  for (int i = 0; i < 50000; ++i) text = (i % 2) ? a : b;
  done = true;
  reader.join();
  EXPECT_EQ(0, bad);

  LockedStringW copy_source(L"x");
  LockedStringW copy = copy_source;
  copy_source = L"y";
  EXPECT_EQ(L"x", copy.Get());
  EXPECT_TRUE(copy != copy_source);
  EXPECT_TRUE(copy == std::wstring(L"x"));
}

}  // namespace
