#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "driver/core/setup_module.h"
#include "tests/core/fake_boot_services.h"

namespace {

// A node whose pack pointer is null; the walk passes over it.
constexpr UINT32 kNoPack = UINT32_MAX;

struct PackLayout {
  UINT16 variableId;
  UINT32 dataSize;               // kNoPack: no pack at all
  UINT32 nameLength = 0;         // bytes of name stored before the data
  INT64 lengthDelta = 0;         // added to the consistent Header.Length
  UINT32 declaredNameExtra = 0;  // added to the declared VariableNameLength
};

// What GetDefaultImage hands out: one pool block of nodes then packs (data bytes
// 0x05). With an end node, the last node only ends the list.
struct DefaultImage {
  std::vector<PackLayout> packs;
  bool endNode = true;
  EFI_STATUS status = EFI_SUCCESS;  // an error: GetDefaultImage fails with it
  bool handsOutList = true;         // false: it succeeds with a null list
};
const DefaultImage *gImage;
FakeBootServices *gBoot;

EFI_STATUS EFIAPI GetDefaultImage(EFI_HII_PROTOCOL *, EFI_HII_HANDLE, UINTN mask, EFI_HII_VARIABLE_PACK_LIST **out) {
  EXPECT_EQ(mask, 1u);
  if (EfiError(gImage->status)) return gImage->status;
  if (!gImage->handsOutList) {
    *out = nullptr;
    return EFI_SUCCESS;
  }
  size_t nodes = gImage->packs.size() + gImage->endNode, size = nodes * sizeof(EFI_HII_VARIABLE_PACK_LIST);
  for (const PackLayout &p : gImage->packs) {
    if (p.dataSize != kNoPack) size += sizeof(EFI_HII_VARIABLE_PACK) + p.nameLength + p.dataSize;
  }
  auto *node = static_cast<EFI_HII_VARIABLE_PACK_LIST *>(gBoot->Allocate(size));
  auto *at = reinterpret_cast<uint8_t *>(node + nodes);
  for (size_t i = 0; i < nodes; ++i) {
    node[i] = {i + 1 < nodes ? &node[i + 1] : nullptr, nullptr};
    if (i == gImage->packs.size() || gImage->packs[i].dataSize == kNoPack) continue;
    const PackLayout &p = gImage->packs[i];
    auto *pack = reinterpret_cast<EFI_HII_VARIABLE_PACK *>(at);
    *pack = {};
    pack->Header.Length = static_cast<UINT32>(sizeof(*pack) + p.nameLength + p.dataSize + p.lengthDelta);
    pack->VariableNameLength = p.nameLength + p.declaredNameExtra;
    pack->VariableId = p.variableId;
    std::memset(at + sizeof(*pack), 'n', p.nameLength);
    std::memset(at + sizeof(*pack) + p.nameLength, 0x05, p.dataSize);
    node[i].VariablePack = pack;
    at += sizeof(*pack) + p.nameLength + p.dataSize;
  }
  *out = node;
  return EFI_SUCCESS;
}

TEST(MergeSetupDefaults, OrsOnlyAnExactSetupPackOfVariableZero) {
  struct Case {
    const char *name;
    DefaultImage image;
    bool merged;
    bool incomplete = false;  // the list had defaults that could not be read
  } cases[] = {
      {"one setup pack", {{{0, 687}}}, true},
      {"name before the data", {{{0, 687, 10}}}, true},
      {"first pack of variable zero wins", {{{1, 687}, {0, 687}, {0, 686}}}, true},
      {"node without a pack before it", {{{0, kNoPack}, {0, 687}}}, true},
      {"image without a list", {{{0, 687}}, true, EFI_SUCCESS, false}, false},
      {"single node is only an end", {{{0, 687}}, false}, false},
      {"686 data bytes", {{{0, 686}}}, false},
      {"688 data bytes", {{{0, 688}}}, false},
      {"another variable", {{{1, 687}}}, false},
      {"no default image", {{{0, 687}}, true, EFI_NOT_FOUND}, false},
      {"GetDefaultImage fails", {{{0, 687}}, true, EFI_DEVICE_ERROR}, false, true},
      {"no pool for the image", {{{0, 687}}, true, EFI_OUT_OF_RESOURCES}, false, true},
      {"length shorter than the fixed part", {{{0, 687, 0, -700}}}, false},
      // In 32-bit arithmetic the data length would wrap to 687 and point 4 GiB away.
      {"name length wraps the data length", {{{0, 16, 0, 687 - 16, 0xFFFFFFF0u}}}, false},
  };
  FakeBootServices boot;
  gBoot = &boot;
  EFI_HII_PROTOCOL hii{};
  hii.GetDefaultImage = GetDefaultImage;
  for (const Case &c : cases) {
    gImage = &c.image;
    for (EFI_HII_PROTOCOL *present : {&hii, static_cast<EFI_HII_PROTOCOL *>(nullptr)}) {
      gSetupModule.Hii = present;
      gSetupModule.SetupDefaultsIncomplete = 0;
      std::memset(gSetupModule.SetupDefaultImage, 0xA0, kSetupDataSize);
      MergeSetupDefaults(1);
      EXPECT_EQ(gSetupModule.SetupDefaultsIncomplete, c.incomplete && present) << c.name;
      std::vector<uint8_t> expected(kSetupDataSize, c.merged && present ? 0xA5 : 0xA0);
      EXPECT_EQ(std::vector<uint8_t>(std::begin(gSetupModule.SetupDefaultImage),
                                     std::end(gSetupModule.SetupDefaultImage)),
                expected)
          << c.name;
      EXPECT_EQ(boot.OutstandingBlocks(), 0u) << "the list is released: " << c.name;
    }
  }
  gSetupModule.Hii = nullptr;
}

}  // namespace
