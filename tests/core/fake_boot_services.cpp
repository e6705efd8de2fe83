#include "tests/core/fake_boot_services.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

FakeBootServices *FakeBootServices::current_ = nullptr;

FakeBootServices::FakeBootServices() : previous_(gBS) {
  current_ = this;
  table_.AllocatePool = [](EFI_MEMORY_TYPE, UINTN size, VOID **buffer) EFIAPI -> EFI_STATUS {
    if (current_->failAllocations) return EFI_OUT_OF_RESOURCES;
    *buffer = current_->Allocate(size);
    return EFI_SUCCESS;
  };
  table_.FreePool = [](VOID *buffer) EFIAPI -> EFI_STATUS {
    if (current_->blocks_.erase(buffer) == 0) {
      ADD_FAILURE() << "FreePool of a block that is not allocated";
      return EFI_INVALID_PARAMETER;
    }
    std::free(buffer);
    return EFI_SUCCESS;
  };
  table_.LocateProtocol = [](EFI_GUID *protocol, VOID *, VOID **interface) EFIAPI -> EFI_STATUS {
    for (const auto &[guid, found] : current_->protocols_) {
      if (std::memcmp(&guid, protocol, sizeof(EFI_GUID)) == 0) {
        *interface = found;
        return EFI_SUCCESS;
      }
    }
    return EFI_NOT_FOUND;
  };
  table_.SetMem = [](VOID *buffer, UINTN size, UINT8 value) EFIAPI { std::memset(buffer, value, size); };
  gBS = &table_;
}

FakeBootServices::~FakeBootServices() {
  for (void *block : blocks_) std::free(block);
  gBS = previous_;
  current_ = nullptr;
}

void *FakeBootServices::Allocate(size_t size) {
  void *block = std::malloc(size == 0 ? 1 : size);
  std::memset(block, kPoolFill, size);  // pool memory is not cleared
  blocks_.insert(block);
  return block;
}
