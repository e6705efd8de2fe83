// A form package is outside data to the reader: every malformed one is refused
// with the byte where it breaks, and no cut of a good package reads past its end.
#include <gtest/gtest.h>

#include <vector>

#include "forms/host/form_package.h"
#include "tests/forms/ifr_bytes.h"

namespace {

using ifr_bytes::Bytes;
using ifr_bytes::Op;
using ifr_bytes::Package;

const Bytes kFormSet = Op(0x0E, Bytes(21, 0), true);  // no class GUID
const Bytes kForm = Op(0x01, {1, 0, 2, 0}, true);
const Bytes kSubtitle = Op(0x02, {3, 0, 0, 0, 0});
const Bytes kOneOf = Op(0x05, Bytes(15, 0), true);
const Bytes kOption = Op(0x09, {4, 0, 0x10, 0, 7});
const Bytes kEnd = Op(0x29, {});

struct Malformed {
  const char *what;
  Bytes bytes;
  const char *says;
};

void PrintTo(const Malformed &value, std::ostream *out) { *out << value.what; }

class MalformedFormPackage : public ::testing::TestWithParam<Malformed> {};

TEST_P(MalformedFormPackage, IsRefusedNamingTheFault) {
  const Malformed &c = GetParam();
  try {
    forms::DecodeFormPackage(c.bytes.data(), c.bytes.size());
    FAIL() << "accepted";
  } catch (const forms::FormPackageError &error) {
    EXPECT_NE(std::string(error.what()).find(c.says), std::string::npos) << error.what();
  }
}

Bytes WithHeaderLength(Bytes bytes, uint32_t length) {
  for (int i = 0; i < 3; ++i) bytes[i] = static_cast<uint8_t>(length >> (8 * i));
  return bytes;
}

Bytes WithType(Bytes bytes, uint8_t type) {
  bytes[3] = type;
  return bytes;
}

const Bytes kGood = Package({kFormSet, kForm, kSubtitle, kOneOf, kOption, kEnd, kEnd, kEnd});

INSTANTIATE_TEST_SUITE_P(
    Cases, MalformedFormPackage,
    ::testing::Values(
        Malformed{"empty", {}, "shorter than a package header"},
        Malformed{"a string package", WithType(kGood, 0x04), "not a form package"},
        Malformed{"header longer than the bytes", WithHeaderLength(kGood, 200), "is not the package's"},
        Malformed{"opcode of length zero", Package({kFormSet, {0x01, 0x00}, kEnd}), "opcode length 0"},
        Malformed{"opcode of length one", Package({kFormSet, {0x01, 0x01}, kEnd}), "opcode length 1"},
        Malformed{"opcode past the end", Package({kFormSet, {0x02, 0x7F}}), "runs past the package"},
        Malformed{"scope never closed", Package({kFormSet, kForm, kSubtitle, kEnd}), "left open"},
        Malformed{"end without a scope", Package({kFormSet, kEnd, kEnd}), "without an open scope"},
        Malformed{"statement outside a form", Package({kFormSet, kSubtitle, kEnd}), "outside a form"},
        Malformed{"option outside a one-of", Package({kFormSet, kForm, kOption, kEnd, kEnd}), "outside a one-of"},
        Malformed{"form outside the form set", Package({kForm, kEnd}), "outside the form set"},
        Malformed{"two form sets", Package({kFormSet, kEnd, kFormSet, kEnd}), "a second form set"},
        Malformed{"no form set", Package({}), "no form set"},
        Malformed{"short subtitle", Package({kFormSet, kForm, Op(0x02, {3, 0}), kEnd, kEnd}), "Subtitle opcode"},
        Malformed{"short one-of", Package({kFormSet, kForm, Op(0x05, Bytes(9, 0), true), kEnd, kEnd, kEnd}),
                  "OneOf opcode"},
        Malformed{"class GUIDs past the opcode", Package({Op(0x0E, [] { Bytes b(21, 0); b[20] = 2; return b; }(), true), kEnd}),
                  "FormSet opcode"},
        Malformed{"store name without a terminator",
                  Package({kFormSet, Op(0x26, Bytes(24, 0x41)), kEnd}), "no terminator"}));

TEST(MalformedFormPackage, EveryCutOfAGoodPackageIsRefusedInsideItsBytes) {
  ASSERT_NO_THROW(forms::DecodeFormPackage(kGood.data(), kGood.size()));
  for (size_t size = 0; size < kGood.size(); ++size) {
    // A copy of exactly the cut's size, so AddressSanitizer sees any read past it.
    const Bytes cut = size < 4 ? Bytes(kGood.begin(), kGood.begin() + size)
                               : WithHeaderLength(Bytes(kGood.begin(), kGood.begin() + size), size);
    EXPECT_THROW(forms::DecodeFormPackage(cut.data(), cut.size()), forms::FormPackageError) << size;
  }
}

TEST(FormDefaults, OnlySettingsOfTheStoreInsideTheImageGiveDefaults) {
  forms::FormSet set;
  forms::FormItem mine;
  mine.kind = forms::FormItemKind::Setting;
  mine.varStoreId = 1;
  mine.offset = 3;
  mine.defaultValue = 9;
  forms::FormItem other = mine;
  other.varStoreId = 2;
  other.offset = 1;
  forms::FormItem beyond = mine;
  beyond.offset = 8;
  forms::FormItem wide = mine;  // two bytes, little-endian
  wide.offset = 0;
  wide.width = 2;
  wide.defaultValue = 0x0102;
  forms::FormItem straddling = wide;  // its second byte would lie past the image
  straddling.offset = 3;
  set.forms.push_back({1, 0, {mine, other, beyond, wide, straddling}});
  EXPECT_EQ(forms::DefaultImage(set, 1, 4), (Bytes{2, 1, 0, 9}));
}

// The default the menu takes: an option's flag, unless a standard default opcode says otherwise.
TEST(FormDefaults, DefaultOpcodesOverrideOptionFlags) {
  const Bytes wideOneOf = Op(0x05, {0, 0, 0, 0, 5, 0, 1, 0, 8, 0, 0, 0x01, 0, 0, 0, 0, 0, 0}, true);  // 16-bit
  const Bytes option = Op(0x09, {4, 0, 0x10, 1, 0x34, 0x12});
  const Bytes standard = Op(0x5B, {0, 0, 1, 0x78, 0x56});
  const Bytes manufacturing = Op(0x5B, {1, 0, 1, 0x11, 0x11});
  struct Case {
    const char *what;
    std::vector<Bytes> inside;
    uint64_t expected;
  };
  for (const Case &c : {Case{"option flag", {option}, 0x1234}, Case{"default opcode", {option, standard}, 0x5678},
                        Case{"manufacturing default only", {option, manufacturing}, 0x1234}}) {
    std::vector<Bytes> ops = {kFormSet, kForm, wideOneOf};
    ops.insert(ops.end(), c.inside.begin(), c.inside.end());
    ops.insert(ops.end(), {kEnd, kEnd, kEnd});
    const Bytes package = Package(ops);
    const forms::FormSet set = forms::DecodeFormPackage(package.data(), package.size());
    const forms::FormItem &item = set.forms.at(0).items.at(0);
    EXPECT_EQ(item.width, 2) << c.what;
    EXPECT_EQ(item.offset, 8) << c.what;
    EXPECT_EQ(item.defaultValue, c.expected) << c.what;
  }
}

}  // namespace
