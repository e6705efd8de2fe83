#include "sim/machine/module_data.h"

#include <elf.h>

#include <cstring>
#include <fstream>
#include <stdexcept>

namespace sim {

namespace {

const char *const kStateSections[] = {".data", ".bss"};

[[noreturn]] void FailModule(const std::string &file, const std::string &fault) {
  throw std::runtime_error("driver module " + file + ": " + fault);
}

// Only the ELF header, the section headers and their name table are read, not the whole file.
class ElfFile {
 public:
  explicit ElfFile(const std::string &file) : file_(file), in_(file, std::ios::binary) {
    if (!in_) Fail("cannot open");
  }

  template <typename Record>
  Record At(uint64_t offset) {
    Record record;
    Read(offset, &record, sizeof record);
    return record;
  }

  std::string Bytes(uint64_t offset, uint64_t size) {
    std::string bytes(size, '\0');
    Read(offset, bytes.data(), size);
    return bytes;
  }

  [[noreturn]] void Fail(const std::string &fault) const { FailModule(file_, fault); }

 private:
  void Read(uint64_t offset, void *to, uint64_t size) {
    in_.seekg(static_cast<std::streamoff>(offset));
    if (!in_.read(static_cast<char *>(to), static_cast<std::streamsize>(size))) Fail("truncated ELF file");
  }

  std::string file_;
  std::ifstream in_;
};

// The sections hold an instrumented module's redzones between its globals, which
// AddressSanitizer reports any access to: the copy is unchecked and volatile, so
// it never becomes a checked memcpy. It goes a word at a time where both sides
// are aligned alike (a boot restores some 100 KiB), else byte by byte.
__attribute__((no_sanitize("address"))) void CopyUnchecked(uint8_t *to, const uint8_t *from, size_t size) {
  size_t i = 0;
  if (reinterpret_cast<uintptr_t>(to) % sizeof(uint64_t) == reinterpret_cast<uintptr_t>(from) % sizeof(uint64_t)) {
    for (; i < size && reinterpret_cast<uintptr_t>(to + i) % sizeof(uint64_t) != 0; ++i) {
      *static_cast<volatile uint8_t *>(to + i) = *static_cast<const volatile uint8_t *>(from + i);
    }
    for (; i + sizeof(uint64_t) <= size; i += sizeof(uint64_t)) {
      *reinterpret_cast<volatile uint64_t *>(to + i) = *reinterpret_cast<const volatile uint64_t *>(from + i);
    }
  }
  for (; i < size; ++i) *static_cast<volatile uint8_t *>(to + i) = *static_cast<const volatile uint8_t *>(from + i);
}

bool IsStateSection(const char *name) {
  for (const char *state : kStateSections) {
    if (std::strcmp(name, state) == 0) return true;
  }
  return false;
}

}  // namespace

ModuleData::ModuleData(const std::string &file, uintptr_t base) {
  ElfFile elf(file);
  const auto header = elf.At<Elf64_Ehdr>(0);
  if (std::memcmp(header.e_ident, ELFMAG, SELFMAG) != 0 || header.e_ident[EI_CLASS] != ELFCLASS64 ||
      header.e_shentsize != sizeof(Elf64_Shdr) || header.e_shstrndx >= header.e_shnum) {
    elf.Fail("not a 64-bit ELF file with section headers");
  }
  const auto names = elf.At<Elf64_Shdr>(header.e_shoff + header.e_shstrndx * sizeof(Elf64_Shdr));
  const std::string nameTable = elf.Bytes(names.sh_offset, names.sh_size);
  for (unsigned i = 0; i < header.e_shnum; ++i) {
    const auto section = elf.At<Elf64_Shdr>(header.e_shoff + i * sizeof(Elf64_Shdr));
    if ((section.sh_flags & (SHF_ALLOC | SHF_WRITE)) != (SHF_ALLOC | SHF_WRITE) || section.sh_size == 0) continue;
    if (section.sh_name >= nameTable.size()) elf.Fail("section name outside the name table");
    if (!IsStateSection(nameTable.c_str() + section.sh_name)) continue;
    auto *address = reinterpret_cast<uint8_t *>(base + section.sh_addr);
    sections_.push_back({address, std::vector<uint8_t>(section.sh_size)});
    CopyUnchecked(sections_.back().initial.data(), address, section.sh_size);
  }
}

void ModuleData::Restore() const {
  for (const Section &section : sections_) CopyUnchecked(section.address, section.initial.data(), section.initial.size());
}

}  // namespace sim
