#include "app/util/machine_id.h"

#include <gtest/gtest.h>

#include "app/util/file_util.h"
#include "app/util/process_util.h"
#include "base/file/path_util.h"
#include "test_support/temp_folder.h"

namespace {

IP_ADAPTER_INFO Adapter(std::initializer_list<BYTE> address) {
  IP_ADAPTER_INFO adapter = {};
  adapter.AddressLength = static_cast<UINT>(address.size());
  std::copy(address.begin(), address.end(), adapter.Address);
  return adapter;
}

TEST(MachineIdTest, Parts) {
  // Leaf 0 of a processor that reports 22 and "GenuineIntel".
  EXPECT_EQ(160620u, ProcessorSum(0x16, 0x756e6547, 0x6c65746e, 0x49656e69));

  IP_ADAPTER_INFO first = Adapter({0x02, 0x11, 0x22, 0x33, 0x44, 0x55});
  IP_ADAPTER_INFO second = Adapter({0x02, 0xaa, 0xbb, 0xcc, 0xdd, 0xee});
  EXPECT_EQ(39272, AdapterChecksum(first));
  EXPECT_EQ(26010, AdapterChecksum(second));
  EXPECT_EQ(13416, AdapterChecksum(Adapter({0x12, 0x34, 0x56})));
  EXPECT_EQ(0, AdapterChecksum(Adapter({})));
  EXPECT_EQ(0xfffe, AdapterChecksum(Adapter({0xff, 0xff, 0xff, 0xff})));

  // The smaller checksum lands in the high half, whatever the order.
  uint32_t id = 0;
  first.Next = &second;
  ASSERT_TRUE(AdaptersIdFromList(&first, &id));
  EXPECT_EQ(1704630632u, id);
  first.Next = nullptr;
  second.Next = &first;
  ASSERT_TRUE(AdaptersIdFromList(&second, &id));
  EXPECT_EQ(1704630632u, id);
  second.Next = nullptr;
  ASSERT_TRUE(AdaptersIdFromList(&first, &id));
  EXPECT_EQ(39272u, id);
  EXPECT_FALSE(AdaptersIdFromList(nullptr, &id));

  EXPECT_EQ("PC11606201704630632", ComposeMachineId("PC1", 160620, true, 1704630632));
  EXPECT_EQ("PC1160620", ComposeMachineId("PC1", 160620, false, 0));
  EXPECT_EQ("160620", ComposeMachineId("", 160620, false, 0));
}

TEST(MachineIdTest, StableWithinAndAcrossProcesses) {
  const std::string id = GetMachineId();
  EXPECT_FALSE(id.empty());
  EXPECT_EQ(id, GetMachineId());

  char name[1024] = {};
  DWORD size = sizeof(name);
  ASSERT_TRUE(GetComputerNameA(name, &size));
  EXPECT_EQ(0u, id.find(name));

  testing_support::TempFolder temp;
  const std::wstring out = temp.Join(L"id.txt");
  RunProgram(base::GetModuleDirectory() + L"app_util_child.exe", L"machine-id \"" + out + L"\"",
             L"");
  std::string child_id;
  for (int i = 0; i < 1500 && !ReadFileTextW(out, &child_id); ++i) Sleep(10);
  EXPECT_EQ(id, child_id);
}

}  // namespace
