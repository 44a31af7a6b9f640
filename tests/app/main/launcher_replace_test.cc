// The replace mode as a process. It waits 4 s for the launcher that started
// it, takes no window and no single-instance semaphore, so it runs beside the
// other process tests instead of under their lock, and its two cases wait at
// the same time.

#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "app/main/launcher_copy.h"
#include "app/util/file_util.h"
#include "test_support/pump_until.h"

namespace {

using app_testing::LauncherCopy;
using testing_support::PumpUntil;

TEST(LauncherReplaceTest, ReplaceCopiesTheNewFileAndStartsTheCommand) {
  LauncherCopy replacer;
  LauncherCopy started;
  ASSERT_TRUE(WriteFileTextW(replacer.Path(L"new.bin"), "new"));
  ASSERT_TRUE(WriteFileTextW(replacer.Path(L"old.bin"), "old"));
  // The command is started as it stands: here another launcher's tool mode.
  std::wstring command = started.exe() + L" make_version 9_9_9";
  // Empty arguments copy nothing and start nothing.
  LauncherCopy empty;
  ASSERT_TRUE(WriteFileTextW(empty.Path(L"old.bin"), "old"));

  ASSERT_TRUE(replacer.Start({L"replace", replacer.Path(L"new.bin"), replacer.Path(L"old.bin"),
                              command}));
  ASSERT_TRUE(empty.Start({L"replace", L"", L"", L""}));
  ASSERT_EQ(0, replacer.WaitForExit());
  ASSERT_EQ(0, empty.WaitForExit());

  std::string text;
  ASSERT_TRUE(ReadFileTextW(replacer.Path(L"old.bin"), &text));
  EXPECT_EQ("new", text);
  EXPECT_TRUE(PumpUntil([&] { return started.MapVersion(L"launcher_version_map.txt") == "9_9_9"; }));

  ASSERT_TRUE(ReadFileTextW(empty.Path(L"old.bin"), &text));
  EXPECT_EQ("old", text);
  EXPECT_FALSE(empty.Exists(L"save"));
}

}  // namespace
