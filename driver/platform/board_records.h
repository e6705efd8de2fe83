// Records of the board's processor and power-supply firmware that several pages
// read: the processor information protocol and its record, the cache descriptor,
// and the two GUID hand-off blocks. Only the fields named here are read; the rest
// of each record belongs to its producer.
#pragma once

#include "uefi/pi_hob.h"

constexpr EFI_GUID kCpuInfoProtocolGuid = {
    0xF109F361, 0x370C, 0x4D9C, {0xB1, 0xAB, 0x7C, 0xA2, 0xD4, 0xC8, 0xB3, 0xFF}};
constexpr EFI_GUID kCpuPlatformInfoHobGuid = {
    0x2E547CB5, 0x40F8, 0x4F3E, {0x8A, 0xF4, 0x19, 0x52, 0xAA, 0xD5, 0x5A, 0x0C}};
constexpr EFI_GUID kPowerSupplyInfoHobGuid = {
    0x982D8C6F, 0xF6F6, 0x4135, {0xA3, 0x09, 0xA4, 0x59, 0x3E, 0xA5, 0x64, 0x17}};

// One logical processor as the processor information protocol reports it.
struct CpuInfoRecord {
  UINT32 Signature;  // CPUID leaf 1 EAX
  UINT8 Reserved0[4];
  UINT64 FeatureWord;    // bits 37 and 38 are read
  CHAR8 *BrandString;    // NUL-terminated
  UINT8 CapabilityFlag;  // 0: the capability is shown as not supported
  UINT8 CoreCount;       // cores in the package
  UINT8 ThreadsFlag;     // non-zero: two threads per core
  UINT8 Reserved1[17];
  UINT32 MicrocodeRevision;  // 0: none reported
};
static_assert(offsetof(CpuInfoRecord, FeatureWord) == 8, "CpuInfoRecord layout");
static_assert(offsetof(CpuInfoRecord, BrandString) == 16, "CpuInfoRecord layout");
static_assert(offsetof(CpuInfoRecord, CapabilityFlag) == 24, "CpuInfoRecord layout");
static_assert(offsetof(CpuInfoRecord, CoreCount) == 25, "CpuInfoRecord layout");
static_assert(offsetof(CpuInfoRecord, ThreadsFlag) == 26, "CpuInfoRecord layout");
static_assert(offsetof(CpuInfoRecord, MicrocodeRevision) == 44, "CpuInfoRecord layout");
static_assert(sizeof(CpuInfoRecord) == 48, "CpuInfoRecord layout");

// Member 0 is the only one the driver calls.
struct CpuInfoProtocol {
  EFI_STATUS(EFIAPI *GetCpuInfo)(CpuInfoProtocol *This, UINTN ProcessorIndex, CpuInfoRecord **Record);
};

// One entry of the packed list the processor package protocol returns; the next
// entry starts Length bytes further on.
struct CacheDescriptor {
  UINT32 Length;
  UINT32 Level;   // 1, 2 or 3
  UINT32 SizeKb;
  UINT32 Type;    // 0 or 1 at level 1, 2 at levels 2 and 3
  UINT32 Reserved;
  UINT32 Sharing;  // 1: one cache per core
};
static_assert(offsetof(CacheDescriptor, Level) == 4, "CacheDescriptor layout");
static_assert(offsetof(CacheDescriptor, SizeKb) == 8, "CacheDescriptor layout");
static_assert(offsetof(CacheDescriptor, Type) == 12, "CacheDescriptor layout");
static_assert(offsetof(CacheDescriptor, Sharing) == 20, "CacheDescriptor layout");
static_assert(sizeof(CacheDescriptor) == 24, "CacheDescriptor layout");

// The processor platform HOB: a fixed part, then one 31-byte record per logical
// processor, numbered as the processor information protocol numbers them. Packed:
// the records start at byte 103.
#pragma pack(push, 1)
struct CpuPlatformInfoHob {
  EFI_HOB_GUID_TYPE Header;
  UINT8 Reserved[79];
};
#pragma pack(pop)
static_assert(sizeof(CpuPlatformInfoHob) == 103, "CpuPlatformInfoHob layout");

struct CpuPlatformProcessorRatios {
  UINT8 FirstRatio;   // x bus clock multiplier = MHz
  UINT8 SecondRatio;
  UINT8 Reserved[29];
};
static_assert(sizeof(CpuPlatformProcessorRatios) == 31, "CpuPlatformInfoHob record layout");

// The ratio record of logical processor Processor, or null when the HOB's length
// does not cover its two ratio bytes.
const CpuPlatformProcessorRatios *CpuPlatformInfoRatios(const EFI_HOB_GUID_TYPE *Hob, UINTN Processor);

struct PowerSupplyInfoHob {
  EFI_HOB_GUID_TYPE Header;
  UINT8 Reserved0;
  UINT8 Scale;  // watts = RawRating >> (Scale mod 32)
  UINT8 Reserved1[4];
  UINT16 RawRating;
};
static_assert(offsetof(PowerSupplyInfoHob, Scale) == 25, "PowerSupplyInfoHob layout");
static_assert(offsetof(PowerSupplyInfoHob, RawRating) == 30, "PowerSupplyInfoHob layout");
static_assert(sizeof(PowerSupplyInfoHob) == 32, "PowerSupplyInfoHob layout");
