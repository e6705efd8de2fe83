// The form packages the builder made from forms/setup-forms.json, read back
// byte by byte: every opcode has the length the UEFI encoding gives it, scopes
// close, and each form set says what the file says (titles, items in order,
// settings bound to Setup with their options and defaults, action keys).
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <nlohmann/json.hpp>

#include "forms/firmware/package_list_seeds.h"
#include "forms/host/form_package.h"
#include "sim/machine/guid_text.h"
#include "sim/profile/package_lists.h"

namespace {

using json = nlohmann::ordered_json;

json FormsFile() {
  std::ifstream in(SETUP_FORMS_JSON);
  return json::parse(in);
}

std::string Text(const sim::PackageListSpec &list, uint16_t id) {
  const sim::StringSpec *found = list.strings.Find(id);
  if (found == nullptr) return "<no string " + std::to_string(id) + ">";
  return std::string(found->text.begin(), found->text.end());
}

const sim::PackageListSpec &BuiltinList(uint16_t formClass) {
  for (const sim::PackageListSpec &list : sim::BuiltinPackageLists()) {
    if (list.formClass == formClass) return list;
  }
  throw std::runtime_error("no built-in list of class " + std::to_string(formClass));
}

// The length the UEFI form encoding gives each opcode the builder writes
// (one class GUID on the form set, "Setup" as the store's name, 8-bit one-ofs).
TEST(FormPackage, EveryOpcodeHasItsEncodedLengthAndScopesClose) {
  const std::map<uint8_t, size_t> kLengths = {{0x0E, 39}, {0x5C, 6}, {0x26, 32}, {0x01, 6}, {0x02, 7}, {0x03, 8},
                                              {0x0F, 15}, {0x0C, 15}, {0x05, 17}, {0x09, 7}, {0x29, 2}};
  const std::map<uint8_t, bool> kOpensScope = {{0x0E, true}, {0x01, true}, {0x05, true}};
  for (const sim::PackageListSpec &list : sim::BuiltinPackageLists()) {
    SCOPED_TRACE("class " + std::to_string(list.formClass));
    const std::vector<uint8_t> &bytes = list.formPackage;
    ASSERT_GE(bytes.size(), 4u);
    EXPECT_EQ(bytes[3], 0x02) << "package type";
    EXPECT_EQ(bytes[0] | bytes[1] << 8 | bytes[2] << 16, static_cast<int>(bytes.size()));
    int depth = 0;
    for (size_t at = 4; at < bytes.size();) {
      const uint8_t code = bytes[at];
      const size_t length = bytes[at + 1] & 0x7F;
      ASSERT_TRUE(kLengths.count(code)) << "opcode " << int(code) << " at " << at;
      EXPECT_EQ(length, kLengths.at(code)) << "opcode " << int(code) << " at " << at;
      EXPECT_EQ((bytes[at + 1] & 0x80) != 0, kOpensScope.count(code) != 0) << "scope bit at " << at;
      depth += (bytes[at + 1] & 0x80) ? 1 : 0;
      depth -= code == 0x29 ? 1 : 0;
      ASSERT_GE(depth, 0) << at;
      ASSERT_GT(length, 0u);
      at += length;
      EXPECT_TRUE(at == bytes.size() || depth > 0) << "opcodes after the form set closed";
    }
    EXPECT_EQ(depth, 0);
  }
}

TEST(FormPackage, EachFormSetSaysWhatTheFormsFileSays) {
  const json forms = FormsFile();
  for (const json &file : forms["form_sets"]) {
    const uint16_t formClass = file["class"];
    SCOPED_TRACE("class " + std::to_string(formClass));
    const sim::PackageListSpec &list = BuiltinList(formClass);
    const forms::FormSet set = forms::DecodeFormPackage(list.formPackage.data(), list.formPackage.size());
    EXPECT_EQ(sim::GuidToText(set.guid), file["guid"].get<std::string>());
    ASSERT_EQ(set.classGuids.size(), 1u);
    EXPECT_EQ(sim::GuidToText(set.classGuids[0]), "93039971-8545-4B04-B45E-32EB8326040E");
    EXPECT_EQ(Text(list, set.title), file["title"].get<std::string>());
    ASSERT_EQ(set.varStores.size(), 1u);
    EXPECT_EQ(set.varStores[0].name, "Setup");
    EXPECT_EQ(sim::GuidToText(set.varStores[0].guid), "EC87D643-EBA4-4BB5-A1E5-3F3E36B20DA9");
    EXPECT_EQ(set.varStores[0].attributes, 7u);
    EXPECT_EQ(set.varStores[0].size, 687u);
    EXPECT_EQ(set.defaultStores, std::vector<uint16_t>{0});

    ASSERT_EQ(set.forms.size(), file["forms"].size());
    std::map<std::string, uint16_t> formIds;
    for (size_t f = 0; f < set.forms.size(); ++f) formIds[file["forms"][f]["name"]] = set.forms[f].id;
    for (size_t f = 0; f < set.forms.size(); ++f) {
      const json &form = file["forms"][f];
      const forms::Form &decoded = set.forms[f];
      EXPECT_EQ(Text(list, decoded.title), form["title"].get<std::string>());
      ASSERT_EQ(decoded.items.size(), form["items"].size()) << form["name"];
      for (size_t i = 0; i < decoded.items.size(); ++i) {
        const json &item = form["items"][i];
        const forms::FormItem &got = decoded.items[i];
        SCOPED_TRACE(form["name"].get<std::string>() + " item " + std::to_string(i));
        EXPECT_EQ(Text(list, got.help), item.value("help", ""));
        if (item.contains("subtitle")) {
          EXPECT_EQ(got.kind, forms::FormItemKind::Subtitle);
          EXPECT_EQ(Text(list, got.prompt), item["subtitle"].get<std::string>());
        } else if (item.contains("text")) {
          EXPECT_EQ(got.kind, forms::FormItemKind::Text);
          EXPECT_EQ(got.textTwo, item["text"].get<uint16_t>());
          EXPECT_EQ(Text(list, got.prompt), item.value("label", list.strings.at(got.textTwo).label));
        } else if (item.contains("form")) {
          EXPECT_EQ(got.kind, forms::FormItemKind::Reference);
          EXPECT_EQ(got.targetForm, formIds.at(item["form"]));
        } else if (item.contains("action")) {
          EXPECT_EQ(got.kind, forms::FormItemKind::Action);
          EXPECT_EQ(got.questionId, std::stoul(item["key"].get<std::string>(), nullptr, 0));
          EXPECT_EQ(got.questionFlags & forms::ifr::kQuestionCallback, forms::ifr::kQuestionCallback);
          EXPECT_EQ(Text(list, got.prompt), item["action"].get<std::string>());
        } else {
          EXPECT_EQ(got.kind, forms::FormItemKind::Setting);
          EXPECT_EQ(Text(list, got.prompt), item["setting"].get<std::string>());
          EXPECT_EQ(got.varStoreId, set.varStores[0].id);
          EXPECT_EQ(got.offset, item["offset"].get<uint16_t>());
          ASSERT_EQ(got.options.size(), item["options"].size());
          size_t k = 0;
          for (const auto &[text, value] : item["options"].items()) {
            EXPECT_EQ(Text(list, got.options[k].text), text);
            EXPECT_EQ(got.options[k].value, value.get<uint8_t>());
            EXPECT_EQ(got.options[k].isDefault, text == item["default"].get<std::string>());
            ++k;
          }
        }
      }
    }
  }
}

// What GetDefaultImage hands the driver is what the forms' defaults give: read
// from the decoded questions, from the generator's own image, and from the file.
TEST(FormPackage, DefaultImagesAgreeWithTheSettingsDefaults) {
  std::map<uint16_t, std::vector<uint8_t>> fromFile;
  const json file = FormsFile();
  for (const json &set : file["form_sets"]) {
    std::vector<uint8_t> &image = fromFile[set["class"].get<uint16_t>()] = std::vector<uint8_t>(687, 0);
    for (const json &form : set["forms"]) {
      for (const json &item : form["items"]) {
        if (item.contains("setting")) image[item["offset"].get<size_t>()] = item["options"][item["default"].get<std::string>()];
      }
    }
  }
  for (const sim::PackageListSpec &list : sim::BuiltinPackageLists()) {
    SCOPED_TRACE("class " + std::to_string(list.formClass));
    const PackageListSeed *seed = FindPackageListSeed(list.formClass);
    ASSERT_NE(seed, nullptr);
    std::vector<uint8_t> generated(seed->DefaultImageSize, 0);
    for (size_t i = 0; i < seed->DefaultCount; ++i) generated[seed->Defaults[i].Offset] = seed->Defaults[i].Value;
    ASSERT_TRUE(list.defaults.has_value());
    EXPECT_EQ(*list.defaults, generated);
    EXPECT_EQ(*list.defaults, fromFile.at(list.formClass));
  }
}

}  // namespace
