// A boot-services table for unit tests of driver pieces: pool blocks from the C
// heap with accounting, allocations that can be made to fail, and protocol
// lookup from a list. While alive it is the driver's gBS.
#pragma once

#include <cstdint>
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

  void InstallProtocol(const EFI_GUID &guid, void *interface) { protocols_.emplace_back(guid, interface); }
  static constexpr uint8_t kPoolFill = 0xCC;  // what a new pool block holds
  void *Allocate(size_t size);                // a pool block the driver may release with FreePool
  size_t OutstandingBlocks() const { return blocks_.size(); }
  bool failAllocations = false;

 private:
  static FakeBootServices *current_;
  EFI_BOOT_SERVICES table_{};
  EFI_BOOT_SERVICES *previous_;
  std::set<void *> blocks_;
  std::vector<std::pair<EFI_GUID, void *>> protocols_;
};
