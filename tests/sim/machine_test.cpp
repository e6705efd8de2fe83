// The machine's tables as the driver sees them: filled from the profile, no
// null member, stray calls logged; pool accounting; the board protocols.
#include <gtest/gtest.h>

#include <cstring>

#include "driver/uefi/pi_hob.h"
#include "machine_test_support.h"
#include "sim/machine/machine.h"
#include "sim/machine/pool_allocator.h"

namespace sim {
namespace {

// Reads a table's members after its header as raw slots.
template <typename Table>
std::vector<const void *> Slots(const Table &table, size_t headerSize) {
  std::vector<const void *> slots((sizeof table - headerSize) / sizeof(void *));
  std::memcpy(slots.data(), reinterpret_cast<const uint8_t *>(&table) + headerSize, slots.size() * sizeof(void *));
  return slots;
}

uint32_t Crc32(const void *data, size_t size) {
  uint32_t crc = 0xFFFFFFFF;
  for (size_t i = 0; i < size; ++i) {
    crc ^= static_cast<const uint8_t *>(data)[i];
    for (int bit = 0; bit < 8; ++bit) crc = (crc & 1) ? (crc >> 1) ^ 0xEDB88320 : crc >> 1;
  }
  return ~crc;
}

// A table's header: its signature, the whole table's size, and a CRC over the whole table.
bool HeaderChecks(const void *table, size_t size, uint64_t signature) {
  std::vector<uint8_t> copy(static_cast<const uint8_t *>(table), static_cast<const uint8_t *>(table) + size);
  EFI_TABLE_HEADER header;
  std::memcpy(&header, copy.data(), sizeof header);
  std::memset(copy.data() + offsetof(EFI_TABLE_HEADER, CRC32), 0, sizeof header.CRC32);
  return header.Signature == signature && header.HeaderSize == size && header.CRC32 == Crc32(copy.data(), size);
}

TEST(MachineTest, TablesComeFromTheProfileAndHaveNoNullMember) {
  VariableStore store;
  const BoardProfile profile = TestProfile();
  Machine machine(profile, store);
  EFI_SYSTEM_TABLE *st = machine.SystemTable();
  EXPECT_EQ(std::u16string(st->FirmwareVendor), u"Test Vendor");
  EXPECT_EQ(st->FirmwareRevision, 0x00010002u);
  EXPECT_EQ(st->Hdr.Revision, (2u << 16) | 31);
  EXPECT_TRUE(HeaderChecks(st, sizeof *st, EFI_SYSTEM_TABLE_SIGNATURE));
  EXPECT_TRUE(HeaderChecks(st->BootServices, sizeof *st->BootServices, EFI_BOOT_SERVICES_SIGNATURE));
  EXPECT_TRUE(HeaderChecks(st->RuntimeServices, sizeof *st->RuntimeServices, EFI_RUNTIME_SERVICES_SIGNATURE));
  for (const void *slot : Slots(*st->BootServices, sizeof(EFI_TABLE_HEADER))) EXPECT_NE(slot, nullptr);
  for (const void *slot : Slots(*st->RuntimeServices, sizeof(EFI_TABLE_HEADER))) EXPECT_NE(slot, nullptr);

  ASSERT_EQ(st->NumberOfTableEntries, 2u);
  EXPECT_EQ(0, std::memcmp(&st->ConfigurationTable[0].VendorGuid, &kHobListGuid, sizeof(EFI_GUID)));
  const auto *list = static_cast<const uint8_t *>(st->ConfigurationTable[0].VendorTable);
  EFI_HOB_GENERIC_HEADER handoff;
  std::memcpy(&handoff, list, sizeof handoff);
  EXPECT_EQ(handoff.HobType, EFI_HOB_TYPE_HANDOFF);  // walkers start from the list's first HOB and skip it
  const uint8_t *hob = list + handoff.HobLength;
  EXPECT_EQ(0, std::memcmp(hob, TestProfile().hobs[0].bytes.data(), 24));  // the profile's HOB, byte for byte
  EFI_HOB_GENERIC_HEADER end;
  std::memcpy(&end, hob + 24, sizeof end);
  EXPECT_EQ(end.HobType, EFI_HOB_TYPE_END_OF_HOB_LIST);
  EXPECT_EQ(end.HobLength, sizeof end);

  EXPECT_EQ(0, std::memcmp(&st->ConfigurationTable[1].VendorGuid, &kDxeServicesTableGuid, sizeof(EFI_GUID)));
  const auto *dxe = static_cast<const DxeServicesTable *>(st->ConfigurationTable[1].VendorTable);
  EXPECT_EQ(dxe->Header.Hdr.Revision, (1u << 16) | 70);
  EXPECT_TRUE(HeaderChecks(dxe, sizeof *dxe, DXE_SERVICES_SIGNATURE));
  for (auto *service : dxe->Services) EXPECT_NE(service, nullptr);
}

TEST(MachineTest, AVendorlessProfileLeavesTheVendorPointerNull) {
  BoardProfile profile = TestProfile();
  profile.firmware.vendor = std::nullopt;
  VariableStore store;
  Machine machine(profile, store);
  EXPECT_EQ(machine.SystemTable()->FirmwareVendor, nullptr);
}

TEST(MachineTest, DxeServicesTableCanBeAbsent) {
  BoardProfile profile = TestProfile();
  profile.firmware.dxeServicesPresent = false;
  VariableStore store;
  Machine machine(profile, store);
  ASSERT_EQ(machine.SystemTable()->NumberOfTableEntries, 1u);
  EXPECT_EQ(0, std::memcmp(&machine.SystemTable()->ConfigurationTable[0].VendorGuid, &kHobListGuid, 16));
}

TEST(MachineTest, StrayCallsFailLoudlyNamingTheMember) {
  VariableStore store;
  const BoardProfile profile = TestProfile();
  Machine machine(profile, store);
  EFI_BOOT_SERVICES *bs = machine.SystemTable()->BootServices;
  EFI_RUNTIME_SERVICES *rt = machine.SystemTable()->RuntimeServices;
  VOID *hiiInterface = nullptr;
  bs->LocateProtocol(const_cast<EFI_GUID *>(&kFrameworkHiiProtocolGuid), nullptr, &hiiInterface);
  auto *hii = static_cast<EFI_HII_PROTOCOL *>(hiiInterface);
  ASSERT_NE(hii, nullptr);
  const auto *dxe = static_cast<const DxeServicesTable *>(machine.SystemTable()->ConfigurationTable[1].VendorTable);
  EFI_TIME time{};
  struct Case {
    const char *member;
    EFI_STATUS status;
  };
  const Case cases[] = {
      {"BootServices.Stall", bs->Stall(10)},
      {"BootServices.LocateHandle", bs->LocateHandle(AllHandles, nullptr, nullptr, nullptr, nullptr)},
      {"BootServices.UninstallMultipleProtocolInterfaces", bs->UninstallMultipleProtocolInterfaces(nullptr, nullptr)},
      {"RuntimeServices.GetTime", rt->GetTime(&time, nullptr)},
      {"FrameworkHii.NewString", hii->NewString()},
      {"DxeServices.Dispatch", dxe->Services[13]()},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.member);
    EXPECT_EQ(c.status, EFI_UNSUPPORTED);
    EXPECT_TRUE(HasEvent(machine.Log().Events(), "unexpected-service-call", c.member));
  }
  rt->ResetSystem(EfiResetCold, EFI_SUCCESS, 0, nullptr);  // a void member just returns
  EXPECT_TRUE(HasEvent(machine.Log().Events(), "unexpected-service-call", "RuntimeServices.ResetSystem"));
}

TEST(MachineTest, PoolAccountsForEveryBlock) {
  VariableStore store;
  const BoardProfile profile = TestProfile();
  Machine machine(profile, store);
  EFI_BOOT_SERVICES *bs = machine.SystemTable()->BootServices;
  VOID *kept = nullptr, *freed = nullptr, *empty = nullptr;
  ASSERT_EQ(bs->AllocatePool(EfiBootServicesData, 24, &kept), EFI_SUCCESS);
  ASSERT_EQ(bs->AllocatePool(EfiBootServicesData, 100, &freed), EFI_SUCCESS);
  ASSERT_EQ(bs->AllocatePool(EfiRuntimeServicesData, 0, &empty), EFI_SUCCESS);
  EXPECT_NE(empty, nullptr);
  EXPECT_EQ(static_cast<uint8_t *>(kept)[23], PoolAllocator::kFillPattern);  // not zeroed, as in firmware
  EXPECT_EQ(bs->FreePool(freed), EFI_SUCCESS);

  struct Case {
    const char *what;
    VOID *pointer;
  };
  int onStack = 0;
  const Case badFrees[] = {{"freed twice", freed}, {"never allocated", &onStack}, {"null", nullptr},
                           {"inside a block", static_cast<uint8_t *>(kept) + 8}};
  for (const Case &c : badFrees) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(bs->FreePool(c.pointer), EFI_INVALID_PARAMETER);
  }
  EXPECT_EQ(machine.Log().Count("pool-free-invalid"), 4u);
  EXPECT_EQ(machine.Pool().Outstanding(), 2u);
  EXPECT_EQ(machine.Pool().OutstandingBytes(), 24u);

