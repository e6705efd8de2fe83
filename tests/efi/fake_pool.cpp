#include "fake_pool.h"

#include <cstdlib>
#include <cstring>
#include <set>

#include "platform/firmware_services.h"

namespace fake_pool {
namespace {

std::set<void *> gBlocks;
bool gFail;

EFI_STATUS EFIAPI AllocatePool(EFI_MEMORY_TYPE, UINTN size, VOID **buffer) {
  if (gFail) return EFI_OUT_OF_RESOURCES;
  *buffer = std::malloc(size);
  std::memset(*buffer, 0xAF, size);
  gBlocks.insert(*buffer);
  return EFI_SUCCESS;
}

EFI_STATUS EFIAPI FreePool(VOID *buffer) {
  if (gBlocks.erase(buffer) == 0) return EFI_INVALID_PARAMETER;
  std::free(buffer);
  return EFI_SUCCESS;
}

VOID EFIAPI SetMem(VOID *buffer, UINTN size, UINT8 value) { std::memset(buffer, value, size); }

}  // namespace

void Install() {
  static EFI_BOOT_SERVICES boot{};
  static EFI_SYSTEM_TABLE system{};
  boot.AllocatePool = AllocatePool;
  boot.FreePool = FreePool;
  boot.SetMem = SetMem;
  system.BootServices = &boot;
  CaptureServiceTables(&system, &system);
}

size_t Outstanding() { return gBlocks.size(); }

void FailAllocations(bool fail) { gFail = fail; }

}  // namespace fake_pool
