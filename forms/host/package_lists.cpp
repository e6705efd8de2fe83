#include "forms/host/package_lists.h"

#include <cstring>

#include "forms/host/ifr_opcodes.h"
#include "forms/host/little_endian.h"
#include "forms/host/uefi_text.h"

namespace forms {
namespace {

constexpr size_t kListHeaderSize = 20;  // PackageListGuid, PackageLength
constexpr size_t kPackageHeaderSize = 4;
constexpr uint8_t kPackageEnd = 0xDF;

size_t Dword(const uint8_t *at) { return static_cast<size_t>(LittleEndian(at, 4)); }

// Whether [at, end) holds whole packages, the last an end package.
bool PackagesTile(const uint8_t *bytes, size_t at, size_t end) {
  while (end - at >= kPackageHeaderSize) {
    const size_t length = Dword(bytes + at) & 0xFFFFFF;
    const uint8_t type = bytes[at + 3];
    if (length < kPackageHeaderSize || length > end - at) return false;
    at += length;
    if (type == kPackageEnd) return at == end;
  }
  return false;
}

// The length of a package list at at, or 0 when none starts there.
size_t ListLength(const uint8_t *bytes, size_t size, size_t at) {
  if (size - at < kListHeaderSize + kPackageHeaderSize) return 0;
  const size_t length = Dword(bytes + at + 16);
  if (length < kListHeaderSize + kPackageHeaderSize || length > size - at) return 0;
  return PackagesTile(bytes, at + kListHeaderSize, at + length) ? length : 0;
}

PackageList ReadList(const uint8_t *bytes, size_t at, size_t length) {
  PackageList list;
  EFI_GUID guid;
  std::memcpy(&guid, bytes + at, sizeof guid);
  list.guid = guid;
  list.name = GuidText(guid);
  list.offset = at;
  for (size_t package = at + kListHeaderSize; package < at + length;) {
    const size_t packageLength = Dword(bytes + package) & 0xFFFFFF;
    const uint8_t type = bytes[package + 3];
    if (type == ifr::kPackageForms) {
      list.forms.push_back({package, std::vector<uint8_t>(bytes + package, bytes + package + packageLength)});
    } else if (type == kPackageStrings) {
      try {
        list.strings.push_back(DecodeStringPackage(bytes + package, packageLength));
      } catch (const PackageError &error) {
        RefusePackage("package list", at,
                      "the string package at byte " + std::to_string(package) + ": " + error.what());
      }
    }
    package += packageLength;  // fonts, images, device paths and the rest are not the dump's
  }
  return list;
}

}  // namespace

std::optional<std::vector<PackageList>> ReadPackageLists(const uint8_t *bytes, size_t size) {
  if (size >= kPackageHeaderSize && bytes[3] == ifr::kPackageForms && (Dword(bytes) & 0xFFFFFF) == size) {
    PackageList list;
    list.name = "form package";
    list.forms.push_back({0, std::vector<uint8_t>(bytes, bytes + size)});
    return std::vector<PackageList>{std::move(list)};
  }
  if (ListLength(bytes, size, 0) == 0) return std::nullopt;
  std::vector<PackageList> lists;
  for (size_t at = 0; at < size;) {
    const size_t length = ListLength(bytes, size, at);
    if (length == 0) RefusePackage("package list", at, "no package list of whole packages ending in an end package");
    lists.push_back(ReadList(bytes, at, length));
    at += length;
  }
  return lists;
}

}  // namespace forms
