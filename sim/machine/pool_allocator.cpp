#include "sim/machine/pool_allocator.h"

#include <cstdlib>
#include <cstring>

namespace sim {

PoolAllocator::~PoolAllocator() {
  for (auto &block : blocks_) std::free(block.first);
}

void *PoolAllocator::Allocate(size_t size) {
  // A zero-byte request still gets a block of its own, as in firmware.
  void *block = std::malloc(size == 0 ? 1 : size);
  if (block == nullptr) return nullptr;
  std::memset(block, kFillPattern, size);
  blocks_[block] = size;
  return block;
}

bool PoolAllocator::Free(void *block) {
  auto found = blocks_.find(block);
  if (found == blocks_.end()) return false;
  std::free(found->first);
  blocks_.erase(found);
  return true;
}

size_t PoolAllocator::OutstandingBytes() const {
  size_t bytes = 0;
  for (const auto &block : blocks_) bytes += block.second;
  return bytes;
}

}  // namespace sim
