#include "sim/profile/package_lists.h"

#include <algorithm>
#include <stdexcept>

#include "forms/firmware/package_list_seeds.h"
#include "forms/host/form_package.h"
#include "sim/profile/builtin_files.h"
#include "sim/profile/profile_fields.h"
#include "sim/profile/profile_loader.h"

namespace sim {
namespace {

constexpr size_t kLargestDefaultImage = 0xFFFF;

// Each member is {"label": ..., "text": ...} (both required in the package lists' own file).
// Strings is a StringTable::Map or a StringTable: both give a string to fill by id.
template <typename Strings>
void ReadStrings(const JsonField &field, Strings &strings) {
  for (const JsonField &member : field.Members()) {
    const JsonObject object = member.Fields();
    StringSpec &string = strings[static_cast<uint16_t>(member.KeyNumber())];
    object.Read("label", string.label);
    object.Read("text", string.text);
  }
}

void ReadDefaults(const JsonField &field, std::vector<uint8_t> &image) {
  for (const JsonField &member : field.Members()) {
    const size_t offset = member.KeyNumber(image.size() - 1, field.rule().keyWhat);
    image[offset] = static_cast<uint8_t>(member.Unsigned());
  }
}

// The list's forms as built from forms/setup-forms.json: the form package, the
// texts it added to the list's strings, and the default image of Setup that its
// settings' defaults give.
void AddForms(PackageListSpec &list) {
  list.defaults = std::vector<uint8_t>(kSetupImageSize, 0);
  const PackageListSeed *seed = FindPackageListSeed(list.formClass);
  if (seed == nullptr || seed->FormPackage == nullptr) return;
  list.formPackage.assign(seed->FormPackage, seed->FormPackage + seed->FormPackageSize);
  for (size_t i = 0; i < seed->StringCount; ++i) {
    if (seed->Strings[i].Id >= seed->FirstLabelId) list.strings[seed->Strings[i].Id] = {"", seed->Strings[i].Text};
  }
  const forms::FormSet formSet = forms::DecodeFormPackage(list.formPackage.data(), list.formPackage.size());
  for (const forms::FormVarStore &store : formSet.varStores) {
    if (store.name == "Setup") list.defaults = forms::DefaultImage(formSet, store.id, kSetupImageSize);
  }
}

}  // namespace

void ApplyListSettings(const JsonObject &object, PackageListSpec &list) {
  if (const auto languages = object.Optional("languages")) {
    const JsonObject texts = languages->Fields();
    texts.Read("primary", list.primaryLanguages);
    texts.Read("secondary", list.secondaryLanguages);
  }
  std::vector<uint8_t> image = list.defaults.value_or(std::vector<uint8_t>(kSetupImageSize, 0));
  if (const auto size = object.Optional("default_image_size")) {
    image.resize(size->Unsigned(kLargestDefaultImage, 1), 0);
  }
  if (const auto defaults = object.Optional("defaults")) ReadDefaults(*defaults, image);
  bool present = list.defaults.has_value();
  object.Read("default_image", present);
  list.defaults = present ? std::optional<std::vector<uint8_t>>(std::move(image)) : std::nullopt;
  if (const auto strings = object.Optional("strings")) ReadStrings(*strings, list.strings);
}

std::vector<PackageListSpec> LoadPackageLists(const std::string &text, const std::string &sourceName) {
  const nlohmann::json document = ParseProfileJson(text, sourceName);
  const JsonField root(document, sourceName, "", PackageListsFileRule());
  const JsonObject object = root.Fields();
  auto shared = std::make_shared<StringTable::Map>();
  if (const auto strings = object.Optional("strings")) ReadStrings(*strings, *shared);
  std::vector<PackageListSpec> result;
  for (const JsonField &element : object.Required("lists").Elements()) {
    PackageListSpec list;
    list.primaryLanguages = u"eng";
    list.strings = StringTable(shared);
    const JsonObject fields = element.Fields();
    const JsonField formClass = fields.Required("class");
    list.formClass = static_cast<uint16_t>(formClass.Unsigned());
    const bool repeated = std::any_of(result.begin(), result.end(),
                                      [&](const PackageListSpec &other) { return other.formClass == list.formClass; });
    if (repeated) formClass.Fail("class " + std::to_string(list.formClass) + " is given twice");
    AddForms(list);
    ApplyListSettings(fields, list);
    fields.Read("title", list.title);
    result.push_back(std::move(list));
  }
  return result;
}

const std::vector<PackageListSpec> &BuiltinPackageLists() {
  static const std::vector<PackageListSpec> lists = [] {
    const std::string name(kPackageListsFile);
    return LoadPackageLists(std::string(*BuiltinFileText(name)), name + ".json");
  }();
  return lists;
}

}  // namespace sim
