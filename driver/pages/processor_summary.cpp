#include "pages/processor_summary.h"

#include "core/firmware_calls.h"
#include "core/string_service.h"
#include "pages/page_providers.h"
#include "pages/processor_protocols.h"
#include "platform/hardware_access.h"

namespace {

constexpr UINT16 kAdvancedClass = 2;
constexpr UINTN kShownPackages = 1;  // the page has room for the first package only
constexpr UINT32 kPlatformInfoMsr = 0xCE;

constexpr UINT16 kRatedSpeedString = 313;
constexpr UINT16 kCapabilityString = 538;

// Columns of CpuSummaryStringTable.
enum SummaryColumn : UINT8 {
  kBrandColumn,
  kSignatureColumn,
  kMicrocodeColumn,
  kSpeedColumn,
  kSecondSpeedColumn,
  kL1Type0Column,
  kL1Type1Column,
  kL2Column,
  kL3Column,
  kThreadsColumn,
  kCoreCountsColumn,
  kFeature37Column,
  kFeature38Column,
  kSummaryColumns
};

constexpr UINTN kSocketRows = 4;
// One row per socket number.
constexpr UINT16 kCpuSummaryStringTable[kSocketRows][kSummaryColumns] = {
    {472, 547, 541, 478, 484, 490, 496, 502, 508, 514, 520, 526, 532},
    {473, 548, 542, 479, 485, 491, 497, 503, 509, 515, 521, 527, 533},
    {474, 549, 543, 480, 486, 492, 498, 504, 510, 516, 522, 528, 534},
    {475, 550, 544, 481, 487, 493, 499, 505, 511, 517, 523, 529, 535},
};

// The four cache sizes the page shows, each taken from the descriptors of one
// level and type; a level's shared flag decides how its sizes are shown.
struct CacheSlot {
  UINT32 Level;
  UINT32 Type;
  SummaryColumn Column;
};
constexpr UINTN kCacheSizes = 4;
constexpr UINTN kCacheLevels = 3;
constexpr CacheSlot kCacheSlots[kCacheSizes] = {
    {1, 0, kL1Type0Column}, {1, 1, kL1Type1Column}, {2, 2, kL2Column}, {3, 2, kL3Column}};

// The page's module state, shared by the provider and the two notifications.
struct CpuSummaryState {
  EFI_HII_HANDLE HiiHandle;
  const EFI_HOB_GUID_TYPE *PlatformInfoHob;
  CpuInfoProtocol *CpuInfo;
  CpuPackageProtocol *CpuPackage;
  UINT32 CacheSizeKb[kCacheSizes];     // reset for each package
  BOOLEAN CacheShared[kCacheLevels];   // kept from the last descriptor list of each level
  EFI_EVENT CpuInfoEvent;
  VOID *CpuInfoRegistration;
  EFI_EVENT CpuPackageEvent;
  VOID *CpuPackageRegistration;
};
CpuSummaryState gCpuSummary;

BOOLEAN IsDigit(CHAR8 Character) { return Character >= '0' && Character <= '9'; }

// Reads "2.60" or "2400" (the run Brand[Start, End)) as MHz; a number is at most
// six whole digits, so the result stays far below 2^31.
BOOLEAN SpeedFromRun(const CHAR8 *Brand, UINTN Start, UINTN End, BOOLEAN Giga, UINT32 *SpeedMhz) {
  constexpr UINT32 kLargestWhole = 999999;
  constexpr UINTN kFractionDigits = 3;  // thousandths of a GHz are whole MHz
  UINT32 Whole = 0;
  UINT32 Fraction = 0;
  UINTN FractionDigits = 0;
  BOOLEAN SeenDigit = false;
  BOOLEAN SeenPoint = false;
  for (UINTN At = Start; At < End; ++At) {
    if (Brand[At] == '.') {
      if (SeenPoint) {
        return false;
      }
      SeenPoint = true;
      continue;
    }
    SeenDigit = true;
    const UINT32 Digit = (UINT32)(Brand[At] - '0');
    if (!SeenPoint) {
      if (Whole > (kLargestWhole - Digit) / 10) {
        return false;
      }
      Whole = Whole * 10 + Digit;
    } else if (FractionDigits < kFractionDigits) {
      Fraction = Fraction * 10 + Digit;
      FractionDigits++;
    }
  }
  if (!SeenDigit) {
    return false;
  }
  if (!Giga) {
    *SpeedMhz = Whole;  // fractions of a MHz are dropped
    return true;
  }
  for (; FractionDigits < kFractionDigits; ++FractionDigits) {
    Fraction *= 10;
  }
  *SpeedMhz = Whole * 1000 + Fraction;
  return true;
}

UINT32 CpuidLeaf1(UINT32 *Ebx) {
  UINT32 Eax = 0;
  UINT32 Ecx = 0;
  UINT32 Edx = 0;
  CpuidQuery(1, &Eax, Ebx, &Ecx, &Edx);
  return Eax;
}

// Logical processors per package, CPUID leaf 1 EBX bits 23:16.
UINT32 LogicalProcessorsPerPackage() {
  UINT32 Ebx = 0;
  CpuidLeaf1(&Ebx);
  return (Ebx >> 16) & 0xFF;
}

void RecordCacheDescriptor(const CacheDescriptor &Descriptor) {
  if (Descriptor.Level < 1 || Descriptor.Level > kCacheLevels) {
    return;
  }
  gCpuSummary.CacheShared[Descriptor.Level - 1] = Descriptor.Sharing != 1;
  for (UINTN Size = 0; Size < kCacheSizes; ++Size) {
    if (kCacheSlots[Size].Level == Descriptor.Level && kCacheSlots[Size].Type == Descriptor.Type) {
      gCpuSummary.CacheSizeKb[Size] = Descriptor.SizeKb;
    }
  }
}

// The list belongs to the protocol and only its count bounds it, so the walk
// reads nothing a descriptor's own length does not cover: a length shorter than
// the length field ends the walk (0 would not advance), one shorter than the
// fields read skips that descriptor, and each is copied, since a length need not
// keep the next one aligned.
void ReadCacheDescriptors(UINTN Package) {
  MemFill(gCpuSummary.CacheSizeKb, sizeof(gCpuSummary.CacheSizeKb), 0);
  CpuPackageProtocol *CpuPackage = gCpuSummary.CpuPackage;
  CacheDescriptor *List = nullptr;
  UINT32 Count = 0;
  if (EfiError(CpuPackage->GetCacheDescriptors(CpuPackage, Package, nullptr, &List, &Count)) || List == nullptr) {
    return;
  }
  const UINT8 *At = (const UINT8 *)List;
  for (UINT32 Index = 0; Index < Count; ++Index) {
    UINT32 Length = 0;
    MemMove(&Length, At, sizeof(Length));
    if (Length < sizeof(Length)) {
      return;
    }
    if (Length >= sizeof(CacheDescriptor)) {
      CacheDescriptor Descriptor;
      MemMove(&Descriptor, At, sizeof(Descriptor));
      RecordCacheDescriptor(Descriptor);
    }
    At += Length;
  }
}

// A size that exists once per core is shown times the package's cores (the
// first count), so without the counts it is not shown.
void ShowCacheSizes(const UINT16 *Row, UINT32 Cores, BOOLEAN HaveCounts) {
  for (UINTN Size = 0; Size < kCacheSizes; ++Size) {
    const UINT32 SizeKb = gCpuSummary.CacheSizeKb[Size];
    const CacheSlot &Slot = kCacheSlots[Size];
    if (SizeKb == 0) {
      continue;
    }
    if (gCpuSummary.CacheShared[Slot.Level - 1]) {
      SetPageString(gCpuSummary.HiiHandle, Row[Slot.Column], u"%d kB", SizeKb);
    } else if (HaveCounts) {
      SetPageString(gCpuSummary.HiiHandle, Row[Slot.Column], u"%d kB x %i", SizeKb, Cores);
    }
  }
}

void ShowPackage(UINTN Package, UINTN Logical, const CpuInfoRecord &Record, UINT32 Multiplier) {
  CpuPackageProtocol *CpuPackage = gCpuSummary.CpuPackage;
  const EFI_HII_HANDLE HiiHandle = gCpuSummary.HiiHandle;
  UINT32 Id = 0;
  if (EfiError(CpuPackage->GetPackageProcessorId(CpuPackage, Package, nullptr, nullptr, &Id, nullptr))) {
    Id = 0;
  }
  // A package whose socket has no row of the table is not shown.
  const UINT32 PerPackage = LogicalProcessorsPerPackage();
  if (PerPackage == 0 || Id / PerPackage >= kSocketRows) {
    return;
  }
  const UINT16 *Row = kCpuSummaryStringTable[Id / PerPackage];
  UINT32 First = 0;
  UINT32 Second = 0;
  UINT32 Third = 0;
  UINT32 Fourth = 0;
  const BOOLEAN HaveCounts =
      !EfiError(CpuPackage->GetCoreCounts(CpuPackage, Package, &First, &Second, &Third, &Fourth));

  if (Record.BrandString != nullptr) {
    SetPageString(HiiHandle, Row[kBrandColumn], u"%a", Record.BrandString);
  }
  SetPageString(HiiHandle, Row[kSignatureColumn], u"%x", Record.Signature);
  if (Record.MicrocodeRevision != 0) {
    SetPageString(HiiHandle, Row[kMicrocodeColumn], u"%x", Record.MicrocodeRevision);
  }
  const CpuPlatformProcessorRatios *Ratios = CpuPlatformInfoRatios(gCpuSummary.PlatformInfoHob, Logical);
  UINT32 SpeedMhz = 0;
  if (ParseBrandSpeed(Record.BrandString, &SpeedMhz)) {
    SetPageString(HiiHandle, Row[kSpeedColumn], u"%d MHz", SpeedMhz);
  } else if (Ratios != nullptr) {
    SetPageString(HiiHandle, Row[kSpeedColumn], u"%d MHz", Ratios->FirstRatio * Multiplier);
  }
  if (Ratios != nullptr) {
    SetPageString(HiiHandle, Row[kSecondSpeedColumn], u"%d MHz", Ratios->SecondRatio * Multiplier);
  }

  ReadCacheDescriptors(Package);
  ShowCacheSizes(Row, First, HaveCounts);
  if (HaveCounts) {
    SetPageString(HiiHandle, Row[kThreadsColumn], u"%i", First + Third);
    if (Second + Fourth > First + Third) {
      SetPageString(HiiHandle, Row[kCoreCountsColumn], u"%a", "Supported");
    }
  }
  if ((Record.FeatureWord >> 37) & 1) {
    SetPageString(HiiHandle, Row[kFeature37Column], u"%a", "Supported");
  }
  if ((Record.FeatureWord >> 38) & 1) {
    SetPageString(HiiHandle, Row[kFeature38Column], u"%a", "Supported");
  }
}

// Runs from the provider and from both notifications; sets nothing until both
// protocols are there.
void CpuSummaryBody() {
  CpuInfoProtocol *CpuInfo = gCpuSummary.CpuInfo;
  if (CpuInfo == nullptr || gCpuSummary.CpuPackage == nullptr) {
    return;
  }
  const CpuInfoRecord *Record = GetCpuInfoRecord(CpuInfo, 0);
  if (Record == nullptr) {
    return;
  }
  UINT32 Ebx = 0;
  const UINT32 Multiplier = BusClockMultiplier(CpuidLeaf1(&Ebx));
  if (Record->CapabilityFlag == 0) {
    SetPageString(gCpuSummary.HiiHandle, kCapabilityString, u"%a", "Not Supported");
  }
  SetPageString(gCpuSummary.HiiHandle, kRatedSpeedString, u"%d MHz",
                RatedSpeedMhz(MsrRead(kPlatformInfoMsr), Multiplier));

  // A package's first logical processor follows the threads of the packages before it.
  UINTN Logical = 0;
  for (UINTN Package = 0; Package < kShownPackages && Record != nullptr; ++Package) {
    ShowPackage(Package, Logical, *Record, Multiplier);
    Logical += (UINTN)Record->CoreCount * (Record->ThreadsFlag != 0 ? 2 : 1);
    Record = GetCpuInfoRecord(CpuInfo, Logical);
  }
}

VOID EFIAPI CpuInfoInstalled(EFI_EVENT, VOID *) {
  LocateInterface(&kCpuInfoProtocolGuid, (VOID **)&gCpuSummary.CpuInfo);
  CpuSummaryBody();
}

VOID EFIAPI CpuPackageInstalled(EFI_EVENT, VOID *) {
  LocateInterface(&kCpuPackageProtocolGuid, (VOID **)&gCpuSummary.CpuPackage);
  CpuSummaryBody();
}

}  // namespace

