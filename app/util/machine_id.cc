#include "app/util/machine_id.h"

#include <cpuid.h>

#include <algorithm>
#include <memory>

#include "base/util/string_format.h"

namespace {

constexpr DWORD kAdapterBufferSize = 0x5800;
constexpr DWORD kComputerNameSize = 1024;

uint32_t ReadProcessorSum() {
  unsigned int eax = 0, ebx = 0, ecx = 0, edx = 0;
  __cpuid_count(0, 0, eax, ebx, ecx, edx);
  return ProcessorSum(eax, ebx, ecx, edx);
}

std::string ReadComputerName() {
  char name[kComputerNameSize] = {};
  DWORD size = kComputerNameSize;
  if (!GetComputerNameA(name, &size)) return std::string();
  return std::string(name);
}

std::string ComputeMachineId() {
  uint32_t adapters_id = 0;
  bool has_adapters = GetAdaptersId(&adapters_id);
  return ComposeMachineId(ReadComputerName(), ReadProcessorSum(), has_adapters, adapters_id);
}

}  // namespace

std::string GetMachineId() {
  static const std::string id = ComputeMachineId();
  return id;
}

bool GetAdaptersId(uint32_t* id) {
  // The buffer is 8-byte aligned, as the adapter records need.
  std::unique_ptr<uint64_t[]> buffer(new uint64_t[kAdapterBufferSize / sizeof(uint64_t)]);
  auto* adapters = reinterpret_cast<IP_ADAPTER_INFO*>(buffer.get());
  ULONG size = kAdapterBufferSize;
  if (GetAdaptersInfo(adapters, &size) != ERROR_SUCCESS) return false;
  return AdaptersIdFromList(adapters, id);
}

bool AdaptersIdFromList(const IP_ADAPTER_INFO* adapters, uint32_t* id) {
  if (!adapters) return false;
  uint32_t a = AdapterChecksum(*adapters);
  if (adapters->Next) {
    uint32_t b = AdapterChecksum(*adapters->Next);
    *id = std::min(a, b) * 65536u + std::max(a, b);
  } else {
    *id = a;
  }
  return true;
}

uint16_t AdapterChecksum(const IP_ADAPTER_INFO& adapter) {
  UINT length = std::min<UINT>(adapter.AddressLength, MAX_ADAPTER_ADDRESS_LENGTH);
  uint32_t sum = 0;
  for (UINT i = 0; i < length; i += 2) {
    uint32_t word = adapter.Address[i];
    if (i + 1 < length) word += static_cast<uint32_t>(adapter.Address[i + 1]) << 8;
    sum += word;
  }
  return static_cast<uint16_t>(sum);
}

uint32_t ProcessorSum(uint32_t eax, uint32_t ebx, uint32_t ecx, uint32_t edx) {
  uint32_t sum = 0;
  for (uint32_t value : {eax, ebx, ecx, edx}) sum += (value & 0xffff) + (value >> 16);
  return sum;
}

std::string ComposeMachineId(const std::string& computer_name, uint32_t processor_sum,
                             bool has_adapters, uint32_t adapters_id) {
  std::string id = base::StringFormat("%s%u", computer_name.c_str(), processor_sum);
  if (has_adapters) id += base::StringFormat("%u", adapters_id);
  return id;
}
