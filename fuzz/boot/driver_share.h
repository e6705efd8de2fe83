// How much of a fuzz target's time the driver itself takes: with
// $SETUP_FUZZ_DRIVER_SHARE set, the process samples its own CPU time (SIGPROF,
// 2 kHz) and, at exit, prints to standard error
//   driver share: D of N samples
// where D counts the samples taken in the driver module's code or in the
// sanitizer and coverage callbacks that code made (a return address into the
// module on top of the stack). bench/fuzz-throughput turns it into the driver's
// own cost per input, measured in the same run as the target's throughput.
#pragma once

namespace fuzz_boot {

// Starts sampling when $SETUP_FUZZ_DRIVER_SHARE is set; entry is any address in
// the module's code. Later calls do nothing.
void SampleDriverShare(const void *entry);

}  // namespace fuzz_boot
