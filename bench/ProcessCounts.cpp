#include "bench/ProcessCounts.h"

#include <winternl.h>

#include <algorithm>
#include <cstdint>
#include <vector>

namespace {

// One entry of the system's list of handles (SystemExtendedHandleInformation).
struct HandleEntry {
  void* object;
  ULONG_PTR processId;
  ULONG_PTR handle;
  ULONG access;
  USHORT creatorBackTrace;
  USHORT objectType;
  ULONG attributes;
  ULONG reserved;
};
struct HandleList {
  ULONG_PTR count;
  ULONG_PTR reserved;
  HandleEntry entries[1];
};
constexpr SYSTEM_INFORMATION_CLASS kSystemExtendedHandleInformation = static_cast<SYSTEM_INFORMATION_CLASS>(64);
constexpr NTSTATUS kInfoLengthMismatch = static_cast<NTSTATUS>(0xC0000004);

// One entry of a process's GDI handle table as Wine keeps it (GDI_HANDLE_ENTRY
// in its ntgdi.h): an entry is in use while its type is not 0.
struct GdiEntry {
  uint64_t object;
  ULONG owner;
  USHORT unique;
  UCHAR type;
  UCHAR flags;
  uint64_t userPointer;
};
static_assert(sizeof(GdiEntry) == 24, "Wine's entry is 24 bytes");
constexpr size_t kGdiEntries = 0x10000;
// Where a 32-bit PEB holds the address of the process's GDI handle table.
constexpr size_t kPebGdiTable = 0x94;

// Wine's ntdll exports its version; Windows' has no such export.
bool UnderWine() {
  static const bool wine = GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version") != nullptr;
  return wine;
}

}  // namespace

// Windows counts a process's handles for GetProcessHandleCount; under Wine it
// always gives 0, so there the process's entries in the system's list of handles
// are counted instead, in one call.
int HandleCount(HANDLE process) {
  DWORD counted = 0;
  if (!UnderWine()) return GetProcessHandleCount(process, &counted) ? static_cast<int>(counted) : -1;
  static std::vector<uint8_t> buffer(64 * 1024);
  NTSTATUS status;
  while ((status = NtQuerySystemInformation(kSystemExtendedHandleInformation, buffer.data(),
                                            static_cast<ULONG>(buffer.size()), nullptr)) == kInfoLengthMismatch)
    buffer.resize(buffer.size() * 2);
  if (status != 0) return -1;
  const auto* list = reinterpret_cast<const HandleList*>(buffer.data());
  const ULONG_PTR owner = GetProcessId(process);
  return static_cast<int>(std::count_if(list->entries, list->entries + list->count,
                                        [owner](const HandleEntry& entry) { return entry.processId == owner; }));
}

// Windows counts a process's GDI objects for GetGuiResources; Wine 8 always gives
// 0. Wine keeps each process's GDI handle table in that process's own memory and
// puts its address in the PEB, where Windows puts its shared table (whose layout
// differs); so under Wine the table is read from the process and its entries in
// use are counted. That count includes a few entries (3 in a small program) for
// which GetObjectType in the process says nothing. Wine hands out entries in
// order, reusing freed ones first, and an entry once used keeps its generation:
// past an entry never used (all zero) none is in use, so the table is read in
// blocks only up to the first block that ends in one.
int GdiObjectCount(HANDLE process) {
  if (!UnderWine()) return static_cast<int>(GetGuiResources(process, GR_GDIOBJECTS));
  PROCESS_BASIC_INFORMATION basic{};
  if (NtQueryInformationProcess(process, ProcessBasicInformation, &basic, sizeof basic, nullptr) != 0) return -1;
  uint32_t table = 0;
  if (!ReadProcessMemory(process, reinterpret_cast<const uint8_t*>(basic.PebBaseAddress) + kPebGdiTable, &table,
                         sizeof table, nullptr) ||
      table == 0)
    return -1;
  std::vector<GdiEntry> block(1024);
  int count = 0;
  for (size_t at = 0; at < kGdiEntries; at += block.size()) {
    if (!ReadProcessMemory(process, reinterpret_cast<const void*>(static_cast<uintptr_t>(table) + at * sizeof(GdiEntry)),
                           block.data(), block.size() * sizeof(GdiEntry), nullptr))
      return -1;
    count += static_cast<int>(
        std::count_if(block.begin(), block.end(), [](const GdiEntry& entry) { return entry.type != 0; }));
    if (block.back().unique == 0 && block.back().type == 0) break;
  }
  return count;
}
