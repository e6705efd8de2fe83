// The processor firmware's records and the processor hardware: CpuInfoRecords and
// their brand texts, the packages' core counts, ids and cache descriptor lists,
// install timings, CPUID leaves, MSRs and the hardware-monitor chip's registers,
// as edits to the reference board; the driver boots twice on it.
//
// Input: edits, each an opcode byte (modulo 10) and its operands (fuzz_input.h):
//   0 record[index] = count, signature, feature word, capability flag, core
//     count, threads flag, microcode, brand (a text, or null)
//   1 remove record[index]         2 package[index] id and core counts (each present or not)
//   3 package[index] caches: a count (0xFF: the member fails), then per
//     descriptor its length, level, size in KB, type and sharing
//   4 remove package[index]        5 CPUID leaf (1, or any) = eax, ebx, ecx, edx
//   6 MSR (0xCE, or any) = value   7 monitor register (bank, index) = successive readings
//   8 install timings of CpuInfoProtocol and CpuPackageProtocol
//   9 monitor chip: absent, or its bank select at power-on
#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "fuzz/boot/board_edits.h"
#include "fuzz/boot/boot_harness.h"

namespace {

using fuzz_boot::EntryAt;
using fuzz_boot::FuzzInput;
using fuzz_boot::RemoveEntry;

constexpr uint8_t kAnyNumber = 0x80;  // a selector byte from here on reads a number of its own
constexpr uint32_t kProcessorLeaf = 1;
constexpr uint32_t kPlatformInfoMsr = 0xCE;
constexpr uint8_t kCacheListFails = 0xFF;
constexpr uint8_t kMostDescriptors = 16;
constexpr uint8_t kBanks = 8;

void EditRecord(FuzzInput &input, sim::CpuInfoRecordSpec &record) {
  record.count = input.U8();
  record.signature = input.U32();
  record.featureWord = input.U64();
  record.capabilityFlag = input.U8();
  record.coreCount = input.U8();
  record.threadsFlag = input.U8();
  record.microcode = input.U32();
  record.brand = input.TextOrNull();
}

void EditPackage(FuzzInput &input, sim::CpuPackageSpec &package) {
  package.processorId.reset();
  if (input.U8() & 1) package.processorId = input.U32();
  package.coreCounts.reset();
  if (input.U8() & 1) package.coreCounts = {{input.U32(), input.U32(), input.U32(), input.U32()}};
}

void EditCaches(FuzzInput &input, sim::CpuPackageSpec &package) {
  const uint8_t count = input.U8();
  package.caches.reset();
  if (count == kCacheListFails) return;
  package.caches.emplace();
  for (uint8_t i = 0; i < count % (kMostDescriptors + 1); ++i) {
    sim::CacheDescriptorSpec cache;
    cache.length = input.U8();
    cache.level = input.U8();
    cache.sizeKb = input.U32();
    cache.type = input.U8();
    cache.sharing = input.U8();
    package.caches->push_back(cache);
  }
}

void EditCpuid(FuzzInput &input, std::vector<sim::CpuidSpec> &leaves) {
  const uint32_t leaf = input.U8() < kAnyNumber ? kProcessorLeaf : input.U32();
  auto found = std::find_if(leaves.begin(), leaves.end(),
                            [&](const sim::CpuidSpec &l) { return l.leaf == leaf && l.subleaf == 0; });
  sim::CpuidSpec &entry = found != leaves.end() ? *found : leaves.emplace_back();
  entry.leaf = leaf;
  entry.eax = input.U32();
  entry.ebx = input.U32();
  entry.ecx = input.U32();
  entry.edx = input.U32();
}

void EditMonitor(FuzzInput &input, sim::ProcessorBoardSpec &processor, uint8_t edit) {
  if (edit == 9 && (input.U8() & 1)) {
    processor.hardwareMonitor.reset();
    return;
  }
  sim::HardwareMonitorSpec &chip = processor.hardwareMonitor ? *processor.hardwareMonitor
                                                              : processor.hardwareMonitor.emplace();
  if (edit == 9) {
    chip.bankSelect = input.U8();
    return;
  }
  const uint8_t bank = input.U8() % kBanks;
  const uint8_t index = input.U8();
  chip.registers[{bank, index}] = input.Bytes();
  if (chip.registers[{bank, index}].empty()) chip.registers.erase({bank, index});
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  sim::BoardProfile &board = fuzz_boot::FreshBoard();
  sim::ProcessorBoardSpec &processor = board.processor;
  FuzzInput input(data, size);
  while (!input.Done()) {
    const uint8_t edit = input.U8() % 10;
    switch (edit) {
      case 0:
        EditRecord(input, EntryAt(processor.cpuInfoRecords, input.Index(processor.cpuInfoRecords.size())));
        break;
      case 1:
        RemoveEntry(processor.cpuInfoRecords, input.Index(processor.cpuInfoRecords.size()));
        break;
      case 2:
        EditPackage(input, EntryAt(processor.packages, input.Index(processor.packages.size())));
        break;
      case 3:
        EditCaches(input, EntryAt(processor.packages, input.Index(processor.packages.size())));
        break;
      case 4:
        RemoveEntry(processor.packages, input.Index(processor.packages.size()));
        break;
      case 5:
        EditCpuid(input, board.hardware.cpuid);
        break;
      case 6: {
        const uint32_t msr = input.U8() < kAnyNumber ? kPlatformInfoMsr : input.U32();
        board.hardware.msrs[msr] = input.U64();
        break;
      }
      case 7:
      case 9:
        EditMonitor(input, processor, edit);
        break;
      case 8:
        processor.cpuInfoInstall = input.Timing();
        processor.cpuPackageInstall = input.Timing();
        break;
    }
  }
  fuzz_boot::BootTwice(board, fuzz_boot::FreshStore());
  return 0;
}
