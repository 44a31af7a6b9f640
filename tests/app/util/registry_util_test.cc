#include "app/util/registry_util.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <regex>

#include "app/util/string_util.h"

namespace {

// A key of this test's own below HKLM\SOFTWARE, removed afterwards.
class RegistryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    key_ = StringPrintf(L"SOFTWARE\\QuorvelTest_%lu", GetCurrentProcessId());
    HKEY handle = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_LOCAL_MACHINE, key_.c_str(), 0, nullptr, 0,
                                             KEY_ALL_ACCESS, nullptr, &handle, nullptr));
    RegCloseKey(handle);
  }
  void TearDown() override { RegDeleteTreeW(HKEY_LOCAL_MACHINE, key_.c_str()); }

  // The stored type and text of a value, written and read without the code under test.
  bool Read(const std::wstring& key, const std::wstring& name, DWORD* type, std::wstring* text) {
    wchar_t buffer[1024] = {};
    DWORD size = sizeof(buffer) - sizeof(wchar_t);
    if (RegGetValueW(HKEY_LOCAL_MACHINE, key.c_str(), name.c_str(), RRF_RT_ANY | RRF_NOEXPAND,
                     type, buffer, &size) != ERROR_SUCCESS)
      return false;
    *text = buffer;
    return true;
  }
  void Put(const std::wstring& name, DWORD type, const void* data, DWORD size) {
    ASSERT_EQ(ERROR_SUCCESS, RegSetKeyValueW(HKEY_LOCAL_MACHINE, key_.c_str(), name.c_str(), type,
                                             data, size));
  }

  std::wstring key_;
};

TEST_F(RegistryTest, SetStringWritesOnlyWhatChanged) {
  EXPECT_EQ(1, SetRegistryString(key_, L"", L"Quorvel", L"\"C:\\Quorvel\\launcher.exe\""));
  DWORD type = 0;
  std::wstring text;
  ASSERT_TRUE(Read(key_, L"Quorvel", &type, &text));
  EXPECT_EQ(static_cast<DWORD>(REG_SZ), type);
  EXPECT_EQ(L"\"C:\\Quorvel\\launcher.exe\"", text);
  EXPECT_EQ(0, SetRegistryString(key_, L"", L"Quorvel", L"\"C:\\Quorvel\\launcher.exe\""));
  // Case counts.
  EXPECT_EQ(1, SetRegistryString(key_, L"", L"Quorvel", L"\"c:\\quorvel\\launcher.exe\""));
  EXPECT_EQ(0, SetRegistryString(key_, L"", L"Quorvel", L"\"c:\\quorvel\\launcher.exe\""));
  EXPECT_EQ(1, SetRegistryString(key_, L"", L"Empty", L""));
  EXPECT_EQ(0, SetRegistryString(key_, L"", L"Empty", L""));
  // Longer than a path buffer.
  const std::wstring long_data(600, L'q');
  EXPECT_EQ(1, SetRegistryString(key_, L"", L"Long", long_data));
  EXPECT_EQ(0, SetRegistryString(key_, L"", L"Long", long_data));
}

TEST_F(RegistryTest, SetStringRewritesOtherTypes) {
  const wchar_t expand[] = L"LomaN.ttf";
  Put(L"Font", REG_EXPAND_SZ, expand, sizeof(expand));
  EXPECT_EQ(1, SetRegistryString(key_, L"", L"Font", L"LomaN.ttf"));
  DWORD type = 0;
  std::wstring text;
  ASSERT_TRUE(Read(key_, L"Font", &type, &text));
  EXPECT_EQ(static_cast<DWORD>(REG_SZ), type);
  DWORD number = 5;
  Put(L"Number", REG_DWORD, &number, sizeof(number));
  EXPECT_EQ(1, SetRegistryString(key_, L"", L"Number", L"5"));
  EXPECT_EQ(0, SetRegistryString(key_, L"", L"Number", L"5"));
}

TEST_F(RegistryTest, SetStringFallbackAndFailure) {
  const std::wstring missing = key_ + L"\\Missing";
  EXPECT_EQ(-1, SetRegistryString(missing, L"", L"Quorvel", L"x"));
  EXPECT_EQ(-1, SetRegistryString(missing, missing + L"2", L"Quorvel", L"x"));
  // Keys are not created by the writer.
  HKEY handle = nullptr;
  EXPECT_NE(ERROR_SUCCESS, RegOpenKeyExW(HKEY_LOCAL_MACHINE, missing.c_str(), 0, KEY_READ,
                                         &handle));
  // The fallback is used, for reading too, when the key cannot be opened.
  EXPECT_EQ(1, SetRegistryString(missing, key_, L"Quorvel", L"x"));
  EXPECT_EQ(0, SetRegistryString(missing, key_, L"Quorvel", L"x"));
  DWORD type = 0;
  std::wstring text;
  ASSERT_TRUE(Read(key_, L"Quorvel", &type, &text));
  EXPECT_EQ(L"x", text);
}

TEST_F(RegistryTest, Readers) {
  const wchar_t name[] = L"Quorvel CPU @ 3.00GHz";
  Put(L"Name", REG_SZ, name, sizeof(name));
  EXPECT_EQ("Quorvel CPU @ 3.00GHz", ReadRegistryString(key_, "Name"));
  EXPECT_EQ("", ReadRegistryString(key_, "Missing"));
  EXPECT_EQ("", ReadRegistryString(key_ + L"\\Missing", "Name"));
  const std::wstring fits(259, L'f');
  Put(L"Fits", REG_SZ, fits.c_str(), static_cast<DWORD>((fits.size() + 1) * 2));
  EXPECT_EQ(std::string(259, 'f'), ReadRegistryString(key_, "Fits"));
  const std::wstring too_long(300, L'l');
  Put(L"TooLong", REG_SZ, too_long.c_str(), static_cast<DWORD>((too_long.size() + 1) * 2));
  EXPECT_EQ("", ReadRegistryString(key_, "TooLong"));

  DWORD big = 4294967295u;
  Put(L"Big", REG_DWORD, &big, sizeof(big));
  EXPECT_EQ("4294967295", ReadRegistryDword(key_, "Big"));
  EXPECT_EQ("0", ReadRegistryDword(key_, "Missing"));
  EXPECT_EQ("0", ReadRegistryDword(key_ + L"\\Missing", "Big"));
}

TEST(SystemFactsTest, WindowsVersionAndCpu) {
  EXPECT_TRUE(std::regex_match(GetWindowsVersion(), std::regex("[0-9]+\\.[0-9]+\\.[0-9]*")))
      << GetWindowsVersion();
  EXPECT_EQ(ReadRegistryString(L"HARDWARE\\DESCRIPTION\\System\\CentralProcessor\\0",
                               "ProcessorNameString"),
            GetCpuName());
}

}  // namespace
