#include "tests/core/fake_boot_services.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <stdexcept>

FakeBootServices *FakeBootServices::current_ = nullptr;

FakeBootServices::FakeBootServices() : previous_(gBS) {
  if (current_ != nullptr) {
    throw std::logic_error("one FakeBootServices at a time");
  }
  current_ = this;
  table_.AllocatePool = AllocatePool;
  table_.FreePool = FreePool;
  table_.LocateProtocol = LocateProtocol;
  table_.SetMem = SetMem;
  gBS = &table_;
}

FakeBootServices::~FakeBootServices() {
  for (void *block : blocks_) {
    std::free(block);
  }
  gBS = previous_;
  current_ = nullptr;
}

void FakeBootServices::InstallProtocol(const EFI_GUID &guid, void *interface) {
  protocols_.emplace_back(guid, interface);
}

void *FakeBootServices::Allocate(size_t size) {
  void *block = std::malloc(size == 0 ? 1 : size);
  blocks_.insert(block);
  return block;
}

EFI_STATUS EFIAPI FakeBootServices::AllocatePool(EFI_MEMORY_TYPE, UINTN size, VOID **buffer) {
  if (current_->failAllocations) {
    return EFI_OUT_OF_RESOURCES;
  }
  *buffer = current_->Allocate(size);
  return EFI_SUCCESS;
}

EFI_STATUS EFIAPI FakeBootServices::FreePool(VOID *buffer) {
  if (current_->blocks_.erase(buffer) == 0) {
    ADD_FAILURE() << "FreePool of a block that is not allocated";
    return EFI_INVALID_PARAMETER;
  }
  std::free(buffer);
  return EFI_SUCCESS;
}

EFI_STATUS EFIAPI FakeBootServices::LocateProtocol(EFI_GUID *protocol, VOID *, VOID **interface) {
  for (const auto &[guid, found] : current_->protocols_) {
    if (std::memcmp(&guid, protocol, sizeof(EFI_GUID)) == 0) {
      *interface = found;
      return EFI_SUCCESS;
    }
  }
  return EFI_NOT_FOUND;
}

VOID EFIAPI FakeBootServices::SetMem(VOID *buffer, UINTN size, UINT8 value) { std::memset(buffer, value, size); }