BOOLEAN ParseBrandSpeed(const CHAR8 *Brand, UINT32 *SpeedMhz) {
  if (Brand == nullptr) {
    return false;
  }
  for (UINTN Unit = 0; Brand[Unit] != 0; ++Unit) {
    const BOOLEAN Giga = AsciiEqual3(Brand + Unit, "GHz");
    if (!Giga && !AsciiEqual3(Brand + Unit, "MHz")) {
      continue;
    }
    UINTN Start = Unit;
    while (Start > 0 && (IsDigit(Brand[Start - 1]) || Brand[Start - 1] == '.')) {
      Start--;
    }
    return SpeedFromRun(Brand, Start, Unit, Giga, SpeedMhz);
  }
  return false;
}

UINT32 BusClockMultiplier(UINT32 Signature) {
  // Family 6 models 0x2A, 0x2D and 0x3A run a 100 MHz bus clock; the others 133 MHz.
  constexpr UINT32 kHundredMegahertzModels[] = {0x206A0, 0x206D0, 0x306A0};
  for (UINT32 Model : kHundredMegahertzModels) {
    if ((Signature & ~0xFu) == Model) {
      return 100;
    }
  }
  return 133;
}

UINT32 RatedSpeedMhz(UINT64 PlatformInfo, UINT32 Multiplier) {
  const UINT32 Ratio = Multiplier == 100 ? (UINT32)(PlatformInfo >> 8) & 0xFF : (UINT32)PlatformInfo & 0xFF;
  return Ratio * Multiplier;
}

