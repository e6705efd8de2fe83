#include "sim/machine/module_data.h"

#include <elf.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace sim {

namespace {

const char *const kStateSections[] = {".data", ".bss"};

[[noreturn]] void Fail(const std::string &file, const std::string &fault) {
  throw std::runtime_error("driver module " + file + ": " + fault);
}

template <typename Record>
Record At(const std::vector<uint8_t> &image, uint64_t offset, const std::string &file) {
  Record record;
  if (offset > image.size() || image.size() - offset < sizeof record) Fail(file, "truncated ELF file");
  std::memcpy(&record, image.data() + offset, sizeof record);
  return record;
}

// The sections hold an instrumented module's redzones between its globals, which
// AddressSanitizer reports any access to: the copy goes byte by byte, unchecked
// (volatile, so it never becomes a checked memcpy).
__attribute__((no_sanitize("address"))) void CopyUnchecked(uint8_t *to, const uint8_t *from, size_t size) {
  volatile uint8_t *out = to;
  const volatile uint8_t *in = from;
  for (size_t i = 0; i < size; ++i) out[i] = in[i];
}

bool IsStateSection(const std::string &name) {
  for (const char *state : kStateSections) {
    if (name == state) return true;
  }
  return false;
}

}  // namespace

ModuleData::ModuleData(const std::string &file, uintptr_t base) {
  std::ifstream in(file, std::ios::binary);
  const std::vector<uint8_t> image{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  const auto header = At<Elf64_Ehdr>(image, 0, file);
  if (std::memcmp(header.e_ident, ELFMAG, SELFMAG) != 0 || header.e_ident[EI_CLASS] != ELFCLASS64 ||
      header.e_shentsize != sizeof(Elf64_Shdr) || header.e_shstrndx >= header.e_shnum) {
    Fail(file, "not a 64-bit ELF file with section headers");
  }
  const auto names = At<Elf64_Shdr>(image, header.e_shoff + header.e_shstrndx * sizeof(Elf64_Shdr), file);
  for (unsigned i = 0; i < header.e_shnum; ++i) {
    const auto section = At<Elf64_Shdr>(image, header.e_shoff + i * sizeof(Elf64_Shdr), file);
    if ((section.sh_flags & (SHF_ALLOC | SHF_WRITE)) != (SHF_ALLOC | SHF_WRITE) || section.sh_size == 0) continue;
    if (section.sh_name >= names.sh_size || names.sh_offset + section.sh_name >= image.size()) {
      Fail(file, "section name outside the name table");
    }
    const char *name = reinterpret_cast<const char *>(image.data() + names.sh_offset + section.sh_name);
    if (!IsStateSection(std::string(name, strnlen(name, image.size() - names.sh_offset - section.sh_name)))) {
      continue;
    }
    auto *address = reinterpret_cast<uint8_t *>(base + section.sh_addr);
    sections_.push_back({address, std::vector<uint8_t>(section.sh_size)});
    CopyUnchecked(sections_.back().initial.data(), address, section.sh_size);
  }
}

void ModuleData::Restore() const {
  for (const Section &section : sections_) CopyUnchecked(section.address, section.initial.data(), section.initial.size());
}

}  // namespace sim
