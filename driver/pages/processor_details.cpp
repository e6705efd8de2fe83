#include "pages/processor_details.h"

#include "core/firmware_calls.h"
#include "core/setup_record.h"
#include "core/string_service.h"
#include "pages/page_providers.h"
#include "pages/processor_protocols.h"
#include "platform/unaligned.h"

namespace {

constexpr EFI_GUID kCpuDataVariableGuid = {
    0xE380280C, 0x4C35, 0x4AA3, {0xB9, 0x61, 0x7A, 0xE4, 0x89, 0xA2, 0xB9, 0x26}};

// "CPU DATA": the socket-0 record (131 bytes) and one byte that is not read.
constexpr UINTN kCpuDataReadSize = 132;
constexpr UINTN kCpuDataRecordSize = 131;
constexpr UINTN kProcessorIdOffset = 2;      // 32 bits; 0: the socket is empty
constexpr UINTN kSpeedOffset = 15;           // 16 bits, MHz
constexpr UINTN kBrandOffset = 37;           // kBrandFieldSize bytes
constexpr UINTN kCoreCountOffset = 85;
constexpr UINTN kFirstCacheOffset = 108;     // 16 bits, kB
constexpr UINTN kSecondCacheOffset = 122;    // 16 bits, kB
static_assert(kSecondCacheOffset + 2 <= kCpuDataRecordSize, "CPU DATA layout");

constexpr UINTN kCpuFeaturesSize = 28;
constexpr UINTN kCpuFeaturesSupportedOffset = 4;  // non-zero: the feature line reads "Supported"

// A brand whose parts are this short together shows as one string.
constexpr UINTN kJoinedBrandLimit = 22;

// SocketDetailsStringTable: the string ids of socket 0 (the socket-1 column is unused).
constexpr UINT16 kIdentifierString = 330;
constexpr UINT16 kBrandString = 318;
constexpr UINT16 kBrandSecondString = 320;
constexpr UINT16 kSpeedString = 314;
constexpr UINT16 kCoreCountString = 316;
constexpr UINT16 kFirstCacheString = 322;
constexpr UINT16 kSecondCacheString = 324;
constexpr UINT16 kFeatureString = 328;
constexpr UINT16 kMicrocodeString = 332;
constexpr UINT16 kCapabilityString = 118;

UINT16 Read16(const UINT8 *Record, UINTN Offset) { return *(const UnalignedUint16 *)(Record + Offset); }
UINT32 Read32(const UINT8 *Record, UINTN Offset) { return *(const UnalignedUint32 *)(Record + Offset); }

// Where the Count-th blank of Text is, or the terminator's place when Text has fewer.
UINTN FindBlank(const CHAR8 *Text, UINTN Count) {
  UINTN At = 0;
  for (UINTN Seen = 0; Text[At] != 0; ++At) {
    if (Text[At] == ' ' && ++Seen == Count) {
      break;
    }
  }
  return At;
}

// Sets the brand strings and returns the layout byte: 1 joined, 0 split.
UINT8 ShowBrand(EFI_HII_HANDLE HiiHandle, const UINT8 *CpuData) {
  UINT8 Brand[kBrandFieldSize];
  MemMove(Brand, CpuData + kBrandOffset, kBrandFieldSize);
  CHAR8 First[kBrandTextSize];
  CHAR8 Second[kBrandTextSize];
  SplitBrand(Brand, First, Second);
  const UINTN FirstLength = AsciiStrLen(First);
  const UINTN SecondLength = AsciiStrLen(Second);
  if (FirstLength + SecondLength >= kJoinedBrandLimit) {
    SetPageString(HiiHandle, kBrandString, u"%a", First);
    SetPageString(HiiHandle, kBrandSecondString, u"%a", Second);
    return 0;
  }
  SetPageString(HiiHandle, kBrandString, u"%a %a", First, Second);
  return 1;
}

void ShowSocketZero(EFI_HII_HANDLE HiiHandle, const UINT8 *CpuData, const UINT8 *CpuFeatures,
                    CpuInfoProtocol *CpuInfo, UINT8 *Setup, UINTN SetupSize) {
  SetSetupByte(Setup, SetupSize, kSetupSocket0AbsentOffset, 1);
  // Only socket 0 has a record, so socket 1 always counts as absent.
  SetSetupByte(Setup, SetupSize, kSetupSocket1AbsentOffset, 1);
  const UINT32 Identifier = Read32(CpuData, kProcessorIdOffset);
  if (Identifier == 0) {
    return;
  }
  SetSetupByte(Setup, SetupSize, kSetupSocket0AbsentOffset, 0);
  SetPageString(HiiHandle, kIdentifierString, u"%x", Identifier);
  SetSetupByte(Setup, SetupSize, kSetupBrandJoinedOffset, ShowBrand(HiiHandle, CpuData));
  SetPageString(HiiHandle, kSpeedString, u"%d MHz", Read16(CpuData, kSpeedOffset));
  SetPageString(HiiHandle, kCoreCountString, u"%d", CpuData[kCoreCountOffset]);
  SetPageString(HiiHandle, kFirstCacheString, u"%d kB", Read16(CpuData, kFirstCacheOffset));
  SetPageString(HiiHandle, kSecondCacheString, u"%d kB", Read16(CpuData, kSecondCacheOffset));
  if (CpuFeatures[kCpuFeaturesSupportedOffset] != 0) {
    SetPageString(HiiHandle, kFeatureString, u"%a", "Supported");
  }
  // Without a record for the socket's first processor its two lines keep the list's text.
  const CpuInfoRecord *Record = GetCpuInfoRecord(CpuInfo, 0);
  if (Record == nullptr) {
    return;
  }
  if (Record->MicrocodeRevision != 0) {
    SetPageString(HiiHandle, kMicrocodeString, u"%x", Record->MicrocodeRevision);
  }
  if (Record->CapabilityFlag == 0) {
    SetPageString(HiiHandle, kCapabilityString, u"%a", "Not Supported");
  }
}

}  // namespace

