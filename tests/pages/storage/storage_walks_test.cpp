// The storage page's readers of outside data, on their own: the device path
// walk (malformed nodes end it), the drive text from IDENTIFY data, and the
// option ROM walk (chains that loop or leave the ROM are bounded).
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "pages/chipset_storage_drives.h"
#include "pages/chipset_storage_rom.h"
#include "sim/hardware/hardware_model.h"
#include "sim/profile/storage_layouts.h"

namespace {

using Bytes = std::vector<uint8_t>;

Bytes Node(uint8_t type, uint8_t subType, uint16_t length, const Bytes &payload = {}) {
  Bytes node(4 + payload.size());
  node[0] = type;
  node[1] = subType;
  node[2] = static_cast<uint8_t>(length);
  node[3] = static_cast<uint8_t>(length >> 8);
  std::copy(payload.begin(), payload.end(), node.begin() + 4);
  return node;
}

Bytes Join(std::initializer_list<Bytes> parts) {
  Bytes joined;
  for (const Bytes &part : parts) joined.insert(joined.end(), part.begin(), part.end());
  return joined;
}

const Bytes kAcpi = Node(2, 1, 12, {0xD0, 0x41, 0x03, 0x0A, 0, 0, 0, 0});
const Bytes kPci31Fn2 = Node(1, 1, 6, {2, 31});
const Bytes kEnd = Node(0x7F, 0xFF, 4);

TEST(StorageWalks, DevicePathWalkFindsThePciNodeOrEnds) {
  const struct {
    const char *what;
    Bytes path;
    std::optional<std::pair<uint8_t, uint8_t>> pci;  // device, function
    size_t limit = 0;                                // 0: the path's own size
  } cases[] = {
      {"a disk's path", sim::DiskDevicePath(31, 5, sim::DiskAttachment::Ide, 1, 0), std::make_pair(31, 5)},
      {"after a long vendor node", Join({Node(1, 4, 20, Bytes(16, 0xEE)), kPci31Fn2, kEnd}), std::make_pair(31, 2)},
      {"first node of length 0", Join({Node(2, 1, 0), kPci31Fn2, kEnd}), std::nullopt},
      {"node shorter than its header", Join({Node(2, 1, 3), kPci31Fn2, kEnd}), std::nullopt},
      {"second node of length 2", Join({kAcpi, Node(3, 1, 2), kPci31Fn2}), std::nullopt},
      {"PCI node without its bytes", Join({kAcpi, Node(1, 1, 4), kEnd}), std::nullopt},
      {"PCI node with one byte", Join({kAcpi, Node(1, 1, 5, {2}), kEnd}), std::nullopt},
      {"end node first", Join({kEnd, kPci31Fn2}), std::nullopt},
      {"end type 0xFF first", Join({Node(0xFF, 0xFF, 4), kPci31Fn2}), std::nullopt},
      {"node longer than the path", Join({Node(2, 1, 0x1000), kPci31Fn2}), std::nullopt},
      {"PCI node past the limit", Join({kAcpi, kPci31Fn2}), std::nullopt, 17},
      {"PCI node at the limit", Join({kAcpi, kPci31Fn2}), std::make_pair(31, 2), 18},
      {"no end node, no PCI node", Join({kAcpi, kAcpi, kAcpi}), std::nullopt},
  };
  for (const auto &test : cases) {
    SCOPED_TRACE(test.what);
    // Exactly the bytes the walk may read, so reading past them is an address fault under the sanitizer.
    const Bytes path(test.path.begin(), test.path.begin() + (test.limit ? test.limit : test.path.size()));
    const PCI_DEVICE_PATH *pci = FindPciNode(reinterpret_cast<const EFI_DEVICE_PATH_PROTOCOL *>(path.data()), path.size());
    ASSERT_EQ(pci != nullptr, test.pci.has_value());
    if (pci) {
      EXPECT_EQ(std::make_pair(pci->Device, pci->Function), *test.pci);
    }
  }
}

Bytes WithWord(Bytes identify, size_t word, uint16_t value) {
  identify[2 * word] = static_cast<uint8_t>(value);
  identify[2 * word + 1] = static_cast<uint8_t>(value >> 8);
  return identify;
}

// 28-bit count of 3,906,250 sectors; 4096-byte logical sectors described in words 106, 117-118.
Bytes LongSectorIdentify(bool lba48, uint16_t word106) {
  sim::IdentifyFields fields;
  fields.model = "RAW";
  fields.sectors = 3906250;
  if (lba48) fields.lba48Sectors = 3906250;
  return WithWord(WithWord(sim::IdentifyData(fields), 106, word106), 117, 2048);
}

TEST(StorageWalks, DriveTextFromIdentify) {
  auto fields = [](const char *model, uint32_t sectors, std::optional<uint64_t> lba48, uint32_t sectorBytes = 512) {
    sim::IdentifyFields f;
    f.model = model;
    f.sectors = sectors;
    f.lba48Sectors = lba48;
    f.logicalSectorBytes = sectorBytes;
    return sim::IdentifyData(f);
  };
  sim::IdentifyFields atapi;
  atapi.model = "OVT DVD-RW D24";
  atapi.atapi = true;
  const struct {
    Bytes identify;
    const char *text;
  } cases[] = {
      {fields("ABCDEFGHIJK", 976773168, std::nullopt), "ABCDEFGHIJK    (500.1GB)"},
      {fields("OVT-HD1000", 0x0FFFFFFF, 1953525168), "OVT-HD1000     (1000.2GB)"},
      {fields("SMALL", 1953124, std::nullopt), "SMALL          (0.9GB)"},
      {fields("ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789ABCD", 2000000, std::nullopt), "ABCDEFGHIJKLMN (1.0GB)"},
      {fields("AF4K", 0x0FFFFFFF, 244190646, 4096), "AF4K           (1000.2GB)"},
      {fields("HUGE", 0x0FFFFFFF, uint64_t{1} << 33), "HUGE           (4398.0GB)"},
      {Bytes(512, 0), " (0.0GB)"},
      {sim::IdentifyData(atapi), "OVT DVD-RW D24 ATAPI"},
      // The logical sector size counts only with 48-bit addressing and a valid word 106.
      {LongSectorIdentify(false, 0x5000), "RAW            (2.0GB)"},
      {LongSectorIdentify(true, 0xD000), "RAW            (2.0GB)"},
      {LongSectorIdentify(true, 0x4000), "RAW            (2.0GB)"},
      {LongSectorIdentify(true, 0x4003), "RAW            (2.0GB)"},  // eight logical sectors a physical one
      {LongSectorIdentify(true, 0x5000), "RAW            (16.0GB)"},
  };
  for (const auto &test : cases) {
    SCOPED_TRACE(test.text);
    CHAR8 text[kDriveTextSize];
    DescribeDrive(test.identify.data(), text);
    EXPECT_STREQ(text, test.text);
  }
}

struct NamedPort {
  UINTN port;
  std::u16string name;
  bool operator==(const NamedPort &other) const { return port == other.port && name == other.name; }
};

void CollectName(VOID *context, UINTN port, const CHAR16 *name) {
  static_cast<std::vector<NamedPort> *>(context)->push_back({port, name});
}

constexpr uint64_t kRomBase = 0xC8000;
constexpr size_t kHeader0 = 0x40, kHeaderLength = 0x20, kNext = 6, kMask = 8, kName = 0x10;

std::vector<NamedPort> Walk(const Bytes &rom, UINTN portCount) {
  sim::HardwareSpec hardware;
  hardware.memory.push_back({kRomBase, rom});
  sim::HardwareModel model(hardware);
  sim::ActiveHardware bound(model);
  std::vector<NamedPort> named;
  CHAR16 name[kSasNameCapacity];
  WalkSasOptionRom(kRomBase, portCount, name, CollectName, &named);
  return named;
}

Bytes Rom(std::vector<sim::PnpHeaderFields> headers) { return sim::OptionRomImage(0x8086, 0x1D6B, headers); }

Bytes Patched(Bytes rom, std::initializer_list<std::pair<size_t, uint16_t>> words) {
  for (const auto &[at, value] : words) {
    rom[at] = static_cast<uint8_t>(value);
    rom[at + 1] = static_cast<uint8_t>(value >> 8);
  }
  return rom;
}

TEST(StorageWalks, OptionRomWalkNamesPortsAndStaysBounded) {
  const size_t header1 = kHeader0 + kHeaderLength;
  Bytes unterminated = Patched(Rom({{0x01, "A"}}), {{kHeader0 + kName, 509}});
  unterminated[509] = 'X', unterminated[510] = 'Y', unterminated[511] = 'Z';
  const std::u16string longName(127, u'N');
  // The ROM's own header holds a port mask and a name pointer where a PnP header would: only the last
  // header's zero next pointer keeps the walk from reading it as one.
  Bytes startLikeHeader = Rom({{0x01, "A"}});
  const uint16_t namePointer = startLikeHeader[kHeader0 + kName] | startLikeHeader[kHeader0 + kName + 1] << 8;
  startLikeHeader = Patched(startLikeHeader, {{kMask, 0x02}, {kName, namePointer}});
  const struct {
    const char *what;
    Bytes rom;
    UINTN ports;
    std::vector<NamedPort> named;
  } cases[] = {
      {"one header for four ports", Rom({{0x0F, "SAS A"}}), 4, {{0, u"SAS A"}, {1, u"SAS A"}, {2, u"SAS A"}, {3, u"SAS A"}}},
      {"header 1 cannot name port 0", Rom({{0x0F, "A"}, {0x01, "B"}}), 4, {{0, u"A"}, {1, u"A"}, {2, u"A"}, {3, u"A"}}},
      {"a header per group", Rom({{0x01, "A"}, {0x06, "B"}, {0x08, "C"}}), 4, {{0, u"A"}, {1, u"B"}, {2, u"B"}, {3, u"C"}}},
      {"ports beyond the count", Rom({{0xF0, "A"}}), 4, {}},
      {"eight ports", Rom({{0x81, "E"}}), 8, {{0, u"E"}, {7, u"E"}}},
      {"a header without ports ends the walk", Rom({{0x00, "A"}, {0x02, "B"}}), 4, {}},
      {"a chain looping to itself", Patched(Rom({{0x0C, "L"}}), {{kHeader0 + kNext, kHeader0}}), 4,
       {{2, u"L"}, {3, u"L"}, {2, u"L"}, {3, u"L"}, {2, u"L"}, {3, u"L"}, {3, u"L"}}},
      {"a chain looping back", Patched(Rom({{0x08, "P"}, {0x08, "Q"}}), {{header1 + kNext, kHeader0}}), 8,
       {{3, u"P"}, {3, u"Q"}, {3, u"P"}, {3, u"Q"}}},
      {"a zero next pointer ends the walk", startLikeHeader, 4, {{0, u"A"}}},
      {"next header outside the ROM", Patched(Rom({{0x01, "A"}}), {{kHeader0 + kNext, 0xFFF0}}), 4, {{0, u"A"}}},
      {"first header outside the ROM", Patched(Rom({{0x01, "A"}}), {{0x1A, 0x7FF0}}), 4, {}},
      {"header straddling the ROM's end", Patched(Rom({{0x01, "A"}}), {{0x1A, 512 - 0x11}}), 4, {}},
      {"declared size 0", Patched(Rom({{0x01, "A"}}), {{2, 0}}), 4, {}},
      {"name outside the ROM", Patched(Rom({{0x01, "A"}, {0x02, "B"}}), {{kHeader0 + kName, 0x4000}}), 4, {{1, u"B"}}},
      {"name running to the ROM's end", unterminated, 4, {{0, u"XYZ"}}},
      {"name longer than the text", Rom({{0x01, std::string(200, 'N')}}), 4, {{0, longName}}},
  };
  for (const auto &test : cases) {
    SCOPED_TRACE(test.what);
    EXPECT_EQ(Walk(test.rom, test.ports), test.named);
  }
}

}  // namespace
