#include "fuzz/boot/board_edits.h"

#include <algorithm>

namespace fuzz_boot {

namespace {

constexpr size_t kConfigSpace = 4096;
constexpr size_t kRegionGrowth = 256;

}  // namespace

void PatchBytes(FuzzInput &input, std::vector<uint8_t> &block, size_t limit) {
  const size_t offset = input.U16() % limit;
  const std::vector<uint8_t> bytes = input.Bytes();
  const size_t end = std::min(offset + bytes.size(), limit);
  if (block.size() < end) block.resize(end, 0xFF);
  std::copy(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(end - offset), block.begin() + offset);
}

void EditPciFunction(FuzzInput &input, std::vector<sim::PciFunctionSpec> &functions) {
  const size_t index = input.Index(functions.size());
  sim::PciFunctionSpec &function = EntryAt(functions, index);
  if (index + 1 == functions.size() && function.config.empty()) {
    function.bus = input.U8();
    function.device = input.U8() % 32;
    function.function = input.U8() % 8;
  }
  PatchBytes(input, function.config, kConfigSpace);
}

void EditMemoryRegion(FuzzInput &input, std::vector<sim::MemoryRegionSpec> &regions) {
  if (regions.empty()) return;
  std::vector<uint8_t> &region = regions[input.U8() % regions.size()].bytes;
  PatchBytes(input, region, region.size() + kRegionGrowth);
}

}  // namespace fuzz_boot
