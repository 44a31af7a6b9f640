// The framework's objects belong to the thread that made them (the UI
// thread): touching a control, a window or the language table from another
// thread is reported, while the language table's published texts may be
// read anywhere.
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "test_support/thread_violations.h"
#include "ui/core/box.h"
#include "ui/core/window.h"
#include "ui/skin/language_table.h"

namespace ui {
namespace {

TEST(ThreadChecks, AControlTouchedFromTheWorkerIsReported) {
  if (!THREAD_CHECKS_ON) GTEST_SKIP() << "built without thread checks";
  testing_support::ThreadViolationRecorder recorder;
  Window window;
  Box* root = new Box;
  window.SetRoot(root);
  Control* control = new Control;
  root->Add(control);
  EXPECT_TRUE(recorder.operations().empty());

  // Run one at a time: this thread waits, so only the check sees the wrong
  // thread.
  std::thread([control] { control->SetVisible(false); }).join();
  std::vector<std::string> seen = recorder.operations();
  ASSERT_FALSE(seen.empty());
  EXPECT_EQ("SetVisible", seen.front());

  std::thread([&window] { window.FindControlByName(L"none"); }).join();
  seen = recorder.operations();
  EXPECT_EQ("FindControlByName", seen.back());
}

TEST(ThreadChecks, TheWorkerReadsPublishedTextsOnly) {
  if (!THREAD_CHECKS_ON) GTEST_SKIP() << "built without thread checks";
  testing_support::ThreadViolationRecorder recorder;
  LanguageTable table;
  const std::string texts = "STRING_A = Alpha\n";
  table.LoadMemory(texts.data(), texts.size());

  std::wstring published, direct;
  std::thread([&] { published = table.GetTextAnyThread(L"STRING_A"); }).join();
  EXPECT_EQ(L"Alpha", published);
  EXPECT_TRUE(recorder.operations().empty());

  std::thread([&] { direct = table.GetText(L"STRING_A"); }).join();
  EXPECT_EQ(std::vector<std::string>{"Find"}, recorder.operations());
}

}  // namespace
}  // namespace ui
