#include "tools/setup-sim/nvram_transfer.h"


#include "sim/machine/dmpstore_file.h"
#include "sim/machine/guid_text.h"
#include "sim/machine/record_fields.h"
#include "sim/machine/user_file.h"
#include "sim/machine/utf16_text.h"
#include "sim/variable_store.h"

namespace setup_sim {
namespace {

constexpr char kDmpstoreFile[] = "dmpstore file";
constexpr size_t kLargestDmpstoreFile = 64u << 20;  // as for an NVRAM file

std::string Named(const sim::StoredVariable &variable) {
  return sim::Utf16ToUtf8(variable.name).value_or("?") + " (" + sim::GuidToText(variable.guid) + ")";
}

}  // namespace

NvramTransfer::NvramTransfer(CLI::App &app)
    : import_(app.add_subcommand("import", "Put the variables of a UEFI Shell dmpstore file (dmpstore -s) into an NVRAM file")),
      export_(app.add_subcommand("export", "Write an NVRAM file's variables as a dmpstore file (for dmpstore -l)")) {
  import_->add_option("DMPSTORE", dmpstore_, "The dmpstore file")->required();
  import_->add_option("STORE", store_, "The NVRAM file (JSON or a firmware store image; a new one is JSON)")->required();
  export_->add_option("STORE", store_, "The NVRAM file")->required();
  export_->add_option("DMPSTORE", dmpstore_, "The dmpstore file to write")->required();
}

bool NvramTransfer::Run(std::ostream &out) const {
  if (import_->parsed()) {
    Import(out);
  } else if (export_->parsed()) {
    Export(out);
  } else {
    return false;
  }
  return true;
}

// As the Shell's dmpstore -l sets each variable: the file's variables replace
// the store's of the same name and GUID, the others stay. A dump holds the
// volatile variables too, which no store keeps, and a JSON file holds only
// attributes 3 and 7: those are left out, and named.
void NvramTransfer::Import(std::ostream &out) const {
  sim::VariableStore::CheckSavable(store_);
  const std::string prefix = std::string(kDmpstoreFile) + " " + dmpstore_ + ": ";
  const std::vector<sim::StoredVariable> variables =
      sim::ReadDmpstoreFile(sim::ReadUserFile(dmpstore_, kLargestDmpstoreFile, prefix, kDmpstoreFile), dmpstore_);
  sim::VariableStore store = sim::PathExists(store_) ? sim::VariableStore::Load(store_) : sim::VariableStore();
  size_t imported = 0;
  std::string leftOut;
  const auto leave = [&](const sim::StoredVariable &variable, const std::string &why) {
    leftOut += (leftOut.empty() ? "; left out: " : ", ") + Named(variable) + ", " + why;
  };
  for (const sim::StoredVariable &variable : variables) {
    if ((variable.attributes & EFI_VARIABLE_NON_VOLATILE) == 0) {
      leave(variable, "volatile: a boot starts without it");
    } else if (!store.IsFirmwareImage() && variable.attributes != 3 && variable.attributes != 7) {
      leave(variable, "attributes " + sim::HexNumber(variable.attributes) + ": a JSON NVRAM file holds 3 and 7 only");
    } else {
      store.Put(variable);
      ++imported;
    }
  }
  store.Save(store_);
  out << dmpstore_ << " -> " << store_ << ": " << imported << " of " << variables.size() << " variables imported"
      << leftOut << "\n";
}

void NvramTransfer::Export(std::ostream &out) const {
  const std::vector<sim::StoredVariable> variables = sim::VariableStore::Load(store_).All();
  if (variables.empty()) throw std::runtime_error(store_ + ": holds no variables; there is nothing to export");
  sim::WriteUserFile(dmpstore_, sim::DmpstoreFileOf(variables), kDmpstoreFile);
  out << store_ << " -> " << dmpstore_ << ": " << variables.size() << " variables\n";
}

}  // namespace setup_sim
