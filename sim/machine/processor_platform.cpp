#include "sim/machine/processor_platform.h"

#include <algorithm>

#include "sim/machine/platform_guids.h"
#include "sim/machine/protocol_member.h"
#include "sim/machine/unexpected_call.h"

namespace sim {

namespace {

constexpr char kReserved0[] = "CpuPackage.Reserved0";
constexpr char kReserved1[] = "CpuPackage.Reserved1";
constexpr char kReserved2[] = "CpuPackage.Reserved2";
constexpr char kReserved4[] = "CpuPackage.Reserved4";
constexpr char kReserved5[] = "CpuPackage.Reserved5";
constexpr char kReserved7[] = "CpuPackage.Reserved7";
constexpr char kReserved8[] = "CpuPackage.Reserved8";

// The descriptors one after another, each its own length after the previous.
// A descriptor holds only what its length covers (at least its length field),
// so a list with a short descriptor ends where its last descriptor does and a
// reader that takes more than a length allows reads past the list. They are
// written last to first: a length too short for the length field itself makes
// the next descriptor overlap it, and the earlier length is the one a walk meets.
std::vector<uint8_t> LayOutCaches(const std::vector<CacheDescriptorSpec> &caches) {
  namespace layout = cache_descriptor;
  std::vector<size_t> offsets;
  size_t offset = 0;
  size_t end = 0;
  const auto held = [](const CacheDescriptorSpec &cache) {
    return std::clamp<size_t>(cache.length, layout::kLengthWidth, layout::kSize);
  };
  for (const CacheDescriptorSpec &cache : caches) {
    offsets.push_back(offset);
    end = std::max(end, offset + held(cache));
    offset += cache.length;
  }
  std::vector<uint8_t> list(end, 0);
  for (size_t i = caches.size(); i-- > 0;) {
    const CacheDescriptorSpec &cache = caches[i];
    uint8_t descriptor[layout::kSize] = {};
    PutLittleEndian(descriptor + layout::kLength, cache.length, 4);
    PutLittleEndian(descriptor + layout::kLevel, cache.level, 4);
    PutLittleEndian(descriptor + layout::kSizeKb, cache.sizeKb, 4);
    PutLittleEndian(descriptor + layout::kType, cache.type, 4);
    PutLittleEndian(descriptor + layout::kSharing, cache.sharing, 4);
    std::copy_n(descriptor, held(cache), list.begin() + static_cast<std::ptrdiff_t>(offsets[i]));
  }
  return list;
}

}  // namespace

ProcessorFirmware::ProcessorFirmware(const ProcessorBoardSpec &board) : board_(board), cpuInfo_{}, cpuPackage_{} {
  namespace record = cpu_info_record;
  // Every brand is in place before a record points at it.
  brands_.reserve(board_.cpuInfoRecords.size());
  for (const CpuInfoRecordSpec &source : board_.cpuInfoRecords) brands_.push_back(source.brand.value_or(""));
  for (size_t i = 0; i < board_.cpuInfoRecords.size(); ++i) {
    const CpuInfoRecordSpec &source = board_.cpuInfoRecords[i];
    CpuInfoBytes built{};
    PutLittleEndian(built.bytes + record::kSignature, source.signature, 4);
    PutLittleEndian(built.bytes + record::kFeatureWord, source.featureWord, 8);
    const char *brand = source.brand ? brands_[i].c_str() : nullptr;
    PutLittleEndian(built.bytes + record::kBrandString, reinterpret_cast<uintptr_t>(brand), 8);
    built.bytes[record::kCapabilityFlag] = source.capabilityFlag;
    built.bytes[record::kCoreCount] = source.coreCount;
    built.bytes[record::kThreadsFlag] = source.threadsFlag;
    PutLittleEndian(built.bytes + record::kMicrocode, source.microcode, 4);
    records_.insert(records_.end(), source.count, built);
  }
  for (const CpuPackageSpec &package : board_.packages) {
    cacheLists_.push_back(LayOutCaches(package.caches.value_or(std::vector<CacheDescriptorSpec>{})));
  }

  SetSlot<GetCpuInfo>(cpuInfo_.slots[cpu_info_protocol::kGetCpuInfo]);
  cpuInfo_.firmware = this;
  InterfaceSlot *slots = cpuPackage_.slots;
  SetUnexpectedSlot<kReserved0>(slots[0]);
  SetUnexpectedSlot<kReserved1>(slots[1]);
  SetUnexpectedSlot<kReserved2>(slots[2]);
  SetSlot<GetCoreCounts>(slots[cpu_package_protocol::kGetCoreCounts]);
  SetUnexpectedSlot<kReserved4>(slots[4]);
  SetUnexpectedSlot<kReserved5>(slots[5]);
  SetSlot<GetPackageProcessorId>(slots[cpu_package_protocol::kGetPackageProcessorId]);
  SetUnexpectedSlot<kReserved7>(slots[7]);
  SetUnexpectedSlot<kReserved8>(slots[8]);
  SetSlot<GetCacheDescriptors>(slots[cpu_package_protocol::kGetCacheDescriptors]);
  cpuPackage_.firmware = this;
}

void ProcessorFirmware::Install(Machine &machine, sim::Install when) {
  machine.InstallScheduled(when, {{board_.cpuInfoInstall, &guids::kCpuInfoProtocol, &cpuInfo_, "CpuInfoProtocol"},
                                  {board_.cpuPackageInstall, &guids::kCpuPackageProtocol, &cpuPackage_,
                                   "CpuPackageProtocol"}});
}

// An index beyond the records is EFI_NOT_FOUND and leaves *Record as it was.
EFI_STATUS EFIAPI ProcessorFirmware::GetCpuInfo(VOID *This, UINTN ProcessorIndex, VOID **Record) {
  if (This == nullptr || Record == nullptr) return EFI_INVALID_PARAMETER;
  ProcessorFirmware &firmware = *static_cast<CpuInfoInterface *>(This)->firmware;
  if (ProcessorIndex >= firmware.records_.size()) return EFI_NOT_FOUND;
  *Record = firmware.records_[ProcessorIndex].bytes;
  return EFI_SUCCESS;
}

ProcessorFirmware &ProcessorFirmware::Of(VOID *This) { return *static_cast<CpuPackageInterface *>(This)->firmware; }

const CpuPackageSpec *ProcessorFirmware::Package(UINTN package) const {
  return package < board_.packages.size() ? &board_.packages[package] : nullptr;
}

EFI_STATUS EFIAPI ProcessorFirmware::GetCoreCounts(VOID *This, UINTN Package, UINT32 *First, UINT32 *Second,
                                                   UINT32 *Third, UINT32 *Fourth) {
  if (This == nullptr || First == nullptr || Second == nullptr || Third == nullptr || Fourth == nullptr) {
    return EFI_INVALID_PARAMETER;
  }
  const CpuPackageSpec *package = Of(This).Package(Package);
  if (package == nullptr) return EFI_NOT_FOUND;
  if (!package->coreCounts) return EFI_DEVICE_ERROR;
  *First = (*package->coreCounts)[0];
  *Second = (*package->coreCounts)[1];
  *Third = (*package->coreCounts)[2];
  *Fourth = (*package->coreCounts)[3];
  return EFI_SUCCESS;
}

EFI_STATUS EFIAPI ProcessorFirmware::GetPackageProcessorId(VOID *This, UINTN Package, VOID *Selector1,
                                                           VOID *Selector2, UINT32 *Id, VOID *Reserved) {
  if (Selector1 != nullptr || Selector2 != nullptr || Reserved != nullptr) {
    Machine::Current().ReportUnexpectedCall("CpuPackage.GetPackageProcessorId with selectors");
    return EFI_UNSUPPORTED;
  }
  if (This == nullptr || Id == nullptr) return EFI_INVALID_PARAMETER;
  const CpuPackageSpec *package = Of(This).Package(Package);
  if (package == nullptr) return EFI_NOT_FOUND;
  if (!package->processorId) return EFI_DEVICE_ERROR;
  *Id = *package->processorId;
  return EFI_SUCCESS;
}

EFI_STATUS EFIAPI ProcessorFirmware::GetCacheDescriptors(VOID *This, UINTN Package, VOID *Selector, VOID **List,
                                                         UINT32 *Count) {
  if (Selector != nullptr) {
    Machine::Current().ReportUnexpectedCall("CpuPackage.GetCacheDescriptors with a selector");
    return EFI_UNSUPPORTED;
  }
  if (This == nullptr || List == nullptr || Count == nullptr) return EFI_INVALID_PARAMETER;
  ProcessorFirmware &firmware = Of(This);
  const CpuPackageSpec *package = firmware.Package(Package);
  if (package == nullptr) return EFI_NOT_FOUND;
  if (!package->caches) return EFI_DEVICE_ERROR;
  *List = firmware.cacheLists_[Package].data();
  *Count = static_cast<UINT32>(package->caches->size());
  return EFI_SUCCESS;
}

}  // namespace sim
