#include "sim/profile/profile_extends.h"

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <stdexcept>
#include <utility>
#include <vector>

#include "sim/machine/user_file.h"
#include "sim/profile/builtin_files.h"
#include "sim/profile/json_field.h"
#include "sim/profile/profile_fields.h"

namespace sim {
namespace {

using nlohmann::json;

constexpr size_t kDeepestExtends = 8;
// A profile file is read whole; no board needs anything near this size.
constexpr size_t kLargestProfileFile = 16u << 20;
// What the run reads a profile and the files it extends as: no output replaces them.
constexpr char kBoardReader[] = "--board";

std::string BuiltinBoardList() {
  std::string names;
  for (const std::string &name : BuiltinBoardNames()) names += (names.empty() ? "" : ", ") + name;
  return names;
}

// The folder part of a path, ending in '/' ("" for a file in the current folder),
// so that joining it with a relative name gives that name's path.
std::string FolderOf(const std::string &path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? "" : path.substr(0, slash + 1);
}

// A document of the chain being resolved: what messages call it, and what tells
// it from any other (a file by its canonical path, whatever the spelling).
struct ChainLink {
  std::string source;
  std::string identity;
};

std::string FileIdentity(const std::string &path) {
  std::error_code error;
  const std::filesystem::path canonical = std::filesystem::weakly_canonical(path, error);
  return "file " + (error ? path : canonical.string());
}

struct Extended {
  json document;
  ProfileOrigin origin;
  std::string identity;
};

// The document "extends" names: a built-in board, or (from a file) another
// profile file, relative to the extending file's folder.
Extended ReadExtended(const JsonField &field, const ProfileOrigin &origin) {
  const std::string name = field.String();
  const std::optional<std::string_view> builtin = BuiltinFileText(name);
  if (builtin && name != kPackageListsFile && !LooksLikeProfilePath(name)) {
    const ProfileOrigin base{name + ".json", std::nullopt};
    return {ParseProfileJson(std::string(*builtin), base.source), base, "built-in " + name};
  }
  const std::string path = !origin.folder || name.empty() || name[0] == '/' ? name : *origin.folder + name;
  struct stat status {};
  if (!origin.folder || (!LooksLikeProfilePath(name) && ::stat(path.c_str(), &status) != 0)) {
    field.Expected("the name of a built-in board (" + BuiltinBoardList() + ")" +
                   (origin.folder ? " or of a profile file" : ""));
  }
  const std::string text = ReadProfileFile(path, origin.source + ": extends: " + path + ": ");
  return {ParseProfileJson(text, path), FileOrigin(path), FileIdentity(path)};
}

// Names of a base object's members that the patch leaves and that the form it
// takes cannot hold.
std::vector<std::string> Leftovers(const json &base, const json &patch, const FieldRule &form) {
  std::vector<std::string> names;
  for (const auto &[key, value] : base.items()) {
    if (!patch.contains(key) && FindMember(form, key) == nullptr) names.push_back(key);
  }
  return names;
}

std::string Listed(const std::vector<std::string> &names) {
  std::string text;
  for (const std::string &name : names) text += (text.empty() ? "" : ", ") + name;
  return text;
}

// Walks the patch beside its base: where an object takes one short form in one
// document and another in the other, the merge would mix their fields.
void CheckFormsAgree(const json &base, const json &patch, const FieldRule &rule, const std::string &path,
                     const std::string &baseSource, const std::string &source) {
  if (!base.is_object() || !patch.is_object()) return;
  if (rule.type == FieldType::Object || rule.type == FieldType::Map) {
    for (const auto &[key, value] : patch.items()) {
      const FieldMember *member = rule.type == FieldType::Object ? FindMember(rule, key) : nullptr;
      const FieldRule *child = rule.type == FieldType::Map ? rule.item : member ? member->rule : nullptr;
      if (child != nullptr && base.contains(key)) {
        CheckFormsAgree(base[key], value, *child, AppendPathKey(path, key), baseSource, source);
      }
    }
    return;
  }
  if (rule.type != FieldType::Forms) return;
  const FieldForm *patchForm = ChooseForm(rule, patch);
  const FieldForm *baseForm = ChooseForm(rule, base);
  if (patchForm == nullptr || baseForm == nullptr || patchForm->rule->type != FieldType::Object) return;
  if (patchForm != baseForm) {
    const std::vector<std::string> leftovers = Leftovers(base, patch, *patchForm->rule);
    if (!leftovers.empty()) {
      const std::string taken = patchForm->key != nullptr ? patchForm->key : patch.begin().key();
      const bool one = leftovers.size() == 1;
      throw std::runtime_error(source + ": " + AppendPathKey(path, taken) + ": cannot be merged with the field" +
                               (one ? " " : "s ") + Listed(leftovers) + " that the base " + baseSource + " gives " +
                               path + " (another form of it); set " + (one ? "it" : "them") +
                               " to null here to drop " + (one ? "it" : "them"));
    }
  }
  CheckFormsAgree(base, patch, *patchForm->rule, path, baseSource, source);
}

json Resolve(json document, const ProfileOrigin &origin, std::vector<ChainLink> &chain, const BaseCheck &checkBase) {
  if (!document.is_object() || !document.contains("extends")) return document;
  const FieldRule &rule = *FindMember(BoardProfileRule(), "extends")->rule;
  const JsonField field(document["extends"], origin.source, "extends", rule);
  Extended base = ReadExtended(field, origin);
  const auto seen = std::find_if(chain.begin(), chain.end(), [&](const ChainLink &link) {
    return link.identity == base.identity;
  });
  if (seen != chain.end()) {
    std::string circle;
    for (auto link = seen; link != chain.end(); ++link) circle += link->source + " \u2192 ";
    field.Fail("the boards extend each other in a circle: " + circle + seen->source);
  }
  if (chain.size() > kDeepestExtends) field.Fail("boards extend each other more than 8 deep");
  chain.push_back({base.origin.source, base.identity});
  json merged = Resolve(std::move(base.document), base.origin, chain, checkBase);
  // The built-in boards are checked by the simulator's own tests.
  if (base.origin.folder) checkBase(merged, base.origin.source);
  merged.erase("name");
  document.erase("extends");
  CheckFormsAgree(merged, document, BoardProfileRule(), "", base.origin.source, origin.source);
  merged.merge_patch(document);
  return merged;
}

}  // namespace

ProfileOrigin FileOrigin(const std::string &path) { return {path, FolderOf(path)}; }

std::string ReadProfileFile(const std::string &path, const std::string &prefix) {
  return ReadUserFile(path, kLargestProfileFile, prefix, kBoardReader);
}

json ResolveExtends(json document, const ProfileOrigin &origin, const BaseCheck &checkBase) {
  const std::string identity = origin.folder ? FileIdentity(origin.source) : "text " + origin.source;
  std::vector<ChainLink> chain = {{origin.source, identity}};
  return Resolve(std::move(document), origin, chain, checkBase);
}

}  // namespace sim