void SplitBrand(const UINT8 (&Brand)[kBrandFieldSize], CHAR8 (&First)[kBrandTextSize],
                CHAR8 (&Second)[kBrandTextSize]) {
  MemMove(First, Brand, kBrandFieldSize);
  First[kBrandFieldSize] = 0;
  MemMove(Second, First, kBrandTextSize);

  First[FindBlank(First, 2)] = 0;

  UINTN Start = FindBlank(Second, 3);
  if (Second[Start] == 0) {
    Start = 0;
  } else {
    while (Second[Start] == ' ') {
      Start++;
    }
  }
  const UINTN Length = FindBlank(Second + Start, 1);
  MemMove(Second, Second + Start, Length);
  Second[Length] = 0;
}

EFI_STATUS SocketDetailsProvider(EFI_HII_HANDLE HiiHandle, UINT16) {
  UINT8 CpuData[kCpuDataReadSize];
  UINTN CpuDataSize = sizeof(CpuData);
  EFI_STATUS Status = ReadVariable(u"CPU DATA", &kCpuDataVariableGuid, &CpuDataSize, CpuData);
  if (EfiError(Status)) {
    return Status;
  }
  if (CpuDataSize < kCpuDataRecordSize) {
    return EFI_VOLUME_CORRUPTED;  // a record cut short: its fields would be read from stale bytes
  }
  UINT8 Setup[kSetupDataSize];
  UINTN SetupSize = sizeof(Setup);
  UINT32 SetupAttributes = 0;
  Status = ReadVariable(u"Setup", &kSetupVariableGuid, &SetupSize, Setup, &SetupAttributes);
  if (EfiError(Status)) {
    return Status;
  }
  if (SetupSize > kSetupDataSize) {
    return EFI_BAD_BUFFER_SIZE;  // a firmware that claims more than it could have stored
  }
  // A shorter variable has no feature byte: the zeros read as not supported.
  UINT8 CpuFeatures[kCpuFeaturesSize] = {};
  UINTN CpuFeaturesSize = sizeof(CpuFeatures);
  Status = ReadVariable(u"SetupCpuFeatures", &kSetupVariableGuid, &CpuFeaturesSize, CpuFeatures);
  if (EfiError(Status)) {
    return Status;
  }
  CpuInfoProtocol *CpuInfo = nullptr;
  if (!LocateInterface(&kCpuInfoProtocolGuid, (VOID **)&CpuInfo)) {
    return EFI_NOT_FOUND;
  }

  // The socket bytes come out the same for every list: only the first run of a
  // boot may find them changed.
  UINT8 StoredSetup[kSetupDataSize];
  MemMove(StoredSetup, Setup, SetupSize);
  const VariableAsRead Stored = {StoredSetup, SetupSize, SetupAttributes};
  ShowSocketZero(HiiHandle, CpuData, CpuFeatures, CpuInfo, Setup, SetupSize);

  Status = StoreNonVolatile(u"Setup", &kSetupVariableGuid, kAttrNvBsRt, SetupSize, Setup, &Stored);
  return EfiError(Status) ? Status : EFI_SUCCESS;
}
