#include "sim/machine/processor_platform.h"

#include <algorithm>
#include <cstring>

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

CpuInfoRecord MakeRecord(const CpuInfoRecordSpec &spec, const std::string *brand) {
  CpuInfoRecord record{};
  record.Signature = spec.signature;
  record.FeatureWord = spec.featureWord;
  record.BrandString = brand != nullptr ? const_cast<CHAR8 *>(brand->c_str()) : nullptr;
  record.CapabilityFlag = spec.capabilityFlag;
  record.CoreCount = spec.coreCount;
  record.ThreadsFlag = spec.threadsFlag;
  record.MicrocodeRevision = spec.microcode;
  return record;
}

// The descriptors one after another, each its own length after the previous;
// a length shorter than a descriptor makes the next overlap it, as a malformed
// list would. They are written last to first, so every descriptor keeps the
// length the profile gives it: a walk by the lengths reaches only descriptors
// the list holds (written first to last, a descriptor overlapping its
// predecessor would replace that one's length and send a walk past the list).
std::vector<uint64_t> LayOutCaches(const std::vector<CacheDescriptorSpec> &caches) {
  std::vector<size_t> offsets;
  size_t offset = 0;
  size_t end = 0;
  for (const CacheDescriptorSpec &cache : caches) {
    offsets.push_back(offset);
    end = std::max(end, offset + sizeof(CacheDescriptor));
    offset += cache.length;
  }
  std::vector<uint64_t> list(std::max<size_t>(1, (end + 7) / 8), 0);
  auto *bytes = reinterpret_cast<uint8_t *>(list.data());
  for (size_t i = caches.size(); i-- > 0;) {
    const CacheDescriptorSpec &cache = caches[i];
    const CacheDescriptor descriptor = {cache.length, cache.level, cache.sizeKb, cache.type, 0, cache.sharing};
    std::memcpy(bytes + offsets[i], &descriptor, sizeof descriptor);
  }
  return list;
}

}  // namespace

ProcessorFirmware::ProcessorFirmware(const ProcessorBoardSpec &spec) : spec_(spec), cpuInfo_{}, cpuPackage_{} {
  // Every brand is in place before a record points at it.
  brands_.reserve(spec_.cpuInfoRecords.size());
  for (const CpuInfoRecordSpec &record : spec_.cpuInfoRecords) brands_.push_back(record.brand.value_or(""));
  for (size_t i = 0; i < spec_.cpuInfoRecords.size(); ++i) {
    const CpuInfoRecordSpec &record = spec_.cpuInfoRecords[i];
    const CpuInfoRecord built = MakeRecord(record, record.brand ? &brands_[i] : nullptr);
    records_.insert(records_.end(), record.count, built);
  }
  for (const CpuPackageSpec &package : spec_.packages) {
    cacheLists_.push_back(LayOutCaches(package.caches.value_or(std::vector<CacheDescriptorSpec>{})));
  }

  SetMember<GetCpuInfo>(cpuInfo_.table.GetCpuInfo);
  cpuInfo_.firmware = this;
  CpuPackageProtocol &table = cpuPackage_.table;
  SetUnexpected<kReserved0>(table.Reserved0);
  SetUnexpected<kReserved1>(table.Reserved1);
  SetUnexpected<kReserved2>(table.Reserved2);
  SetMember<GetCoreCounts>(table.GetCoreCounts);
  SetUnexpected<kReserved4>(table.Reserved4);
  SetUnexpected<kReserved5>(table.Reserved5);
  SetMember<GetPackageProcessorId>(table.GetPackageProcessorId);
  SetUnexpected<kReserved7>(table.Reserved7);
  SetUnexpected<kReserved8>(table.Reserved8);
  SetMember<GetCacheDescriptors>(table.GetCacheDescriptors);
  cpuPackage_.firmware = this;
}

void ProcessorFirmware::Install(Machine &machine, sim::Install when) {
  machine.InstallScheduled(when, {{spec_.cpuInfoInstall, &kCpuInfoProtocolGuid, &cpuInfo_, "CpuInfoProtocol"},
                                  {spec_.cpuPackageInstall, &kCpuPackageProtocolGuid, &cpuPackage_,
                                   "CpuPackageProtocol"}});
}

// An index beyond the records is EFI_NOT_FOUND and leaves *Record as it was.
EFI_STATUS EFIAPI ProcessorFirmware::GetCpuInfo(CpuInfoProtocol *This, UINTN ProcessorIndex, CpuInfoRecord **Record) {
  if (This == nullptr || Record == nullptr) return EFI_INVALID_PARAMETER;
  ProcessorFirmware &firmware = *reinterpret_cast<CpuInfoInterface *>(This)->firmware;
  if (ProcessorIndex >= firmware.records_.size()) return EFI_NOT_FOUND;
  *Record = &firmware.records_[ProcessorIndex];
  return EFI_SUCCESS;
}

ProcessorFirmware &ProcessorFirmware::Of(CpuPackageProtocol *This) {
  return *reinterpret_cast<CpuPackageInterface *>(This)->firmware;
}

const CpuPackageSpec *ProcessorFirmware::Package(UINTN package) const {
  return package < spec_.packages.size() ? &spec_.packages[package] : nullptr;
}

EFI_STATUS EFIAPI ProcessorFirmware::GetCoreCounts(CpuPackageProtocol *This, UINTN Package, UINT32 *First,
                                                   UINT32 *Second, UINT32 *Third, UINT32 *Fourth) {
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

EFI_STATUS EFIAPI ProcessorFirmware::GetPackageProcessorId(CpuPackageProtocol *This, UINTN Package, VOID *Selector1,
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

EFI_STATUS EFIAPI ProcessorFirmware::GetCacheDescriptors(CpuPackageProtocol *This, UINTN Package, VOID *Selector,
                                                         CacheDescriptor **List, UINT32 *Count) {
  if (Selector != nullptr) {
    Machine::Current().ReportUnexpectedCall("CpuPackage.GetCacheDescriptors with a selector");
    return EFI_UNSUPPORTED;
  }
  if (This == nullptr || List == nullptr || Count == nullptr) return EFI_INVALID_PARAMETER;
  ProcessorFirmware &firmware = Of(This);
  const CpuPackageSpec *package = firmware.Package(Package);
  if (package == nullptr) return EFI_NOT_FOUND;
  if (!package->caches) return EFI_DEVICE_ERROR;
  *List = reinterpret_cast<CacheDescriptor *>(firmware.cacheLists_[Package].data());
  *Count = static_cast<UINT32>(package->caches->size());
  return EFI_SUCCESS;
}

}  // namespace sim
