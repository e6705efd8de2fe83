// The files people hand the simulator: a board profile or an NVRAM file, any
// text. Input: one byte choosing the kind (even: board profile, odd: NVRAM
// file), then the file's text. Either the file loads, or loading throws
// std::runtime_error whose message names the file; any other exception, a
// crash or a sanitizer report is a finding.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <string>

#include "sim/profile/profile_loader.h"
#include "sim/variable_store.h"

namespace {

constexpr char kSource[] = "fuzzed.json";

[[noreturn]] void Finding(const char *what, const std::string &detail) {
  std::fprintf(stderr, "%s: %s\n", what, detail.c_str());
  std::abort();
}

void CheckMessage(const std::runtime_error &error) {
  const std::string message = error.what();
  if (message.find(kSource) == std::string::npos) Finding("a message that does not name the file", message);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  if (size == 0) return 0;
  const std::string text(reinterpret_cast<const char *>(data) + 1, size - 1);
  try {
    if ((data[0] & 1) == 0) {
      sim::LoadBoardProfile(text, kSource);
    } else {
      sim::VariableStore::Parse(text, kSource);
    }
  } catch (const std::runtime_error &error) {
    CheckMessage(error);
  } catch (const std::exception &error) {
    Finding("an exception other than a load error", error.what());
  }
  return 0;
}
