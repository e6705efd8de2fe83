// Any bytes, read as the forms' readers read outside data: as a form package
// (decoded opcode by opcode, dumped as text and JSON, its settings tabled, and
// read into the menu's form set), a string package, package lists or an HII
// database, and as a binary to scan for packages. Each either gives its result
// or refuses with PackageError; any other exception, a crash, a hang or a
// sanitizer report is a finding. Seeds: the built-in lists' form packages, and
// OVMF's packages extracted at run time (fuzz/forms/ovmf_seeds.py).
#include <cstdint>
#include <cstdlib>
#include <sstream>

#include "forms/host/form_package.h"
#include "forms/host/forms_report.h"
#include "forms/host/ifr_dump.h"
#include "forms/host/package_scan.h"
#include "forms/host/question_table.h"

namespace {

std::optional<std::string> AnyString(uint16_t id) {
  if (id % 3 == 0) return std::nullopt;
  return std::string("text ") + std::to_string(id);
}

void FormPackage(const uint8_t *data, size_t size) {
  try {
    const std::vector<forms::IfrOpcode> opcodes = forms::DecodeIfr(data, size);
    std::ostringstream out;
    forms::WriteOpcodeLines(opcodes, data, AnyString, true, "", out);
    forms::QuestionTable(opcodes);
  } catch (const forms::PackageError &) {
  }
  try {
    const forms::FormSet set = forms::DecodeFormPackage(data, size);
    for (const forms::FormVarStore &store : set.varStores) forms::DefaultImage(set, store.id, store.size);
    for (const forms::Form &form : set.forms) {
      for (const forms::FormItem &item : form.items) {
        if (item.kind == forms::FormItemKind::Reference) set.FindForm(item.targetForm);
        if (item.kind == forms::FormItemKind::Setting) set.FindVarStore(item.varStoreId);
      }
    }
  } catch (const forms::PackageError &) {
  }
}

// The report of the lists read, as opcodes or as settings with stored values, as
// text or as JSON (whose dump refuses text that is not UTF-8).
void Lists(const std::vector<forms::PackageList> &lists, uint8_t choice) {
  std::ostringstream out;
  const forms::ReportOptions options{"en", true, (choice & 1) != 0, [](const std::string &, const EFI_GUID &) {
                                       return std::optional<std::vector<uint8_t>>(std::vector<uint8_t>(8, 0x5A));
                                     }};
  if (choice & 2) {
    forms::WriteFormsJson(lists, options, out);
  } else {
    forms::WriteFormsText(lists, options, out);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  try {
    FormPackage(data, size);
    try {
      forms::DecodeStringPackage(data, size);
    } catch (const forms::PackageError &) {
    }
    const uint8_t choice = size > 0 ? data[size - 1] : 0;
    try {
      if (const auto lists = forms::ReadPackageLists(data, size)) Lists(*lists, choice);
    } catch (const forms::PackageError &) {
    }
    Lists(forms::ScanForPackages(data, size, "fuzz").lists, choice >> 2);
  } catch (...) {
    std::abort();
  }
  return 0;
}
