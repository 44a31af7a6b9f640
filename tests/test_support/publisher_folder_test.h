// Base fixture for tests against the sample publisher: connects and resets
// it, and runs each test in a fresh folder with a "save" folder, like the
// launcher's own. Derived fixtures call SetUp/TearDown of this class first/last.
#ifndef TESTS_TEST_SUPPORT_PUBLISHER_FOLDER_TEST_H_
#define TESTS_TEST_SUPPORT_PUBLISHER_FOLDER_TEST_H_

#include <windows.h>

#include <string>

#include <gtest/gtest.h>

#include "test_support/publisher_client.h"
#include "test_support/temp_folder.h"

namespace testing_support {

class PublisherFolderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    ASSERT_TRUE(publisher_.Connect(&error)) << error;
    ASSERT_TRUE(publisher_.Reset());
    GetCurrentDirectoryW(MAX_PATH, previous_);
    ASSERT_TRUE(SetCurrentDirectoryW(folder_.path().c_str()));
    CreateDirectoryW(L"save", nullptr);
  }
  void TearDown() override { SetCurrentDirectoryW(previous_); }

  PublisherClient publisher_;
  TempFolder folder_;
  wchar_t previous_[MAX_PATH] = {};
};

}  // namespace testing_support

#endif  // TESTS_TEST_SUPPORT_PUBLISHER_FOLDER_TEST_H_
