// Both engines on the formats the setup pages use, each beside glibc rendering the
// nearest equivalent format in the same run. Names are "<engine> <format>/<who>";
// scripts/bench prints glibc's time over ours per format.
#include <benchmark/benchmark.h>

#include <cstdarg>
#include <cstdio>
#include <cwchar>
#include <string>

#include "format/format.h"
#include "format/status_names.h"

namespace {

constexpr size_t kPage = 1024;  // characters of a page string buffer

const EFI_GUID kGuid = {0xEC87D643, 0xEBA4, 0x4BB5, {0xA1, 0xE5, 0x3F, 0x3E, 0x36, 0xB2, 0x0D, 0xA9}};
const char kText40[] = "SATA port 3: 2000 GB disk, firmware 1.07";
static_assert(sizeof(kText40) == 41, "the text has 40 characters");
constexpr EFI_STATUS kStatus = EFI_NOT_FOUND;

// glibc's counterpart of our variadic forms: vsnprintf for 8-bit text, vswprintf for wide.
template <typename Char>
int Glibc(Char *Buffer, size_t Size, const Char *Format, ...) {
  va_list Args;
  va_start(Args, Format);
  int Written;
  if constexpr (sizeof(Char) == 1) {
    Written = vsnprintf(Buffer, Size, Format, Args);
  } else {
    Written = vswprintf(Buffer, Size, Format, Args);
  }
  va_end(Args);
  return Written;
}

#define GLIBC_GUID_LAYOUT "%08x-%04x-%04x-%02x%02x-%02x%02x%02x%02x%02x%02x"
#define GLIBC_GUID_FIELDS                                                                                 \
  kGuid.Data1, kGuid.Data2, kGuid.Data3, kGuid.Data4[0], kGuid.Data4[1], kGuid.Data4[2], kGuid.Data4[3], \
      kGuid.Data4[4], kGuid.Data4[5], kGuid.Data4[6], kGuid.Data4[7]

// One format of the pages: our call and glibc's nearest equivalent, in each width.
struct FormatCase {
  const char *Name;
  INT64 (*Ascii)(CHAR8 *Buffer);
  int (*GlibcAscii)(char *Buffer);
  INT64 (*Wide)(CHAR16 *Buffer);
  int (*GlibcWideCall)(wchar_t *Buffer);
};

// The glibc side of "%r" uses the driver's own name lookup, so the pair measures formatting.
const FormatCase kCases[] = {
    {"%d kB x %i", [](CHAR8 *B) { return FormatAscii(B, kPage, "%d kB x %i", 256, 8); },
     [](char *B) { return Glibc(B, kPage, "%d kB x %i", 256, 8); },
     [](CHAR16 *B) { return FormatWide(B, kPage, u"%d kB x %i", 256, 8); },
     [](wchar_t *B) { return Glibc(B, kPage, L"%d kB x %i", 256, 8); }},
    {"IO=%Xh; IRQ=%d; DMA=%d;", [](CHAR8 *B) { return FormatAscii(B, kPage, "IO=%Xh; IRQ=%d; DMA=%d;", 0x2F8, 3, 1); },
     [](char *B) { return Glibc(B, kPage, "IO=%Xh; IRQ=%d; DMA=%d;", 0x2F8, 3, 1); },
     [](CHAR16 *B) { return FormatWide(B, kPage, u"IO=%Xh; IRQ=%d; DMA=%d;", 0x2F8, 3, 1); },
     [](wchar_t *B) { return Glibc(B, kPage, L"IO=%Xh; IRQ=%d; DMA=%d;", 0x2F8, 3, 1); }},
    {"%02X-%02X-%02X-%02X-%02X-%02X",
     [](CHAR8 *B) { return FormatAscii(B, kPage, "%02X-%02X-%02X-%02X-%02X-%02X", 0, 0x1E, 0x67, 0x2A, 0x9B, 0x4); },
     [](char *B) { return Glibc(B, kPage, "%02X-%02X-%02X-%02X-%02X-%02X", 0, 0x1E, 0x67, 0x2A, 0x9B, 0x4); },
     [](CHAR16 *B) { return FormatWide(B, kPage, u"%02X-%02X-%02X-%02X-%02X-%02X", 0, 0x1E, 0x67, 0x2A, 0x9B, 0x4); },
     [](wchar_t *B) { return Glibc(B, kPage, L"%02X-%02X-%02X-%02X-%02X-%02X", 0, 0x1E, 0x67, 0x2A, 0x9B, 0x4); }},
    {"%4d MB (%a)", [](CHAR8 *B) { return FormatAscii(B, kPage, "%4d MB (%a)", 512, "DDR3"); },
     [](char *B) { return Glibc(B, kPage, "%4d MB (%s)", 512, "DDR3"); },
     [](CHAR16 *B) { return FormatWide(B, kPage, u"%4d MB (%a)", 512, "DDR3"); },
     [](wchar_t *B) { return Glibc(B, kPage, L"%4d MB (%s)", 512, "DDR3"); }},
    {"%g", [](CHAR8 *B) { return FormatAscii(B, kPage, "%g", &kGuid); },
     [](char *B) { return Glibc(B, kPage, GLIBC_GUID_LAYOUT, GLIBC_GUID_FIELDS); },
     [](CHAR16 *B) { return FormatWide(B, kPage, u"%g", &kGuid); },
     [](wchar_t *B) { return Glibc(B, kPage, L"" GLIBC_GUID_LAYOUT, GLIBC_GUID_FIELDS); }},
    {"%r", [](CHAR8 *B) { return FormatAscii(B, kPage, "%r", kStatus); },
     [](char *B) { return Glibc(B, kPage, "%s", StatusName(kStatus)); },
     [](CHAR16 *B) { return FormatWide(B, kPage, u"%r", kStatus); },
     [](wchar_t *B) { return Glibc(B, kPage, L"%s", StatusName(kStatus)); }},
    {"%a", [](CHAR8 *B) { return FormatAscii(B, kPage, "%a", kText40); },
     [](char *B) { return Glibc(B, kPage, "%s", kText40); },
     [](CHAR16 *B) { return FormatWide(B, kPage, u"%a", kText40); },
     [](wchar_t *B) { return Glibc(B, kPage, L"%s", kText40); }},
};

template <typename Char, typename Result>
void Register(const std::string &Name, Result (*Call)(Char *)) {
  benchmark::RegisterBenchmark(Name.c_str(), [Call](benchmark::State &State) {
    Char Buffer[kPage];
    for (auto _ : State) {
      benchmark::DoNotOptimize(Call(Buffer));
      benchmark::ClobberMemory();
    }
  });
}

}  // namespace

int main(int argc, char **argv) {
  for (const FormatCase &Case : kCases) {
    Register(std::string("ascii ") + Case.Name + "/ours", Case.Ascii);
    Register(std::string("ascii ") + Case.Name + "/glibc", Case.GlibcAscii);
    Register(std::string("wide ") + Case.Name + "/ours", Case.Wide);
    Register(std::string("wide ") + Case.Name + "/glibc", Case.GlibcWideCall);
  }
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
