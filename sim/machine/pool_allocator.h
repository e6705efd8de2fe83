// Boot-services pool memory with an account of every block, so a boot can
// report the blocks the driver never released.
#pragma once

#include <cstddef>
#include <vector>

namespace sim {

class PoolAllocator {
 public:
  PoolAllocator() = default;
  ~PoolAllocator();
  PoolAllocator(const PoolAllocator &) = delete;
  PoolAllocator &operator=(const PoolAllocator &) = delete;

  // Null when the host has no memory for it. The block is filled with a
  // pattern, not zeros: firmware pool memory is not cleared either.
  void *Allocate(size_t size);
  bool Free(void *block);  // false for a pointer this pool did not hand out (or already took back)

  size_t Outstanding() const { return blocks_.size(); }
  size_t OutstandingBytes() const;

  static constexpr unsigned char kFillPattern = 0xAF;

 private:
  struct Block {
    void *address;
    size_t size;
  };
  // A list, searched from its newest end: a boot holds few blocks at once and
  // mostly frees the newest, and a list needs no allocation per block.
  std::vector<Block> blocks_;
};

}  // namespace sim