  VOID *buffer = &onStack;
  EXPECT_EQ(bs->AllocatePool(EfiMaxMemoryType, 8, &buffer), EFI_INVALID_PARAMETER);
  EXPECT_EQ(bs->AllocatePool(EfiConventionalMemory, 8, &buffer), EFI_INVALID_PARAMETER);
  EXPECT_EQ(bs->AllocatePool(EfiBootServicesData, 8, nullptr), EFI_INVALID_PARAMETER);
  EXPECT_EQ(bs->AllocatePool(EfiBootServicesData, UINTN{1} << 40, &buffer), EFI_OUT_OF_RESOURCES);
  EXPECT_EQ(buffer, nullptr);
  EXPECT_EQ(machine.Pool().Outstanding(), 2u);
}

TEST(MachineTest, MemoryMapComesFromTheProfile) {
  VariableStore store;
  const BoardProfile profile = TestProfile();
  Machine machine(profile, store);
  EFI_BOOT_SERVICES *bs = machine.SystemTable()->BootServices;
  UINTN size = 0, key = 0, descriptorSize = 0;
  UINT32 version = 0;
  ASSERT_EQ(bs->GetMemoryMap(&size, nullptr, &key, &descriptorSize, &version), EFI_BUFFER_TOO_SMALL);
  ASSERT_GE(descriptorSize, sizeof(EFI_MEMORY_DESCRIPTOR));
  EXPECT_EQ(size, 2 * descriptorSize);
  EXPECT_EQ(version, 1u);
  UINTN tooSmall = size - 1;
  std::vector<uint8_t> map(size + 64);
  EXPECT_EQ(bs->GetMemoryMap(&tooSmall, reinterpret_cast<EFI_MEMORY_DESCRIPTOR *>(map.data()), &key,
                             &descriptorSize, &version),
            EFI_BUFFER_TOO_SMALL);
  UINTN roomy = map.size();
  ASSERT_EQ(bs->GetMemoryMap(&roomy, reinterpret_cast<EFI_MEMORY_DESCRIPTOR *>(map.data()), &key, &descriptorSize,
                             &version),
            EFI_SUCCESS);
  EXPECT_EQ(roomy, size);
  EFI_MEMORY_DESCRIPTOR second;
  std::memcpy(&second, map.data() + descriptorSize, sizeof second);
  EXPECT_EQ(second.Type, EfiReservedMemoryType);
  EXPECT_EQ(second.PhysicalStart, 0xF0000u);
  EXPECT_EQ(second.NumberOfPages, 16u);
  EXPECT_EQ(bs->GetMemoryMap(nullptr, nullptr, &key, &descriptorSize, &version), EFI_INVALID_PARAMETER);
}

