// A boot-services table for unit tests of driver pieces: pool blocks from the
// C heap with accounting, allocations that can be made to fail, and protocol
// lookup from a list. While alive it is the driver's gBS.
#pragma once

#include <cstddef>
#include <set>
#include <utility>
#include <vector>

#include "driver/platform/firmware_services.h"

class FakeBootServices {
 public:
  FakeBootServices();
  ~FakeBootServices();
  FakeBootServices(const FakeBootServices &) = delete;
  FakeBootServices &operator=(const FakeBootServices &) = delete;

  void InstallProtocol(const EFI_GUID &guid, void *interface);
  void *Allocate(size_t size);  // a pool block the driver may release with FreePool
  size_t OutstandingBlocks() const { return blocks_.size(); }
  bool failAllocations = false;

 private:
  static EFI_STATUS EFIAPI AllocatePool(EFI_MEMORY_TYPE type, UINTN size, VOID **buffer);
  static EFI_STATUS EFIAPI FreePool(VOID *buffer);
  static EFI_STATUS EFIAPI LocateProtocol(EFI_GUID *protocol, VOID *registration, VOID **interface);
  static VOID EFIAPI SetMem(VOID *buffer, UINTN size, UINT8 value);

  static FakeBootServices *current_;
  EFI_BOOT_SERVICES table_{};
  EFI_BOOT_SERVICES *previous_;
  std::set<void *> blocks_;
  std::vector<std::pair<EFI_GUID, void *>> protocols_;
};
