// String packages, package lists and exported databases, and the scan that finds
// packages inside other binaries (a firmware volume with an LZMA section made
// here): what each reads, and what each refuses at which byte.
#include <gtest/gtest.h>
#include <lzma.h>

#include <string>

#include "forms/host/package_lists.h"
#include "forms/host/package_scan.h"
#include "tests/forms/ifr_bytes.h"

namespace {

using ifr_bytes::Bytes;
using ifr_bytes::Cat;
using ifr_bytes::Le;
using ifr_bytes::Op;
using ifr_bytes::Package;

Bytes Ucs2(const std::u16string &text) {
  Bytes bytes;
  for (char16_t c : text) bytes.insert(bytes.end(), {static_cast<uint8_t>(c), static_cast<uint8_t>(c >> 8)});
  return Cat({bytes, {0, 0}});
}

// A string package of language "en-US" holding blocks (the end block added).
Bytes Strings(const Bytes &blocks, const std::string &language = "en-US") {
  Bytes header = Cat({Le(0, 4), Le(0, 4), Le(0, 4), Bytes(32, 0), Le(0, 2), Bytes(language.begin(), language.end()), {0}});
  const size_t headerSize = header.size();
  for (int i = 0; i < 4; ++i) header[4 + i] = static_cast<uint8_t>(headerSize >> (8 * i));
  for (int i = 0; i < 4; ++i) header[8 + i] = static_cast<uint8_t>(headerSize >> (8 * i));
  Bytes package = Cat({header, blocks, {0x00}});
  const uint32_t length = static_cast<uint32_t>(package.size()) | 0x04u << 24;
  for (int i = 0; i < 4; ++i) package[i] = static_cast<uint8_t>(length >> (8 * i));
  return package;
}

struct StringCase {
  const char *what;
  Bytes blocks;
  std::map<uint16_t, std::u16string> strings;
};

void PrintTo(const StringCase &value, std::ostream *out) { *out << value.what; }

class StringBlocks : public ::testing::TestWithParam<StringCase> {};

TEST_P(StringBlocks, GiveEachStringItsId) {
  const Bytes package = Strings(GetParam().blocks);
  const forms::StringPackage decoded = forms::DecodeStringPackage(package.data(), package.size());
  EXPECT_EQ(decoded.language, "en-US");
  EXPECT_EQ(decoded.strings, GetParam().strings);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, StringBlocks,
    ::testing::Values(
        StringCase{"UCS-2 strings, one a block", Cat({{0x14}, Ucs2(u"One"), {0x14}, Ucs2(u"\u00b0C")}),
                   {{1, u"One"}, {2, u"\u00b0C"}}},
        StringCase{"several UCS-2 strings in a block", Cat({{0x16}, Le(2, 2), Ucs2(u"A"), Ucs2(u"B")}),
                   {{1, u"A"}, {2, u"B"}}},
        StringCase{"with fonts", Cat({{0x15, 7}, Ucs2(u"A"), {0x17, 7}, Le(1, 2), Ucs2(u"B")}), {{1, u"A"}, {2, u"B"}}},
        StringCase{"SCSU in its initial state", Cat({{0x10, 'h', 'i', 0xE9, 0}, {0x12}, Le(1, 2), {'x', 0}}),
                   {{1, u"hi\u00e9"}, {2, u"x"}}},
        StringCase{"an SCSU tag byte", {0x10, 'a', 0x05, 0}, {{1, u"a\ufffd"}}},
        StringCase{"skips", Cat({{0x22, 2}, {0x14}, Ucs2(u"C"), {0x21}, Le(0x100, 2), {0x14}, Ucs2(u"D")}),
                   {{3, u"C"}, {0x104, u"D"}}},
        StringCase{"a duplicate", Cat({{0x14}, Ucs2(u"A"), {0x20}, Le(1, 2)}), {{1, u"A"}, {2, u"A"}}},
        StringCase{"extended blocks passed over by their length", Cat({{0x30, 0x40, 4, 0xAA}, {0x31, 0x40}, Le(5, 2),
                                                                      {0xBB}, {0x14}, Ucs2(u"E")}),
                   {{1, u"E"}}}));

struct Refused {
  const char *what;
  Bytes package;
  const char *says;
};

void PrintTo(const Refused &value, std::ostream *out) { *out << value.what; }

class RefusedStrings : public ::testing::TestWithParam<Refused> {};

TEST_P(RefusedStrings, NameTheByte) {
  try {
    forms::DecodeStringPackage(GetParam().package.data(), GetParam().package.size());
    FAIL() << "accepted";
  } catch (const forms::PackageError &error) {
    EXPECT_EQ(std::string(error.what()), GetParam().says);
  }
}

Bytes Cut(Bytes package, size_t size) {
  package.resize(size);
  for (int i = 0; i < 3; ++i) package[i] = static_cast<uint8_t>(size >> (8 * i));
  return package;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RefusedStrings,
    ::testing::Values(
        Refused{"a form package", Package({}), "string package, byte 0: not a string package (type 2)"},
        Refused{"a string without its terminator", Cut(Strings(Cat({{0x14}, Ucs2(u"AB")})), 56),
                "string package, byte 55: a string has no terminator"},
        Refused{"no end block", Cut(Strings({}), 52), "string package, byte 52: a block runs past the package"},
        Refused{"a block type outside the set", Strings({0x50}),
                "string package, byte 52: string block type 80 is not one of the set"},
        Refused{"an extended block longer than the package", Strings({0x30, 0x40, 200}),
                "string package, byte 52: extended block of 200 bytes"},
        Refused{"ids past 0xFFFF", Strings(Cat({{0x21}, Le(0xFFFF, 2), {0x14}, Ucs2(u"A")})),
                "string package, byte 56: string ids run past 0xFFFF"}));

const Bytes kForms = Package({Op(0x0E, Cat({Bytes(16, 0x11), Le(1, 2), Le(0, 2), {0}}), true), Op(0x29, {})});

Bytes List(uint8_t fill, const std::vector<Bytes> &packages) {
  Bytes list = Cat({Bytes(16, fill), Le(0, 4)});
  for (const Bytes &package : packages) list = Cat({list, package});
  list = Cat({list, {4, 0, 0, 0xDF}});
  for (int i = 0; i < 4; ++i) list[16 + i] = static_cast<uint8_t>(list.size() >> (8 * i));
  return list;
}

TEST(PackageLists, ReadABarePackageAListAndADatabase) {
  const auto bare = forms::ReadPackageLists(kForms.data(), kForms.size());
  ASSERT_TRUE(bare);
  ASSERT_EQ(bare->size(), 1u);
  EXPECT_EQ(bare->at(0).forms.at(0).bytes, kForms);

  const Bytes strings = Strings(Cat({{0x14}, Ucs2(u"Title")}));
  const Bytes first = List(0xAA, {strings, kForms});
  const Bytes database = Cat({first, List(0xBB, {Bytes{8, 0, 0, 0x05, 1, 2, 3, 4}})});
  const auto lists = forms::ReadPackageLists(database.data(), database.size());
  ASSERT_TRUE(lists);
  ASSERT_EQ(lists->size(), 2u);
  EXPECT_EQ(lists->at(0).name, "AAAAAAAA-AAAA-AAAA-AAAA-AAAAAAAAAAAA");
  EXPECT_EQ(lists->at(0).forms.at(0).offset, 20 + strings.size());
  EXPECT_EQ(lists->at(0).strings.at(0).strings.at(1), u"Title");
  EXPECT_TRUE(lists->at(1).forms.empty()) << "a font package is not the dump's";
  EXPECT_EQ(lists->at(1).offset, first.size());

  const Bytes pe = Cat({{'M', 'Z'}, Bytes(30, 0), kForms});
  EXPECT_FALSE(forms::ReadPackageLists(pe.data(), pe.size())) << "no list: scan it";
}

TEST(PackageLists, ACutDatabaseIsRefusedAtTheListThatBreaks) {
  const Bytes one = List(0xAA, {kForms});
  const Bytes database = Cat({one, Bytes(one.begin(), one.end() - 3)});
  try {
    forms::ReadPackageLists(database.data(), database.size());
    FAIL() << "accepted";
  } catch (const forms::PackageError &error) {
    EXPECT_EQ(std::string(error.what()), "package list, byte " + std::to_string(one.size()) +
                                             ": no package list of whole packages ending in an end package");
  }
}

// A firmware volume (FFS2, erase polarity 1) of one driver file whose PE32 and
// name sections sit inside an LZMA GUID-defined section, as build tools pack them.
Bytes Section(uint8_t type, const Bytes &body) { return Cat({Le(body.size() + 4, 3), {type}, body}); }

Bytes Lzma(const Bytes &plain) {
  lzma_options_lzma options;
  lzma_lzma_preset(&options, 6);
  lzma_stream stream = LZMA_STREAM_INIT;
  EXPECT_EQ(lzma_alone_encoder(&stream, &options), LZMA_OK);
  Bytes packed(plain.size() + 1024);
  stream.next_in = plain.data();
  stream.avail_in = plain.size();
  stream.next_out = packed.data();
  stream.avail_out = packed.size();
  EXPECT_EQ(lzma_code(&stream, LZMA_FINISH), LZMA_STREAM_END);
  packed.resize(packed.size() - stream.avail_out);
  lzma_end(&stream);
  const Bytes size = Le(plain.size(), 8);  // the encoder writes "unknown"; firmware wants the size
  std::copy(size.begin(), size.end(), packed.begin() + 5);
  return packed;
}

Bytes Volume(const Bytes &files) {
  const Bytes ffs2 = {0x78, 0xE5, 0x8C, 0x8C, 0x3D, 0x8A, 0x1C, 0x4F, 0x99, 0x35, 0x89, 0x61, 0x85, 0xC3, 0x2D, 0xD3};
  Bytes volume = Cat({Bytes(16, 0), ffs2, Le(0, 8), {'_', 'F', 'V', 'H'}, Le(0x800, 4), Le(72, 2), Le(0, 2), Le(0, 2),
                      {0, 2}, Le(1, 4), Le(0, 4), Bytes(8, 0), files});
  volume.resize((volume.size() + 7) / 8 * 8 + 64, 0xFF);
  const Bytes length = Le(volume.size(), 8);
  std::copy(length.begin(), length.end(), volume.begin() + 32);
  uint16_t sum = 0;
  for (size_t i = 0; i < 72; i += 2) sum = static_cast<uint16_t>(sum + (volume[i] | volume[i + 1] << 8));
  const Bytes checksum = Le(static_cast<uint16_t>(-sum), 2);
  std::copy(checksum.begin(), checksum.end(), volume.begin() + 50);
  return volume;
}

TEST(PackageScan, FindsAModulesPackagesInsideACompressedSection) {
  const Bytes strings = Strings(Cat({{0x14}, Ucs2(u"Platform")}));
  const Bytes pe32 = Cat({{'M', 'Z'}, Bytes(40, 0), strings, Bytes(3, 0), kForms, Bytes(9, 0)});
  const Bytes inner = Cat({Section(0x10, pe32), Bytes((4 - (pe32.size() + 4) % 4) % 4, 0), Section(0x15, Ucs2(u"PlatformDxe"))});
  const Bytes lzmaGuid = {0x98, 0x58, 0x4E, 0xEE, 0x14, 0x39, 0x59, 0x42, 0x9D, 0x6E, 0xDC, 0x7B, 0xD7, 0x94, 0x03, 0xCF};
  const Bytes guided = Section(0x02, Cat({lzmaGuid, Le(24, 2), Le(1, 2), Lzma(inner)}));
  const Bytes file = Cat({Bytes(16, 0x42), Le(0xAA55, 2), {0x07, 0x00}, Le(24 + guided.size(), 3), {0xF8}, guided});
  const Bytes image = Cat({Bytes(16, 0xEE), Volume(file), strings});  // a stray package outside the volume

  const forms::ScanResult scan = forms::ScanForPackages(image.data(), image.size(), "image.fd");
  EXPECT_TRUE(scan.notes.empty()) << scan.notes.at(0);
  ASSERT_EQ(scan.lists.size(), 1u) << "string packages without forms make no list";
  const forms::PackageList &list = scan.lists[0];
  EXPECT_EQ(list.name, "PlatformDxe") << "the file's user-interface name";
  EXPECT_EQ(list.forms.at(0).bytes, kForms);
  EXPECT_EQ(list.forms.at(0).offset, 42 + strings.size() + 3) << "where it lies in the module";
  ASSERT_EQ(list.strings.size(), 1u);
  EXPECT_EQ(list.strings[0].strings.at(1), u"Platform");
}

TEST(PackageScan, TakesEachFormsOwnStringsAmongAModules) {
  // A library's forms and strings ahead of the module's own: each form package names
  // strings only its own set holds.
  const Bytes libraryStrings = Strings(Cat({{0x14}, Ucs2(u"Library")}));
  const Bytes moduleStrings = Strings(Cat({{0x16}, Le(3, 2), Ucs2(u"M1"), Ucs2(u"M2"), Ucs2(u"Module")}));
  const Bytes moduleForms = Package({Op(0x0E, Cat({Bytes(16, 0x22), Le(3, 2), Le(0, 2), {0}}), true), Op(0x29, {})});
  const Bytes driver = Cat({libraryStrings, kForms, Bytes(5, 0), moduleStrings, moduleForms});
  const forms::ScanResult scan = forms::ScanForPackages(driver.data(), driver.size(), "Driver.efi");
  ASSERT_EQ(scan.lists.size(), 2u);
  EXPECT_EQ(scan.lists[0].name, "Driver.efi");
  EXPECT_EQ(scan.lists[0].strings.at(0).strings.at(1), u"Library") << "nearest before the library's forms";
  EXPECT_EQ(scan.lists[1].strings.at(0).strings.at(3), u"Module") << "the only set holding string 3";
}

}  // namespace