VOID CpuSummaryProvider(EFI_HII_HANDLE HiiHandle, UINT16 FormClass) {
  if (FormClass != kAdvancedClass) {
    return;
  }
  gCpuSummary.HiiHandle = HiiHandle;
  const EFI_HOB_GUID_TYPE *Hob = FindGuidHob(&kCpuPlatformInfoHobGuid);
  if (Hob == nullptr) {
    return;
  }
  gCpuSummary.PlatformInfoHob = Hob;
  const BOOLEAN HaveCpuInfo = LocateInterface(&kCpuInfoProtocolGuid, (VOID **)&gCpuSummary.CpuInfo);
  const BOOLEAN HaveCpuPackage = LocateInterface(&kCpuPackageProtocolGuid, (VOID **)&gCpuSummary.CpuPackage);
  CpuSummaryBody();
  // The events stay for the rest of boot services: every later installation
  // of either protocol shows the page again.
  if (!HaveCpuInfo) {
    RegisterProtocolNotifyEvent(&kCpuInfoProtocolGuid, CpuInfoInstalled, nullptr, &gCpuSummary.CpuInfoEvent,
                                &gCpuSummary.CpuInfoRegistration);
  }
  if (!HaveCpuPackage) {
    RegisterProtocolNotifyEvent(&kCpuPackageProtocolGuid, CpuPackageInstalled, nullptr,
                                &gCpuSummary.CpuPackageEvent, &gCpuSummary.CpuPackageRegistration);
  }
}
