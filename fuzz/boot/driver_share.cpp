#include "fuzz/boot/driver_share.h"

#include <dlfcn.h>
#include <link.h>
#include <signal.h>
#include <sys/time.h>
#include <ucontext.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace fuzz_boot {

namespace {

constexpr long kSampleMicroseconds = 500;
// A sample in a sanitizer or coverage callback (or a libc routine it calls)
// counts for the driver when one of the stack's top words returns into the
// module: those callbacks are leaves of a few words of frame.
constexpr int kStackWordsSearched = 4;
constexpr size_t kMaxSamples = 1 << 20;

struct Range {
  uintptr_t start = 0, end = 0;
  bool Holds(uintptr_t address) const { return address >= start && address < end; }
};

Range moduleCode;
std::atomic<uint64_t> total{0}, inModule{0};
// The addresses of samples outside the module whose stack returns into it, to
// be named at exit, away from the signal.
uintptr_t *pending = nullptr;
std::atomic<size_t> pendingCount{0};

// The executable PT_LOAD segment of the object loaded at base.
Range CodeOf(uintptr_t base) {
  struct Search {
    uintptr_t base;
    Range code;
  } search{base, {}};
  dl_iterate_phdr(
      [](dl_phdr_info *info, size_t, void *data) {
        auto *wanted = static_cast<Search *>(data);
        if (info->dlpi_addr != wanted->base) return 0;
        for (int i = 0; i < info->dlpi_phnum; ++i) {
          const ElfW(Phdr) &segment = info->dlpi_phdr[i];
          if (segment.p_type == PT_LOAD && (segment.p_flags & PF_X) != 0) {
            wanted->code = {info->dlpi_addr + segment.p_vaddr, info->dlpi_addr + segment.p_vaddr + segment.p_memsz};
          }
        }
        return 1;
      },
      &search);
  return search.code;
}

Range CodeHolding(const void *address) {
  Dl_info info{};
  if (dladdr(address, &info) == 0) return {};
  return CodeOf(reinterpret_cast<uintptr_t>(info.dli_fbase));
}

// The interrupted frame's stack may lie in AddressSanitizer's redzones.
__attribute__((no_sanitize("address"))) void OnSample(int, siginfo_t *, void *context) {
  const auto *machine = &static_cast<ucontext_t *>(context)->uc_mcontext;
  const auto pc = static_cast<uintptr_t>(machine->gregs[REG_RIP]);
  ++total;
  if (moduleCode.Holds(pc)) {
    ++inModule;
    return;
  }
  const auto *stack = reinterpret_cast<const volatile uintptr_t *>(machine->gregs[REG_RSP]);
  bool returnsIntoModule = false;
  for (int i = 0; i < kStackWordsSearched; ++i) returnsIntoModule |= moduleCode.Holds(stack[i]);
  if (!returnsIntoModule) return;
  const size_t at = pendingCount.fetch_add(1);
  if (at < kMaxSamples) pending[at] = pc;
}

// Callbacks the compiler plants in the driver's code, and the routines they reach.
bool IsInstrumentation(const char *symbol) {
  for (const char *prefix : {"__sanitizer", "__asan", "__ubsan", "__interceptor", "mem", "__mem"}) {
    if (std::strncmp(symbol, prefix, std::strlen(prefix)) == 0) return true;
  }
  return false;
}

void Report() {
  itimerval off{};
  setitimer(ITIMER_PROF, &off, nullptr);
  uint64_t driver = inModule;
  const size_t count = std::min(pendingCount.load(), kMaxSamples);
  for (size_t i = 0; i < count; ++i) {
    Dl_info info{};
    const bool named = dladdr(reinterpret_cast<void *>(pending[i]), &info) != 0 && info.dli_sname != nullptr;
    if (named && IsInstrumentation(info.dli_sname)) ++driver;
  }
  std::fprintf(stderr, "driver share: %llu of %llu samples\n", static_cast<unsigned long long>(driver),
               static_cast<unsigned long long>(total.load()));
}

}  // namespace

void SampleDriverShare(const void *entry) {
  static bool started = false;
  if (started || std::getenv("SETUP_FUZZ_DRIVER_SHARE") == nullptr) return;
  started = true;
  moduleCode = CodeHolding(entry);
  pending = new uintptr_t[kMaxSamples];
  struct sigaction action {};
  action.sa_sigaction = OnSample;
  action.sa_flags = SA_SIGINFO | SA_RESTART;
  sigaction(SIGPROF, &action, nullptr);
  itimerval every{{0, kSampleMicroseconds}, {0, kSampleMicroseconds}};
  setitimer(ITIMER_PROF, &every, nullptr);
  std::atexit(Report);
}

}  // namespace fuzz_boot
