// HII package lists as the dump reads them: from a bare form package, one package
// list, an exported HII database (package lists end to end, as
// EFI_HII_DATABASE_PROTOCOL.ExportPackageLists writes them), or packages found
// inside any other binary (package_scan.h).
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "driver/uefi/uefi_base.h"
#include "forms/host/string_package.h"

namespace forms {

struct FoundFormPackage {
  size_t offset = 0;  // in the input (in a scan: in the module that holds it)
  std::vector<uint8_t> bytes;  // header included
};

struct PackageList {
  std::string name;              // how the dump names the list: a module, a GUID, a title
  std::optional<EFI_GUID> guid;  // the package list header's
  size_t offset = 0;             // of the list in the input
  std::vector<FoundFormPackage> forms;
  std::vector<StringPackage> strings;  // one per language
};

// nullopt when the bytes are neither a form package nor package lists; then a
// scan may find packages inside. Throws PackageError for package lists whose
// second or later list, or a package inside one, breaks its encoding (the form
// packages themselves are decoded by their reader).
std::optional<std::vector<PackageList>> ReadPackageLists(const uint8_t *bytes, size_t size);

}  // namespace forms
