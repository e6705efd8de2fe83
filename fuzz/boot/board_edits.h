// Edits of the reference board that several fuzz targets make, reading their
// operands from the input.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "fuzz/boot/fuzz_input.h"
#include "sim/board_profile.h"

namespace fuzz_boot {

// The entry an edit names: index from FuzzInput::Index, one past the end adding an entry.
template <typename Entry>
Entry &EntryAt(std::vector<Entry> &list, size_t index) {
  if (index == list.size()) list.emplace_back();
  return list[index];
}

template <typename Entry>
void RemoveEntry(std::vector<Entry> &list, size_t index) {
  if (index < list.size()) list.erase(list.begin() + static_cast<std::ptrdiff_t>(index));
}

// Bytes (a run) written at an offset (16 bits, modulo limit), growing the block
// up to limit with bytes of 0xFF.
void PatchBytes(FuzzInput &input, std::vector<uint8_t> &block, size_t limit);

// PCI function[index] (a new one at a location read first): bytes at an offset of its configuration.
void EditPciFunction(FuzzInput &input, std::vector<sim::PciFunctionSpec> &functions);

// Memory region[index] (legacy BIOS area, option ROM images): bytes at an offset, growing it a little.
void EditMemoryRegion(FuzzInput &input, std::vector<sim::MemoryRegionSpec> &regions);

}  // namespace fuzz_boot
