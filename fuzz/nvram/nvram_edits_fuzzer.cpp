// The byte edits of `setup-sim nvram set` ("Setup:0x1F4(2)=0x0100"). Input: one
// byte giving the size of the variable edited (0 to 255), then the edit's text.
// Either the edit is refused (UsageError) or it parses to a size of 1, 2, 4 or 8
// and a value that fits it; applied, it is refused with the variable unchanged,
// or it changes only its own bytes, which then read back as its value. Any
// other exception, a crash or a sanitizer report is a finding.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <vector>

#include "tools/setup-sim/byte_edits.h"
#include "tools/setup-sim/command_line.h"

namespace {

[[noreturn]] void Finding(const char *what, const std::string &detail) {
  std::fprintf(stderr, "%s: %s\n", what, detail.c_str());
  std::abort();
}

void CheckApplied(const setup_sim::ByteEdit &edit, size_t size) {
  std::vector<uint8_t> data(size);
  for (size_t i = 0; i < size; ++i) data[i] = static_cast<uint8_t>(i * 7 + 1);
  const std::vector<uint8_t> before = data;
  try {
    setup_sim::ApplyByteEdit(edit, data);
  } catch (const std::runtime_error &error) {
    if (data != before) Finding("a refused edit that changed the variable", error.what());
    if (edit.offset < size && edit.size <= size - edit.offset) {
      Finding("an edit inside the variable refused", error.what());
    }
    return;
  }
  for (size_t i = 0; i < size; ++i) {
    const bool edited = i >= edit.offset && i - edit.offset < edit.size;
    if (!edited && data[i] != before[i]) Finding("an edit that changed a byte outside its own", edit.text);
  }
  if (setup_sim::LittleEndianAt(data, edit.offset, edit.size) != edit.value) {
    Finding("an edit that reads back otherwise", edit.text);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  if (size == 0) return 0;
  const std::string text(reinterpret_cast<const char *>(data) + 1, size - 1);
  if (!setup_sim::IsByteEdit(text)) return 0;
  setup_sim::ByteEdit edit;
  try {
    edit = setup_sim::ParseByteEdit(text);
  } catch (const setup_sim::UsageError &) {
    return 0;
  } catch (const std::exception &error) {
    Finding("an exception other than a refusal", error.what());
  }
  if (edit.size != 1 && edit.size != 2 && edit.size != 4 && edit.size != 8) Finding("an edit of an odd size", text);
  if (edit.size < 8 && (edit.value >> (8 * edit.size)) != 0) Finding("a value wider than its edit", text);
  CheckApplied(edit, data[0]);
  return 0;
}
