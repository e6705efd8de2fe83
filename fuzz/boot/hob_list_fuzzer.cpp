// The hand-off block list: the input is the list's bytes (lengths, order, GUIDs
// and data as they come) in place of the reference board's HOBs; the driver
// boots twice on that board.
//
// A list has no size, only an end mark, so the machine's end-of-list HOB follows
// the input and, behind it, bytes of 0xFF as far as a 16-bit length can step from
// inside the list: every step lands on memory that reads as end-of-list.
#include <cstddef>
#include <cstdint>

#include "fuzz/boot/boot_harness.h"
#include "uefi/pi_hob.h"

namespace {

constexpr size_t kTailBytes = 0x10000 + 16;
constexpr uint8_t kEndHob[8] = {0xFF, 0xFF, 8, 0, 0, 0, 0, 0};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  sim::BoardProfile &board = fuzz_boot::FreshBoard();
  std::vector<uint8_t> list(data, data + size);
  list.insert(list.end(), std::begin(kEndHob), std::end(kEndHob));
  list.resize(list.size() + kTailBytes, 0xFF);
  board.hobs = {sim::HobSpec{list}};
  fuzz_boot::BootTwice(board, fuzz_boot::FreshStore());
  return 0;
}
