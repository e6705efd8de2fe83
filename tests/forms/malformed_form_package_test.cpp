// A form package is outside data to the reader: every malformed one is refused
// with the byte where it breaks, and no cut of a good package reads past its end.
#include <gtest/gtest.h>

#include <vector>

#include "forms/host/form_package.h"

namespace {

using Bytes = std::vector<uint8_t>;

Bytes Op(uint8_t code, Bytes body, bool scope = false) {
  Bytes op = {code, static_cast<uint8_t>((body.size() + 2) | (scope ? 0x80 : 0))};
  op.insert(op.end(), body.begin(), body.end());
  return op;
}

Bytes Package(const std::vector<Bytes> &ops) {
  Bytes bytes(4, 0);
  for (const Bytes &op : ops) bytes.insert(bytes.end(), op.begin(), op.end());
  const uint32_t header = static_cast<uint32_t>(bytes.size()) | 0x02u << 24;
  for (int i = 0; i < 4; ++i) bytes[i] = static_cast<uint8_t>(header >> (8 * i));
  return bytes;
}

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
        Malformed{"short subtitle", Package({kFormSet, kForm, Op(0x02, {3, 0}), kEnd, kEnd}), "subtitle opcode"},
        Malformed{"short one-of", Package({kFormSet, kForm, Op(0x05, Bytes(9, 0), true), kEnd, kEnd, kEnd}),
                  "one-of opcode"},
        Malformed{"class GUIDs past the opcode", Package({Op(0x0E, [] { Bytes b(21, 0); b[20] = 2; return b; }(), true), kEnd}),
                  "form set opcode"},
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
  mine.options = {{0, 5, false}, {0, 9, true}};
  forms::FormItem other = mine;
  other.varStoreId = 2;
  other.offset = 1;
  forms::FormItem beyond = mine;
  beyond.offset = 8;
  set.forms.push_back({1, 0, {mine, other, beyond}});
  EXPECT_EQ(forms::DefaultImage(set, 1, 4), (Bytes{0, 0, 0, 9}));
}

}  // namespace
