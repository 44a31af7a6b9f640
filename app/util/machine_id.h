// The machine identifier sent as "udid" and in tracking records: the computer
// name, the sum of the processor's identification words and a checksum of
// the first two network adapters' hardware addresses, in decimal.
//
// Computed once per process (the first call, safely from any thread) and
// never again; later changes of the name or the adapters do not change it.
#ifndef APP_UTIL_MACHINE_ID_H_
#define APP_UTIL_MACHINE_ID_H_

#include <winsock2.h>
#include <windows.h>
#include <iphlpapi.h>

#include <cstdint>
#include <string>

std::string GetMachineId();

// The adapter part: false when the system's adapter list cannot be read.
bool GetAdaptersId(uint32_t* id);
// The same for a given adapter list (null: none; false then).
bool AdaptersIdFromList(const IP_ADAPTER_INFO* adapters, uint32_t* id);
// Sum, modulo 65536, of the hardware address as 16-bit little-endian words.
uint16_t AdapterChecksum(const IP_ADAPTER_INFO& adapter);

// The low and high 16 bits of the four registers of the processor
// identification's leaf 0, added up.
uint32_t ProcessorSum(uint32_t eax, uint32_t ebx, uint32_t ecx, uint32_t edx);

// Name, processor sum and, when there is one, the adapter part, in decimal.
std::string ComposeMachineId(const std::string& computer_name, uint32_t processor_sum,
                             bool has_adapters, uint32_t adapters_id);

#endif  // APP_UTIL_MACHINE_ID_H_
