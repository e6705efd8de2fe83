// The NVRAM file: the non-volatile variables as JSON or as the firmware's store
// image (firmware_store.h), told apart by content (docs/nvram-file.md).
// Loading checks every field and fails loudly; saving keeps the notes the file
// carried and goes through the one safe write every user file takes
// (user_file.h: atomic, through links, never over a read-only file).
#include <algorithm>
#include <nlohmann/json.hpp>
#include <set>
#include <stdexcept>

#include "sim/machine/firmware_store.h"
#include "sim/machine/guid_text.h"
#include "sim/machine/hex_text.h"
#include "sim/machine/user_file.h"
#include "sim/machine/utf16_text.h"
#include "sim/variable_store.h"

namespace sim {

namespace {

using Json = nlohmann::ordered_json;

constexpr const char *kFormat = "setup-sim nvram";
constexpr int kVersion = 1;
// Far beyond any flash store (a few MiB); a larger file is a mistake, not a store.
constexpr size_t kLargestFile = 64u << 20;
const char *const kVariableFields[] = {"name", "guid", "attributes", "data"};
const char *const kFileFields[] = {"format", "version", "board", "variables"};

// Far deeper than any store or note needs: the notes a file carries are kept as JSON text, and
// printing a value recurses once a level, so a value nested millions deep would overflow the stack.
constexpr size_t kDeepestNesting = 64;

// How deep text nests objects and arrays, brackets inside strings not counted.
size_t NestingDepth(const std::string &text) {
  size_t depth = 0, deepest = 0;
  bool inString = false;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (inString) {
      if (c == '\\') ++i;
      else if (c == '"') inString = false;
    } else if (c == '"') {
      inString = true;
    } else if (c == '[' || c == '{') {
      deepest = std::max(deepest, ++depth);
    } else if ((c == ']' || c == '}') && depth > 0) {
      --depth;
    }
  }
  return deepest;
}

template <size_t N>
bool IsOneOf(const std::string &key, const char *const (&names)[N]) {
  for (const char *name : names) {
    if (key == name) return true;
  }
  return false;
}

// The fields of an object that are none of names, as JSON text ("" when none):
// the notes a user keeps in the file.
template <size_t N>
std::string NotesOf(const Json &object, const char *const (&names)[N]) {
  Json notes = Json::object();
  for (const auto &[key, value] : object.items()) {
    if (!IsOneOf(key, names)) notes[key] = value;
  }
  return notes.empty() ? std::string() : notes.dump();
}

void AddNotes(Json &object, const std::string &notes) {
  if (notes.empty()) return;
  const Json parsed = Json::parse(notes);
  for (const auto &[key, value] : parsed.items()) object[key] = value;
}

[[noreturn]] void Fail(const std::string &path, const std::string &fault) {
  throw std::runtime_error("NVRAM file " + path + ": " + fault);
}

// One entry of "variables"; where names the entry in messages.
StoredVariable ParseVariable(const std::string &path, const Json &entry, const std::string &where) {
  if (!entry.is_object()) Fail(path, where + " is not an object");
  auto field = [&](const char *key) -> const Json & {
    auto it = entry.find(key);
    if (it == entry.end()) Fail(path, where + " has no \"" + key + "\"");
    return *it;
  };
  const Json &name = field("name"), &guid = field("guid"), &attributes = field("attributes"), &data = field("data");

  StoredVariable variable;
  auto name16 = name.is_string() ? Utf8ToUtf16(name.get<std::string>()) : std::nullopt;
  if (!name16 || name16->empty() || name16->find(u'\0') != std::u16string::npos) {
    Fail(path, where + ": \"name\" is not a non-empty text");
  }
  variable.name = *name16;
  auto parsedGuid = guid.is_string() ? GuidFromText(guid.get<std::string>()) : std::nullopt;
  if (!parsedGuid) Fail(path, where + ": \"guid\" is not a GUID of the form 8-4-4-4-12");
  variable.guid = *parsedGuid;
  constexpr uint64_t kAllowed = EFI_VARIABLE_NON_VOLATILE | EFI_VARIABLE_BOOTSERVICE_ACCESS | EFI_VARIABLE_RUNTIME_ACCESS;
  if (!attributes.is_number_unsigned() || (attributes.get<uint64_t>() & ~kAllowed) != 0 ||
      (attributes.get<uint64_t>() & EFI_VARIABLE_NON_VOLATILE) == 0 ||
      (attributes.get<uint64_t>() & EFI_VARIABLE_BOOTSERVICE_ACCESS) == 0) {
    Fail(path, where + ": \"attributes\" must be non-volatile with boot-service access (3 or 7)");
  }
  variable.attributes = attributes.get<uint32_t>();
  auto bytes = data.is_string() ? BytesOfHex(data.get<std::string>()) : std::nullopt;
  if (!bytes || bytes->empty()) Fail(path, where + ": \"data\" is not a non-empty hexadecimal byte string");
  variable.data = std::move(*bytes);
  return variable;
}

}  // namespace

