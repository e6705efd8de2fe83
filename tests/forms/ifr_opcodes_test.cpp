// The opcode decoder and its dump line by line: each kind of opcode of the IFR
// set, its shorter older forms, the typed values, the GUID extensions, an
// unknown opcode, and the refusals of opcodes too short for their fields.
#include <gtest/gtest.h>

#include <map>
#include <sstream>
#include <string>

#include "forms/host/ifr_dump.h"
#include "forms/host/ifr_layouts.h"
#include "forms/host/question_table.h"
#include "tests/forms/ifr_bytes.h"

namespace {

using ifr_bytes::Bytes;
using ifr_bytes::Cat;
using ifr_bytes::Le;
using ifr_bytes::Op;
using ifr_bytes::Package;

const std::map<uint16_t, std::string> kStrings = {{1, "One"}, {2, "Two"}, {3, "Three"}, {4, "a\"b\nc"}};

std::optional<std::string> Lookup(uint16_t id) {
  const auto found = kStrings.find(id);
  return found == kStrings.end() ? std::nullopt : std::optional<std::string>(found->second);
}

// Prompt "One", help "Two", question id 3, the store and offset given, flags.
Bytes Question(uint16_t store = 1, uint16_t offset = 4, uint8_t flags = 0) {
  return Cat({Le(1, 2), Le(2, 2), Le(3, 2), Le(store, 2), Le(offset, 2), {flags}});
}
const std::string kQuestion = R"(Prompt: "One", Help: "Two", QuestionId: 0x3, VarStoreId: 0x1, VarOffset: 0x4, )"
                              "QuestionFlags: 0x0";

Bytes Guid(uint8_t fill) { return Bytes(16, fill); }
const Bytes kTiano = {0x35, 0x17, 0x0B, 0x0F, 0xA0, 0x87, 0x93, 0x41, 0xB2, 0x66, 0x53, 0x8C, 0x38, 0xAF, 0x48, 0xCE};
const Bytes kFramework = {0x1A, 0x5D, 0xCA, 0x31, 0x11, 0xD5, 0x31, 0x49, 0xB7, 0x82, 0xAE, 0x77, 0xD6, 0xD5, 0xA6, 0xBF};

struct Line {
  const char *what;
  std::vector<Bytes> before;  // opcodes ahead of it (a store it binds to)
  Bytes op;
  std::string dump;  // the dump's line for op
};

void PrintTo(const Line &line, std::ostream *out) { *out << line.what; }

std::vector<std::string> DumpLines(const Bytes &package, bool verbose = false) {
  const std::vector<forms::IfrOpcode> opcodes = forms::DecodeIfr(package.data(), package.size());
  std::ostringstream out;
  forms::WriteOpcodeLines(opcodes, package.data(), Lookup, verbose, "", out);
  std::vector<std::string> lines;
  std::istringstream in(out.str());
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

class OpcodeLine : public ::testing::TestWithParam<Line> {};

TEST_P(OpcodeLine, DecodesToItsDumpLine) {
  std::vector<Bytes> ops = GetParam().before;
  ops.push_back(GetParam().op);
  const std::vector<std::string> lines = DumpLines(Package(ops));
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.back(), GetParam().dump);
}

const std::string kGuid11 = "11111111-1111-1111-1111-111111111111";

INSTANTIATE_TEST_SUITE_P(
    Statements, OpcodeLine,
    ::testing::Values(
        Line{"subtitle", {}, Op(0x02, {1, 0, 2, 0, 0}), R"(Subtitle Prompt: "One", Help: "Two", Flags: 0x0)"},
        Line{"text", {}, Op(0x03, {1, 0, 2, 0, 3, 0}), R"(Text Prompt: "One", Help: "Two", TextTwo: "Three")"},
        Line{"a string the list lacks", {}, Op(0x03, {9, 0, 0, 0, 0, 0}),
             "Text Prompt: 0x9 (no string), Help: 0x0, TextTwo: 0x0"},
        Line{"a string that holds a quote and a new line", {}, Op(0x02, {4, 0, 2, 0, 0}),
             R"(Subtitle Prompt: "a\"b\nc", Help: "Two", Flags: 0x0)"},
        Line{"image", {}, Op(0x04, Le(9, 2)), "Image Id: 0x9"},
        Line{"reset button", {}, Op(0x0D, {1, 0, 2, 0, 0, 0}), R"(ResetButton Prompt: "One", Help: "Two", DefaultId: 0x0)"},
        Line{"form set, two class GUIDs", {},
             Op(0x0E, Cat({Guid(0x33), Le(1, 2), Le(2, 2), {2}, Guid(0x44), Guid(0x55)})),
             "FormSet Guid: 33333333-3333-3333-3333-333333333333, FormSetTitle: \"One\", Help: \"Two\", Flags: 0x2, "
             "ClassGuid: 44444444-4444-4444-4444-444444444444, ClassGuid: 55555555-5555-5555-5555-555555555555"},
        Line{"form set of UEFI 2.0, no flags", {}, Op(0x0E, Cat({Guid(0x33), Le(1, 2), Le(2, 2)})),
             R"(FormSet Guid: 33333333-3333-3333-3333-333333333333, FormSetTitle: "One", Help: "Two")"},
        Line{"form", {}, Op(0x01, Cat({Le(0x10, 2), Le(1, 2)})), R"(Form FormId: 0x10, FormTitle: "One")"},
        Line{"form map", {}, Op(0x5D, Cat({Le(1, 2), Le(3, 2), Guid(0x11)})),
             "FormMap FormId: 0x1, MethodTitle: \"Three\", MethodIdentifier: " + kGuid11},
        Line{"unknown opcode", {}, Op(0x7B, {1, 2, 3}), "Unknown 0x7B Data: {01 02 03}"}));

INSTANTIATE_TEST_SUITE_P(
    Questions, OpcodeLine,
    ::testing::Values(
        Line{"one-of, 8-bit", {}, Op(0x05, Cat({Question(1, 4, 4), {0x10, 0, 2, 0}})),
             R"(OneOf Prompt: "One", Help: "Two", QuestionId: 0x3, VarStoreId: 0x1, VarOffset: 0x4, )"
             "QuestionFlags: 0x4, Flags: 0x10, Size: 8, MinValue: 0x0, MaxValue: 0x2, Step: 0x0"},
        Line{"numeric, 32-bit", {}, Op(0x07, Cat({Question(), {0x02}, Le(1, 4), Le(0x1000, 4), Le(1, 4)})),
             "Numeric " + kQuestion + ", Flags: 0x2, Size: 32, MinValue: 0x1, MaxValue: 0x1000, Step: 0x1"},
        Line{"numeric, 64-bit", {}, Op(0x07, Cat({Question(), {0x03}, Le(0, 8), Le(~0ull, 8), Le(0, 8)})),
             "Numeric " + kQuestion + ", Flags: 0x3, Size: 64, MinValue: 0x0, MaxValue: 0xFFFFFFFFFFFFFFFF, Step: 0x0"},
        Line{"check box, both defaults", {}, Op(0x06, Cat({Question(), {0x03}})),
             "CheckBox " + kQuestion + ", Flags: 0x3, Default, MfgDefault"},
        Line{"password", {}, Op(0x08, Cat({Question(), Le(6, 2), Le(20, 2)})),
             "Password " + kQuestion + ", MinSize: 6, MaxSize: 20"},
        Line{"string", {}, Op(0x1C, Cat({Question(), {1, 40, 0}})),
             "String " + kQuestion + ", MinSize: 1, MaxSize: 40, Flags: 0x0"},
        Line{"ordered list", {}, Op(0x23, Cat({Question(), {8, 0}})),
             "OrderedList " + kQuestion + ", MaxContainers: 8, Flags: 0x0"},
        Line{"date", {}, Op(0x1A, Cat({Question(), {0x07}})), "Date " + kQuestion + ", Flags: 0x7"},
        Line{"time", {}, Op(0x1B, Cat({Question(), {0x07}})), "Time " + kQuestion + ", Flags: 0x7"},
        Line{"action", {}, Op(0x0C, Question()), "Action " + kQuestion},
        Line{"action with its configuration string", {}, Op(0x0C, Cat({Question(), Le(3, 2)})),
             "Action " + kQuestion + ", QuestionConfig: \"Three\""},
        Line{"reference of the question alone (Ref5)", {}, Op(0x0F, Question()), "Ref " + kQuestion},
        Line{"reference to a form", {}, Op(0x0F, Cat({Question(), Le(2, 2)})), "Ref " + kQuestion + ", FormId: 0x2"},
        Line{"reference to a question (Ref2)", {}, Op(0x0F, Cat({Question(), Le(2, 2), Le(7, 2)})),
             "Ref " + kQuestion + ", FormId: 0x2, RefQuestionId: 0x7"},
        Line{"reference to another form set (Ref3)", {}, Op(0x0F, Cat({Question(), Le(2, 2), Le(7, 2), Guid(0x11)})),
             "Ref " + kQuestion + ", FormId: 0x2, RefQuestionId: 0x7, FormSetId: " + kGuid11},
        Line{"reference through a device path (Ref4)", {},
             Op(0x0F, Cat({Question(), Le(2, 2), Le(7, 2), Guid(0x11), Le(3, 2)})),
             "Ref " + kQuestion + ", FormId: 0x2, RefQuestionId: 0x7, FormSetId: " + kGuid11 + ", DevicePath: \"Three\""},
        Line{"a question on a name/value store names its variable", {Op(0x25, Cat({Le(5, 2), Guid(0x11)}))},
             Op(0x05, Cat({Question(5, 3), {0x00, 0, 1, 0}})),
             R"(OneOf Prompt: "One", Help: "Two", QuestionId: 0x3, VarStoreId: 0x5, VarName: "Three", )"
             "QuestionFlags: 0x0, Flags: 0x0, Size: 8, MinValue: 0x0, MaxValue: 0x1, Step: 0x0"}));

INSTANTIATE_TEST_SUITE_P(
    ValuesAndDefaults, OpcodeLine,
    ::testing::Values(
        Line{"option, 8-bit, the default", {}, Op(0x09, {1, 0, 0x10, 0, 2}),
             R"(OneOfOption Option: "One", Flags: 0x10, Type: UINT8, Value: 2, Default)"},
        Line{"option, 64-bit, the manufacturing default", {}, Op(0x09, Cat({{1, 0, 0x20, 3}, Le(0x123456789, 8)})),
             R"(OneOfOption Option: "One", Flags: 0x20, Type: UINT64, Value: 4886718345, MfgDefault)"},
        Line{"option, boolean", {}, Op(0x09, {1, 0, 0, 4, 1}), R"(OneOfOption Option: "One", Flags: 0x0, Type: BOOLEAN, Value: 1)"},
        Line{"option, time", {}, Op(0x09, {1, 0, 0, 5, 13, 45, 30}),
             R"(OneOfOption Option: "One", Flags: 0x0, Type: TIME, Value: 13:45:30)"},
        Line{"option, date", {}, Op(0x09, Cat({{1, 0, 0, 6}, Le(2024, 2), {2, 29}})),
             R"(OneOfOption Option: "One", Flags: 0x0, Type: DATE, Value: 2024/02/29)"},
        Line{"option, string", {}, Op(0x09, {1, 0, 0, 7, 3, 0}),
             R"(OneOfOption Option: "One", Flags: 0x0, Type: STRING, Value: "Three")"},
        Line{"option, buffer", {}, Op(0x09, {1, 0, 0, 11, 0xAA, 0xBB}),
             R"(OneOfOption Option: "One", Flags: 0x0, Type: BUFFER, Value: {AA BB})"},
        Line{"option, reference", {}, Op(0x09, Cat({{1, 0, 0, 12}, Le(5, 2), Le(6, 2), Guid(0x11), Le(0, 2)})),
             R"(OneOfOption Option: "One", Flags: 0x0, Type: REF, QuestionId: 0x5, FormId: 0x6, FormSetGuid: )" +
                 kGuid11 + ", DevicePath: 0x0"},
        Line{"option of a type outside the set", {}, Op(0x09, {1, 0, 0, 0x40, 1, 2}),
             R"(OneOfOption Option: "One", Flags: 0x0, Type: 0x40, Value: {01 02})"},
        Line{"default, 16-bit", {}, Op(0x5B, Cat({Le(0, 2), {1}, Le(0x1234, 2)})),
             "Default DefaultId: 0x0, Type: UINT16, Value: 4660"},
        Line{"default given by an expression", {}, Op(0x5B, Cat({Le(1, 2), {8}})), "Default DefaultId: 0x1, Type: OTHER"},
        Line{"default store", {}, Op(0x5C, Cat({Le(1, 2), Le(0, 2)})), R"(DefaultStore DefaultName: "One", DefaultId: 0x0)"}));

INSTANTIATE_TEST_SUITE_P(
    Stores, OpcodeLine,
    ::testing::Values(
        Line{"buffer store", {}, Op(0x24, Cat({Guid(0x11), Le(2, 2), Le(9, 2), {'D', 'a', 't', 'a', 0}})),
             "VarStore Guid: " + kGuid11 + ", VarStoreId: 0x2, Size: 9, Name: Data"},
        Line{"EFI variable store", {}, Op(0x26, Cat({Le(1, 2), Guid(0x11), Le(7, 4), Le(687, 2), {'S', 'e', 't', 'u', 'p', 0}})),
             "VarStoreEfi VarStoreId: 0x1, Guid: " + kGuid11 + ", Attributes: 0x7, Size: 687, Name: Setup"},
        Line{"EFI variable store before UEFI 2.3.1, no size or name", {}, Op(0x26, Cat({Le(1, 2), Guid(0x11), Le(3, 4)})),
             "VarStoreEfi VarStoreId: 0x1, Guid: " + kGuid11 + ", Attributes: 0x3"},
        Line{"name/value store", {}, Op(0x25, Cat({Le(5, 2), Guid(0x11)})),
             "VarStoreNameValue VarStoreId: 0x5, Guid: " + kGuid11},
        Line{"device store", {}, Op(0x27, Le(3, 2)), R"(VarStoreDevice DevicePath: "Three")"}));

INSTANTIATE_TEST_SUITE_P(
    ConditionsAndExpressions, OpcodeLine,
    ::testing::Values(
        Line{"suppress if", {}, Op(0x0A, {}), "SuppressIf"},
        Line{"question equals a value", {}, Op(0x12, Cat({Le(3, 2), Le(1, 2)})), "EqIdVal QuestionId: 0x3, Value: 1"},
        Line{"two questions equal", {}, Op(0x13, Cat({Le(3, 2), Le(4, 2)})), "EqIdId QuestionId1: 0x3, QuestionId2: 0x4"},
        Line{"question in a list", {}, Op(0x14, Cat({Le(3, 2), Le(2, 2), Le(1, 2), Le(4, 2)})),
             "EqIdValList QuestionId: 0x3, ListLength: 2, Value: 1, Value: 4"},
        Line{"rule", {}, Op(0x18, {7}), "Rule RuleId: 7"},
        Line{"rule reference", {}, Op(0x3F, {7}), "RuleRef RuleId: 7"},
        Line{"refresh", {}, Op(0x1D, {5}), "Refresh RefreshInterval: 5"},
        Line{"refresh event group", {}, Op(0x62, Guid(0x11)), "RefreshId RefreshEventGroupId: " + kGuid11},
        Line{"warning", {}, Op(0x63, Cat({Le(3, 2), {5}})), R"(WarningIf Warning: "Three", TimeOut: 5)"},
        Line{"inconsistent", {}, Op(0x11, Le(3, 2)), R"(InconsistentIf Error: "Three")"},
        Line{"64-bit constant", {}, Op(0x45, Le(~0ull, 8)), "Uint64 Value: 18446744073709551615"},
        Line{"16-bit constant", {}, Op(0x43, Le(300, 2)), "Uint16 Value: 300"},
        Line{"true", {}, Op(0x46, {}), "True"},
        Line{"to string", {}, Op(0x49, {1}), "ToString Format: 0x1"},
        Line{"string reference", {}, Op(0x4E, Le(3, 2)), R"(StringRef1 StringId: "Three")"},
        Line{"question reference", {}, Op(0x40, Le(3, 2)), "QuestionRef1 QuestionId: 0x3"},
        Line{"question reference 3", {}, Op(0x51, {}), "QuestionRef3"},
        Line{"question reference 3 with a device path and a GUID", {}, Op(0x51, Cat({Le(3, 2), Guid(0x11)})),
             "QuestionRef3 DevicePath: \"Three\", Guid: " + kGuid11},
        Line{"get", {}, Op(0x2B, Cat({Le(1, 2), Le(4, 2), {0}})), "Get VarStoreId: 0x1, VarStoreInfo: 0x4, VarStoreType: UINT8"},
        Line{"span", {}, Op(0x59, {1}), "Span Flags: 0x1"},
        Line{"security", {}, Op(0x60, Guid(0x11)), "Security Permissions: " + kGuid11},
        Line{"match 2", {}, Op(0x64, Guid(0x11)), "Match2 SyntaxType: " + kGuid11},
        Line{"modal", {}, Op(0x61, {}), "ModalTag"}));

INSTANTIATE_TEST_SUITE_P(
    GuidOpcodes, OpcodeLine,
    ::testing::Values(
        Line{"label", {}, Op(0x5F, Cat({kTiano, {0}, Le(0x1000, 2)})),
             "Label Guid: 0F0B1735-87A0-4193-B266-538C38AF48CE, ExtendOpCode: 0x0, Number: 0x1000"},
        Line{"banner", {}, Op(0x5F, Cat({kTiano, {1}, Le(1, 2), Le(2, 2), {1}})),
             R"(Banner Guid: 0F0B1735-87A0-4193-B266-538C38AF48CE, ExtendOpCode: 0x1, Title: "One", LineNumber: 2, )"
             "Alignment: 1"},
        Line{"class", {}, Op(0x5F, Cat({kTiano, {3}, Le(2, 2)})),
             "Class Guid: 0F0B1735-87A0-4193-B266-538C38AF48CE, ExtendOpCode: 0x3, Class: 0x2"},
        Line{"an extension number outside EDK2's", {}, Op(0x5F, Cat({kTiano, {9, 0xAB}})),
             "Guid Guid: 0F0B1735-87A0-4193-B266-538C38AF48CE, ExtendOpCode: 0x9, Data: {AB}"},
        Line{"Framework name equality", {}, Op(0x5F, Cat({kFramework, {1}, Le(3, 2), Le(1, 2)})),
             R"(VarEqName Guid: 31CA5D1A-D511-4931-B782-AE77D6D5A6BF, ExtendOpCode: 0x1, QuestionId: 0x3, NameId: "One")"},
        Line{"another vendor's data", {}, Op(0x5F, Cat({Guid(0x77), {1, 2}})),
             "Guid Guid: 77777777-7777-7777-7777-777777777777, Data: {01 02}"}));

struct Short {
  const char *what;
  Bytes op;
  const char *says;
};

void PrintTo(const Short &value, std::ostream *out) { *out << value.what; }

class ShortOpcode : public ::testing::TestWithParam<Short> {};

TEST_P(ShortOpcode, IsRefusedAtItsByte) {
  const Bytes package = Package({Op(0x46, {}), GetParam().op});
  try {
    forms::DecodeIfr(package.data(), package.size());
    FAIL() << "accepted";
  } catch (const forms::FormPackageError &error) {
    EXPECT_EQ(std::string(error.what()), std::string("form package, byte 6: ") + GetParam().says);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ShortOpcode,
    ::testing::Values(
        Short{"one-of without its range", Op(0x05, Cat({Question(), {0x10}})),
              "OneOf opcode of 14 bytes is too short for its fields"},
        Short{"a range wider than the one-of holds", Op(0x05, Cat({Question(), {0x01, 0, 0, 0}})),
              "OneOf opcode of 17 bytes is too short for its fields"},
        Short{"a reference group begun and cut", Op(0x0F, Cat({Question(), Le(2, 2), {7}})),
              "Ref opcode of 16 bytes is too short for its fields"},
        Short{"a value list longer than the opcode", Op(0x14, Cat({Le(3, 2), Le(3, 2), Le(1, 2), Le(4, 2)})),
              "EqIdValList opcode of 10 bytes is too short for its fields"},
        Short{"an option cut inside its date", Op(0x09, {1, 0, 0, 6, 1, 2}),
              "OneOfOption opcode of 8 bytes is too short for its fields"},
        Short{"a store name with no terminator", Op(0x24, Cat({Guid(0x11), Le(2, 2), Le(9, 2), {'D'}})),
              "VarStore: the name has no terminator"},
        Short{"a label without its number", Op(0x5F, Cat({kTiano, {0}})),
              "Label opcode of 19 bytes is too short for its fields"}));

// Every number from 0 to 255 decodes from a roomy body of zeros (counts of zero,
// empty names, whole form-map methods); any other body decodes or is refused,
// never more. An End closes a scope opened before it.
TEST(EveryOpcode, DecodesOrIsRefusedWhateverItsBody) {
  const Bytes roomy(2 + 5 * 18, 0);
  size_t known = 0;
  for (unsigned number = 0; number < 256; ++number) {
    const auto code = static_cast<uint8_t>(number);
    known += forms::LayoutOf(code) != nullptr;
    for (const Bytes &body : {roomy, Bytes(100, 0xFF), Bytes{}, Bytes{1}}) {
      std::vector<Bytes> ops = {Op(code, body)};
      if (code == 0x29) ops.insert(ops.begin(), Op(0x0A, {}, true));
      const Bytes package = Package(ops);
      try {
        const std::vector<forms::IfrOpcode> decoded = forms::DecodeIfr(package.data(), package.size());
        ASSERT_EQ(decoded.size(), ops.size());
        EXPECT_EQ(decoded.back().known, forms::LayoutOf(code) != nullptr);
      } catch (const forms::FormPackageError &) {
        EXPECT_FALSE(body == roomy) << "code " << number;
      }
    }
  }
  EXPECT_EQ(known, 100u) << "the IFR set runs from 0x01 to 0x64";
}

// Scopes indent the dump; --verbose puts each opcode's offset before it and its bytes after it.
TEST(OpcodeDump, IndentsByScopeAndShowsBytesWhenVerbose) {
  const Bytes package =
      Package({Op(0x0E, Cat({Guid(0x11), Le(1, 2), Le(2, 2), {0}}), true), Op(0x01, Cat({Le(1, 2), Le(1, 2)}), true),
               Op(0x0A, {}, true), Op(0x46, {}), Op(0x29, {}), Op(0x05, Cat({Question(), {0, 0, 1, 0}}), true),
               Op(0x09, {3, 0, 0x10, 0, 1}), Op(0x29, {}), Op(0x29, {}), Op(0x29, {})});
  EXPECT_EQ(DumpLines(package), (std::vector<std::string>{
                                    "FormSet Guid: " + kGuid11 + R"(, FormSetTitle: "One", Help: "Two", Flags: 0x0)",
                                    R"(  Form FormId: 0x1, FormTitle: "One")",
                                    "    SuppressIf",
                                    "      True",
                                    "    End",
                                    "    OneOf " + kQuestion + ", Flags: 0x0, Size: 8, MinValue: 0x0, MaxValue: 0x1, Step: 0x0",
                                    R"(      OneOfOption Option: "Three", Flags: 0x10, Type: UINT8, Value: 1, Default)",
                                    "    End",
                                    "  End",
                                    "End"}));
  const std::vector<std::string> verbose = DumpLines(package, true);
  EXPECT_EQ(verbose[3], "0x0023:       True {46 02}");
  EXPECT_EQ(verbose.back(), "0x0043: End {29 02}");
}

TEST(OpcodeDump, JsonNamesEveryFieldAndKeepsRunsAsArrays) {
  const Bytes package = Package({Op(0x0E, Cat({Guid(0x11), Le(1, 2), Le(9, 2), {2}, Guid(0x44), Guid(0x55)}), true),
                                 Op(0x06, Cat({Question(), {0x01}})), Op(0x29, {})});
  const std::vector<forms::IfrOpcode> opcodes = forms::DecodeIfr(package.data(), package.size());
  const nlohmann::ordered_json json = forms::OpcodesJson(opcodes, package.data(), Lookup, true);
  ASSERT_EQ(json.size(), 3u);
  EXPECT_EQ(json[0]["opcode"], "FormSet");
  EXPECT_EQ(json[0]["scope"], true);
  EXPECT_EQ(json[0]["fields"]["FormSetTitle"], (nlohmann::ordered_json{{"id", 1}, {"text", "One"}}));
  EXPECT_EQ(json[0]["fields"]["Help"], (nlohmann::ordered_json{{"id", 9}, {"text", nullptr}}));
  EXPECT_EQ(json[0]["fields"]["ClassGuid"], (nlohmann::ordered_json{"44444444-4444-4444-4444-444444444444",
                                                                    "55555555-5555-5555-5555-555555555555"}));
  EXPECT_EQ(json[1]["depth"], 1);
  EXPECT_EQ(json[1]["fields"]["QuestionId"], 3);
  EXPECT_EQ(json[1]["fields"]["Default"], true);
  EXPECT_EQ(json[2]["bytes"], "29 02");
}

}  // namespace

namespace {

// The settings view: the forms that lead to a question, its place and width by
// kind, its defaults by option flag, check-box flag or default opcode.
TEST(QuestionTable, RowsSayWhereEachValueLivesAndWhatItDefaultsTo) {
  const Bytes package = Package({
      Op(0x0E, Cat({Guid(0x11), Le(1, 2), Le(2, 2), {0}}), true),
      Op(0x24, Cat({Guid(0x22), Le(1, 2), Le(40, 2), {'D', 0}})),
      Op(0x25, Cat({Le(2, 2), Guid(0x33)})),
      Op(0x01, Cat({Le(1, 2), Le(1, 2)}), true),  // form 1 "One" leads to form 2 "Three"
      Op(0x0F, Cat({Question(0, 0), Le(2, 2)})),
      Op(0x06, Cat({Question(1, 0), {0x01}})),  // a check box, default on
      Op(0x29, {}),
      Op(0x01, Cat({Le(2, 2), Le(3, 2)}), true),
      Op(0x0A, {}, true), Op(0x46, {}), Op(0x29, {}),  // conditions do not hide a row
      Op(0x23, Cat({Question(1, 8), {4, 0}}), true),  // up to four 32-bit entries
      Op(0x09, Cat({{1, 0, 0, 2}, Le(7, 4)})),
      Op(0x29, {}),
      Op(0x05, Cat({Question(1, 2), {0x01, 0, 0, 9, 0, 0, 0}}), true),  // 16-bit one-of
      Op(0x09, Cat({{1, 0, 0x10, 1}, Le(3, 2)})),
      Op(0x09, Cat({{2, 0, 0x20, 1}, Le(9, 2)})),
      Op(0x5B, Cat({Le(0, 2), {1}, Le(9, 2)})),  // the standard default, by opcode
      Op(0x29, {}),
      Op(0x1C, Cat({Question(2, 3), {1, 12, 0}})),  // a string in a name/value store, named "Three"
      Op(0x07, Cat({Question(0, 0), {0, 0, 9, 1}})),  // no store: no row
      Op(0x29, {}),
      Op(0x29, {}),
  });
  const std::vector<forms::IfrOpcode> opcodes = forms::DecodeIfr(package.data(), package.size());
  const std::vector<forms::QuestionRow> rows = forms::QuestionTable(opcodes);
  ASSERT_EQ(rows.size(), 4u);
  const struct {
    const char *name;
    std::vector<uint16_t> path;
    bool byName;
    uint16_t place;
    uint64_t width;
    size_t options;
    std::map<uint16_t, uint64_t> defaults;
  } kRows[] = {
      {"CheckBox", {1}, false, 0, 1, 0, {{0, 1}}},
      {"OrderedList", {1, 3}, false, 8, 16, 1, {}},
      {"OneOf", {1, 3}, false, 2, 2, 2, {{0, 9}, {1, 9}}},
      {"String", {1, 3}, true, 3, 24, 0, {}},
  };
  for (size_t i = 0; i < rows.size(); ++i) {
    SCOPED_TRACE(kRows[i].name);
    EXPECT_STREQ(rows[i].question->name, kRows[i].name);
    EXPECT_EQ(rows[i].formSetTitle, 1);
    EXPECT_EQ(rows[i].formPath, kRows[i].path);
    EXPECT_EQ(rows[i].byName, kRows[i].byName);
    EXPECT_EQ(rows[i].place, kRows[i].place);
    EXPECT_EQ(rows[i].width, kRows[i].width);
    EXPECT_EQ(rows[i].options.size(), kRows[i].options);
    EXPECT_EQ(rows[i].defaults, kRows[i].defaults);
  }
  EXPECT_EQ(rows[0].store->code, 0x24);
}

}  // namespace
