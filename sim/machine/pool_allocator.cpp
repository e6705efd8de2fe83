#include "sim/machine/pool_allocator.h"

#include <cstdlib>
#include <cstring>
#include <iterator>

namespace sim {

PoolAllocator::~PoolAllocator() {
  for (const Block &block : blocks_) std::free(block.address);
}

void *PoolAllocator::Allocate(size_t size) {
  // A zero-byte request still gets a block of its own, as in firmware.
  void *block = std::malloc(size == 0 ? 1 : size);
  if (block == nullptr) return nullptr;
  std::memset(block, kFillPattern, size);
  blocks_.push_back({block, size});
  return block;
}

bool PoolAllocator::Free(void *block) {
  for (auto it = blocks_.rbegin(); it != blocks_.rend(); ++it) {
    if (it->address != block) continue;
    std::free(block);
    blocks_.erase(std::next(it).base());
    return true;
  }
  return false;
}

size_t PoolAllocator::OutstandingBytes() const {
  size_t bytes = 0;
  for (const Block &block : blocks_) bytes += block.size;
  return bytes;
}

}  // namespace sim