VariableStore VariableStore::Load(const std::string &path, const std::string &option) {
  return Parse(ReadUserFile(path, kLargestFile, "NVRAM file " + path + ": ", option), path);
}

VariableStore VariableStore::Parse(const std::string &text, const std::string &path) {
  if (text.empty()) Fail(path, "empty file");
  if (IsFirmwareVolume(text)) {
    std::vector<StoredVariable> variables;
    auto image = std::make_shared<const FirmwareStoreImage>(ReadFirmwareStore(text, path, variables));
    VariableStore store = WithVariables(std::move(variables));
    store.image_ = std::move(image);
    return store;
  }
  if (NestingDepth(text) > kDeepestNesting) {
    Fail(path, "nested deeper than " + std::to_string(kDeepestNesting) + " objects and arrays");
  }
  Json root;
  try {
    root = Json::parse(text);
  } catch (const Json::exception &error) {  // a syntax error or a number too large
    Fail(path, std::string("not valid JSON (") + error.what() + ")");
  }
  if (!root.is_object() || root.value("format", Json()) != kFormat) {
    Fail(path, std::string("not an NVRAM file: \"format\" is not \"") + kFormat + "\"");
  }
  if (root.value("version", Json()) != kVersion) Fail(path, "unsupported \"version\" (expected 1)");
  auto variables = root.find("variables");
  if (variables == root.end() || !variables->is_array()) Fail(path, "\"variables\" is not a list");

  VariableStore store;
  store.fileNotes_ = NotesOf(root, kFileFields);
  const auto board = root.find("board");
  if (board != root.end() && !board->is_string()) Fail(path, "\"board\" is not a text");
  if (board != root.end()) store.board_ = board->get<std::string>();
  std::set<std::pair<std::string, std::u16string>> seen;
  for (size_t i = 0; i < variables->size(); ++i) {
    const Json &entry = (*variables)[i];
    StoredVariable variable = ParseVariable(path, entry, "variable " + std::to_string(i));
    std::pair<std::string, std::u16string> key{GuidToText(variable.guid), variable.name};
    if (!seen.insert(key).second) Fail(path, "variable " + std::to_string(i) + " repeats an earlier name and GUID");
    std::string notes = NotesOf(entry, kVariableFields);
    if (!notes.empty()) store.variableNotes_[std::move(key)] = std::move(notes);
    // The set above proved the variable new, so it is appended without Put's search.
    store.variables_.push_back(std::move(variable));
  }
  return store;
}

void VariableStore::CheckSavable(const std::string &path, const std::string &option) { CheckWritable(path, option); }

void VariableStore::Save(const std::string &path, const std::string &option) const {
  if (image_) {
    std::vector<StoredVariable> nonVolatile = All();
    nonVolatile.erase(std::remove_if(nonVolatile.begin(), nonVolatile.end(),
                                     [](const StoredVariable &v) { return (v.attributes & EFI_VARIABLE_NON_VOLATILE) == 0; }),
                      nonVolatile.end());
    WriteUserFile(path, UpdatedFirmwareStore(*image_, nonVolatile, option + " " + path), option);
    return;
  }
  Json variables = Json::array();
  for (const StoredVariable &variable : All()) {
    if ((variable.attributes & EFI_VARIABLE_NON_VOLATILE) == 0) continue;
    auto name = Utf16ToUtf8(variable.name);
    if (!name) {
      throw std::runtime_error(option + " " + path + ": cannot save a variable whose name holds a lone UTF-16 surrogate");
    }
    Json entry{{"name", *name},
               {"guid", GuidToText(variable.guid)},
               {"attributes", variable.attributes},
               {"data", HexOf(variable.data)}};
    const auto notes = variableNotes_.find({GuidToText(variable.guid), variable.name});
    if (notes != variableNotes_.end()) AddNotes(entry, notes->second);
    variables.push_back(std::move(entry));
  }
  Json file{{"format", kFormat}, {"version", kVersion}};
  if (!board_.empty()) file["board"] = board_;
  file["variables"] = std::move(variables);
  AddNotes(file, fileNotes_);
  WriteUserFile(path, file.dump(2) + "\n", option);
}

}  // namespace sim