TEST(MachineTest, BoardProtocolsAnswerFromTheProfile) {
  BoardProfile profile = TestProfile();
  profile.protocols.boardCondition = 0x5A;
  profile.protocols.boardRegisters = {{0x8310, 0x1122334455667788ULL}};
  VariableStore store;
  Machine machine(profile, store);
  EFI_BOOT_SERVICES *bs = machine.SystemTable()->BootServices;
  VOID *query = nullptr, *registers = nullptr;
  ASSERT_EQ(bs->LocateProtocol(const_cast<EFI_GUID *>(&kBoardQueryProtocolGuid), nullptr, &query), EFI_SUCCESS);
  ASSERT_EQ(bs->LocateProtocol(const_cast<EFI_GUID *>(&kBoardRegisterProtocolGuid), nullptr, &registers),
            EFI_SUCCESS);
  auto *boardQuery = static_cast<BoardQueryProtocol *>(query);
  auto *boardRegister = static_cast<BoardRegisterProtocol *>(registers);

  uint8_t buffer[8];
  std::memset(buffer, 0xFF, sizeof buffer);
  EXPECT_EQ(boardQuery->QueryBoardCondition(2, buffer), EFI_SUCCESS);
  EXPECT_EQ(std::vector<uint8_t>(buffer, buffer + 8), (std::vector<uint8_t>{0x5A, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(boardQuery->QueryBoardCondition(3, buffer), EFI_UNSUPPORTED);
  EXPECT_TRUE(HasEvent(machine.Log().Events(), "unexpected-service-call", "QueryBoardCondition"));

  uint64_t value = 0;
  EXPECT_EQ(boardRegister->ReadRegister(boardRegister, 0x8310, &value), EFI_SUCCESS);
  EXPECT_EQ(value, 0x1122334455667788ULL);
  EXPECT_EQ(boardRegister->ReadRegister(boardRegister, 0x9999, &value), EFI_SUCCESS);
  EXPECT_EQ(value, 0u);
  EXPECT_EQ(boardRegister->WriteRegister(boardRegister, 0x8318, 0), EFI_SUCCESS);
  value = 1;
  boardRegister->ReadRegister(boardRegister, 0x8318, &value);
  EXPECT_EQ(value, 0u);
  ASSERT_EQ(machine.Log().Count("board-register-write"), 1u);
  const EventRecord &write = machine.Log().Events().back();
  EXPECT_EQ(ValueOf(write, "register"), 0x8318u);
  EXPECT_EQ(ValueOf(write, "value"), 0u);
}

TEST(MachineTest, ProtocolsAppearWhenTheProfileSays) {
  BoardProfile profile = TestProfile();
  profile.protocols.frameworkHii = Install::AtLoad;
  profile.protocols.stringService = Install::AfterPublishing;
  profile.protocols.boardQuery = Install::Never;
  profile.protocols.boardRegister = Install::AfterPublishing;
  VariableStore store;
  Machine machine(profile, store);
  auto present = [&](const EFI_GUID &protocol) {
    VOID *interface = nullptr;
    return machine.SystemTable()->BootServices->LocateProtocol(const_cast<EFI_GUID *>(&protocol), nullptr,
                                                               &interface) == EFI_SUCCESS;
  };
  EXPECT_TRUE(present(kFrameworkHiiProtocolGuid));
  EXPECT_FALSE(present(kStringServiceProtocolGuid));
  EXPECT_FALSE(present(kBoardRegisterProtocolGuid));
  EXPECT_EQ(machine.Log().Count("protocol-installed"), 0u);  // installs at load are the machine's starting state

  machine.InstallBoardProtocols(Install::AfterPublishing);
  EXPECT_TRUE(present(kStringServiceProtocolGuid));
  EXPECT_TRUE(present(kBoardRegisterProtocolGuid));
  EXPECT_FALSE(present(kBoardQueryProtocolGuid));
  EXPECT_TRUE(HasEvent(machine.Log().Events(), "protocol-installed", "StringServiceProtocol"));
  EXPECT_TRUE(HasEvent(machine.Log().Events(), "protocol-installed", "BoardRegisterProtocol"));
}

}  // namespace
}  // namespace sim
