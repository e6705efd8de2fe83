#include "tools/setup-sim/nvram_set.h"

#include <algorithm>
#include <cstdio>
#include <iostream>
#include <optional>
#include <set>
#include <utility>

#include "sim/machine/guid_text.h"
#include "sim/machine/hex_text.h"
#include "sim/machine/user_file.h"
#include "sim/profile/builtin_files.h"
#include "sim/profile/profile_loader.h"
#include "sim/variable_store.h"
#include "tools/setup-sim/boot_session.h"
#include "tools/setup-sim/byte_edits.h"
#include "tools/setup-sim/form_settings.h"
#include "tools/setup-sim/nvram_lookup.h"
#include "tools/setup-sim/pages.h"

namespace setup_sim {
namespace {

// Far beyond any variable a flash store can hold (the whole of a 4 MiB firmware
// store is smaller); a larger file is a mistake.
constexpr size_t kLargestDataFile = 1u << 20;

// The bytes an edit wrote; size 0: the whole variable.
struct Written {
  std::string label;
  std::u16string name;
  EFI_GUID guid{};
  size_t offset = 0;
  size_t size = 0;
  std::string old, now;  // the bytes' value just before and just after the edit
};

sim::BoardProfile FormsBoard(const NvramSetArguments &arguments, const sim::VariableStore &store) {
  std::string board = arguments.board;
  const std::vector<std::string> builtin = sim::BuiltinBoardNames();
  if (board.empty() && std::find(builtin.begin(), builtin.end(), store.Board()) != builtin.end()) board = store.Board();
  std::vector<std::string> warnings;
  const BoardChoice choice = ChooseBoard(board, warnings);
  for (const std::string &warning : warnings) std::cerr << "setup-sim: warning: " << warning << "\n";
  return choice.builtin ? sim::LoadBuiltinBoard(choice.name) : sim::LoadBoardProfileFile(choice.name);
}

std::vector<uint8_t> NewData(const NvramSetArguments &arguments) {
  if (!arguments.dataFile.empty()) {
    const std::string bytes = sim::ReadUserFile(arguments.dataFile, kLargestDataFile,
                                                "nvram set --data-file " + arguments.dataFile + ": ", "--data-file");
    return std::vector<uint8_t>(bytes.begin(), bytes.end());
  }
  const std::optional<std::vector<uint8_t>> data = sim::BytesOfHex(arguments.data);
  if (!data || data->empty()) {
    throw UsageError("nvram set --data " + arguments.data + ": expected hex bytes, e.g. 0100ff or \"01 00 ff\"");
  }
  return *data;
}

sim::StoredVariable WholeValue(const sim::VariableStore &store, const NvramSetArguments &arguments) {
  if (!arguments.data.empty() && !arguments.dataFile.empty()) {
    throw UsageError("nvram set: give --data or --data-file, not both");
  }
  if (arguments.targets.size() != 1 || IsByteEdit(arguments.targets[0])) {
    throw UsageError("nvram set --data: give one variable NAME, no edits");
  }
  const std::string &name = arguments.targets[0];
  if (arguments.attributes != 0 && arguments.attributes != 3 && arguments.attributes != 7) {
    throw UsageError("nvram set --attributes: expected 3 or 7 (non-volatile with boot-service access, 7 with runtime)");
  }
  sim::StoredVariable variable;
  try {
    variable = FindNamed(store, arguments.file, name, arguments.guid);
  } catch (const UsageError &) {
    throw;  // several of that name
  } catch (const std::runtime_error &) {
    if (arguments.guid.empty()) {
      throw UsageError("nvram set " + name + ": " + arguments.file + " has no variable " + name +
                       "; a new variable needs --guid GUID (and --attributes 3 or 7; 7 when not given)");
    }
    variable = {VariableName16(name), *sim::GuidFromText(arguments.guid), 7, {}};
  }
  if (arguments.attributes != 0) variable.attributes = arguments.attributes;
  variable.data = NewData(arguments);
  return variable;
}

// One edit of the call: bytes at an offset, or a setting by name.
Written Edit(const std::string &target, const NvramSetArguments &arguments, const std::vector<Setting> &settings,
             sim::VariableStore &store) {
  if (IsByteEdit(target)) {
    const ByteEdit edit = ParseByteEdit(target);
    sim::StoredVariable variable = FindNamed(store, arguments.file, edit.variable, arguments.guid);
    ApplyByteEdit(edit, variable.data);
    store.Put(variable);
    return {target, variable.name, variable.guid, edit.offset, edit.size, "", ""};
  }
  if (target.find('=') == std::string::npos) {
    throw UsageError("nvram set " + target +
                     ": expected an edit (NAME:OFFSET=VALUE or SETTING=OPTION), or --data HEX or --data-file FILE "
                     "to replace the variable " + target);
  }
  const Setting &setting = *ApplySettings(settings, {target}, store, "nvram set ")[0];
  const forms::FormVarStore &varStore = *setting.forms.FindVarStore(setting.item.varStoreId);
  return {target, std::u16string(varStore.name.begin(), varStore.name.end()), varStore.guid, setting.item.offset,
          setting.item.width, "", ""};
}

std::string Value(const std::vector<uint8_t> *data, const Written &written) {
  if (data == nullptr) return "(none)";
  if (written.size == 0) return std::to_string(data->size()) + " bytes";
  if (written.offset + written.size > data->size()) return "(none)";
  char text[24];
  std::snprintf(text, sizeof text, "0x%0*llX", static_cast<int>(2 * written.size),
                static_cast<unsigned long long>(LittleEndianAt(*data, written.offset, written.size)));
  return text;
}

// "  Setup byte 4", "  Setup bytes 500-501"; nothing for a whole variable, which the label names.
std::string Bytes(const Written &written) {
  return written.size == 0 ? "" : "  " + DisplayText(written.name) + " " + ByteRange(written.offset, written.size);
}

const std::vector<uint8_t> *DataOf(const sim::VariableStore &store, const Written &written) {
  const sim::StoredVariable *variable = store.Find(written.name, written.guid);
  return variable != nullptr ? &variable->data : nullptr;
}

// Fails when the file read back after the save does not hold what was written.
void CheckReadBack(const std::string &file, const std::vector<Written> &written, const sim::VariableStore &store) {
  const sim::VariableStore saved = sim::VariableStore::Load(file);
  for (const Written &edit : written) {
    const std::vector<uint8_t> *now = DataOf(saved, edit);
    if (now == nullptr || *now != *DataOf(store, edit)) {
      throw std::runtime_error(file + ": " + DisplayText(edit.name) + " read back after the save differs from what "
                               "was written");
    }
  }
}

}  // namespace

void RunNvramSet(const NvramSetArguments &arguments, std::ostream &out) {
  sim::VariableStore store = sim::VariableStore::Load(arguments.file);
  const sim::VariableStore before = store;
  const sim::BoardProfile board = FormsBoard(arguments, store);
  const std::vector<Setting> settings = AllSettings(board);
  std::vector<Written> written;
  const bool whole = !arguments.data.empty() || !arguments.dataFile.empty();
  if (!whole && arguments.attributes != 0) throw UsageError("nvram set --attributes: only with --data or --data-file");
  for (size_t i = 0; i < (whole ? 1 : arguments.targets.size()); ++i) {
    const sim::VariableStore prior = store;
    Written edit;
    if (whole) {
      const sim::StoredVariable variable = WholeValue(store, arguments);
      store.Put(variable);
      edit = {DisplayText(variable.name), variable.name, variable.guid, 0, 0, "", ""};
    } else {
      edit = Edit(arguments.targets[i], arguments, settings, store);
    }
    edit.old = Value(DataOf(prior, edit), edit);
    edit.now = Value(DataOf(store, edit), edit);
    written.push_back(std::move(edit));
  }

  // Each changed variable once, against the store as loaded, so that edits of one call are judged together.
  std::vector<SettingChange> changes;
  std::set<std::pair<std::string, std::u16string>> judged;
  for (const Written &edit : written) {
    if (!judged.insert({sim::GuidToText(edit.guid), edit.name}).second) continue;
    const std::vector<SettingChange> reached =
        ChangedSettings(settings, before.Find(edit.name, edit.guid), *store.Find(edit.name, edit.guid));
    changes.insert(changes.end(), reached.begin(), reached.end());
  }
  for (const SettingChange &change : changes) {
    if (!change.refusal.empty() && !arguments.force) {
      throw UsageError("nvram set: " + change.refusal + "; --force writes it anyway");
    }
  }

  store.Save(arguments.file);
  CheckReadBack(arguments.file, written, store);
  for (const Written &edit : written) out << edit.label << Bytes(edit) << ": " << edit.old << " -> " << edit.now << "\n";
  for (const SettingChange &change : changes) {
    out << change.description << (change.refusal.empty() ? "" : "  (forced: " + change.refusal + ")") << "\n";
  }
}

}  // namespace setup_sim
