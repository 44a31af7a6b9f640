// The browser controls' small parts, without a runtime: the after-create
// list's order, address fragments, the modifier flags of mouse and key
// messages, the frame hand-over buffer and the memory bitmaps.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "browser/cef_control_base.h"
#include "browser/cef_input.h"
#include "browser/memory_bitmap_dc.h"
#include "browser/paint_buffer.h"
#include "browser/unregisted_callback_list.h"

namespace {

TEST(UnregistedCallbackListTest, RunsInAddingOrderAndForgetsRemovedOnes) {
  std::string ran;
  std::function<void()> remove_b;
  {
    comp::UnregistedCallbackList<std::function<void()>> list;
    // Enough entries that an address-keyed hash map would mix them up.
    for (char c = 'a'; c <= 'p'; ++c) {
      auto remove = list.AddCallback([&ran, c] { ran += c; });
      if (c == 'b') remove_b = remove;
    }
    remove_b();
    for (const auto& callback : list.TakeAll()) (*callback)();
    EXPECT_TRUE(list.empty());
  }
  EXPECT_EQ("acdefghijklmnop", ran);
  remove_b();  // the list is gone: nothing happens
}

TEST(CefControlBaseTest, StripUrlFragmentCutsAtTheFirstHash) {
  struct Case {
    const wchar_t* url;
    const wchar_t* page;
  } cases[] = {
      {L"http://a.test/p#one#two", L"http://a.test/p"},
      {L"http://a.test/p", L"http://a.test/p"},
      {L"#only", L""},
      {L"", L""},
      {L"http://a.test/\u00e9t\u00e9#x", L"http://a.test/\u00e9t\u00e9"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(std::wstring(c.page), comp::CefControlBase::StripUrlFragment(c.url).ToWString())
        << CefString(c.url).ToString();
  }
}

// The key states a test sets: down keys and toggled keys.
std::vector<int> g_down;
std::vector<int> g_toggled;

SHORT WINAPI FakeKeyState(int key) {
  SHORT state = 0;
  for (int k : g_down) {
    if (k == key) state |= static_cast<SHORT>(0x8000);
  }
  for (int k : g_toggled) {
    if (k == key) state |= 1;
  }
  return state;
}

TEST(CefInputTest, MouseModifiers) {
  struct Case {
    WPARAM wparam;
    std::vector<int> down, toggled;
    uint32_t expected;
  } cases[] = {
      {0, {}, {}, 0},
      {MK_LBUTTON, {}, {}, EVENTFLAG_LEFT_MOUSE_BUTTON},
      {MK_RBUTTON | MK_SHIFT, {}, {}, EVENTFLAG_RIGHT_MOUSE_BUTTON | EVENTFLAG_SHIFT_DOWN},
      {MK_MBUTTON | MK_CONTROL, {}, {}, EVENTFLAG_MIDDLE_MOUSE_BUTTON | EVENTFLAG_CONTROL_DOWN},
      {0, {VK_MENU}, {}, EVENTFLAG_ALT_DOWN},
      // Shift and Control come from wParam alone, not the key states.
      {0, {VK_SHIFT, VK_CONTROL}, {}, 0},
      {0, {}, {VK_CAPITAL, VK_NUMLOCK}, EVENTFLAG_CAPS_LOCK_ON | EVENTFLAG_NUM_LOCK_ON},
  };
  for (const Case& c : cases) {
    g_down = c.down;
    g_toggled = c.toggled;
    EXPECT_EQ(c.expected, comp::GetCefMouseModifiers(c.wparam, &FakeKeyState)) << c.wparam;
  }
}

TEST(CefInputTest, KeyboardModifiers) {
  constexpr LPARAM kExtended = 1 << 24;
  struct Case {
    WPARAM key;
    LPARAM lparam;
    std::vector<int> down, toggled;
    uint32_t expected;
  } cases[] = {
      {'A', 0, {}, {}, 0},
      {'A', 0, {VK_SHIFT, VK_CONTROL, VK_MENU}, {},
       EVENTFLAG_SHIFT_DOWN | EVENTFLAG_CONTROL_DOWN | EVENTFLAG_ALT_DOWN},
      {'A', 0, {}, {VK_CAPITAL, VK_NUMLOCK}, EVENTFLAG_CAPS_LOCK_ON | EVENTFLAG_NUM_LOCK_ON},
      {VK_NUMPAD7, 0, {}, {}, EVENTFLAG_IS_KEY_PAD},
      {VK_DIVIDE, kExtended, {}, {}, EVENTFLAG_IS_KEY_PAD},
      {VK_CLEAR, 0, {}, {}, EVENTFLAG_IS_KEY_PAD},
      {VK_SEPARATOR, 0, {}, {}, 0},
      {VK_RETURN, 0, {}, {}, 0},
      {VK_RETURN, kExtended, {}, {}, EVENTFLAG_IS_KEY_PAD},
      // The cursor block: on the key pad when not extended.
      {VK_HOME, 0, {}, {}, EVENTFLAG_IS_KEY_PAD},
      {VK_HOME, kExtended, {}, {}, 0},
      {VK_DELETE, 0, {}, {}, EVENTFLAG_IS_KEY_PAD},
      {VK_SHIFT, 0, {VK_SHIFT, VK_LSHIFT}, {}, EVENTFLAG_SHIFT_DOWN | EVENTFLAG_IS_LEFT},
      {VK_SHIFT, 0, {VK_SHIFT, VK_RSHIFT}, {}, EVENTFLAG_SHIFT_DOWN | EVENTFLAG_IS_RIGHT},
      {VK_CONTROL, 0, {VK_RCONTROL}, {}, EVENTFLAG_IS_RIGHT},
      {VK_MENU, 0, {VK_LMENU}, {}, EVENTFLAG_IS_LEFT},
      {VK_LWIN, 0, {}, {}, EVENTFLAG_IS_LEFT},
      {VK_RWIN, 0, {}, {}, EVENTFLAG_IS_RIGHT},
  };
  for (const Case& c : cases) {
    g_down = c.down;
    g_toggled = c.toggled;
    EXPECT_EQ(c.expected, comp::GetCefKeyboardModifiers(c.key, c.lparam, &FakeKeyState))
        << "key " << c.key << " lparam " << c.lparam;
  }
}

TEST(PaintBufferTest, GrowsToTheLargestFrameAndRefusesBadOnes) {
  comp::PaintBuffer buffer;
  EXPECT_FALSE(buffer.Read([](const uint8_t*, int, int) {}));
  std::vector<uint32_t> large(800 * 600, 0xff112233u), small(400 * 300, 0xff445566u);
  ASSERT_TRUE(buffer.Store(large.data(), 800, 600));
  EXPECT_EQ(1920001u, buffer.capacity());
  ASSERT_TRUE(buffer.Store(small.data(), 400, 300));
  EXPECT_EQ(1920001u, buffer.capacity());
  // The reader sees the last frame at its own size.
  int width = 0, height = 0;
  uint32_t first = 0;
  EXPECT_TRUE(buffer.Read([&](const uint8_t* pixels, int w, int h) {
    width = w;
    height = h;
    first = *reinterpret_cast<const uint32_t*>(pixels);
  }));
  EXPECT_EQ(400, width);
  EXPECT_EQ(300, height);
  EXPECT_EQ(0xff445566u, first);

  struct Bad {
    const void* pixels;
    int width, height;
  } bad[] = {{nullptr, 10, 10}, {small.data(), 0, 10}, {small.data(), 10, -1},
             {small.data(), 1 << 20, 1 << 20}, {small.data(), 1, 70000}};
  for (const Bad& b : bad) EXPECT_FALSE(buffer.Store(b.pixels, b.width, b.height));
  EXPECT_EQ(2u, buffer.serial());
}

TEST(MemoryBitmapDCTest, MadeZeroedAndReleasedOnFailure) {
  HDC screen = GetDC(nullptr);
  comp::MemoryBitmapDC record;
  ASSERT_TRUE(comp::CreateMemoryBitmapDC(&record, screen, 16, 8));
  EXPECT_TRUE(record.usable());
  EXPECT_EQ(16, record.description.bmWidth);
  EXPECT_EQ(8, record.description.bmHeight);
  EXPECT_EQ(0u, reinterpret_cast<uint32_t*>(record.pixels())[16 * 8 - 1]);

  struct Case {
    HDC reference;
    int width, height;
  } failures[] = {{nullptr, 16, 8}, {screen, 0, 8}, {screen, 16, 0}, {screen, -3, 8}};
  for (const Case& c : failures) {
    ASSERT_TRUE(comp::CreateMemoryBitmapDC(&record, screen, 16, 8));
    EXPECT_FALSE(comp::CreateMemoryBitmapDC(&record, c.reference, c.width, c.height));
    EXPECT_FALSE(record.valid);
    EXPECT_EQ(nullptr, record.dc);
    EXPECT_EQ(nullptr, record.bitmap);
  }
  comp::ReleaseMemoryBitmapDC(&record);
  comp::ReleaseMemoryBitmapDC(&record);  // twice is harmless
  ReleaseDC(nullptr, screen);
}

}  // namespace
