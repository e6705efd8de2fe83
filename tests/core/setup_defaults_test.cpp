#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <utility>
#include <vector>

#include "driver/core/setup_module.h"
#include "tests/core/fake_boot_services.h"

namespace {

struct PackSpec {
  UINT16 variableId = 0;
  UINT32 nameLength = 0;              // bytes of name stored before the data (and declared)
  std::vector<uint8_t> data;
  std::optional<UINT32> headerLength; // overrides the consistent length
  std::optional<UINT32> declaredNameLength;
};

// What GetDefaultImage hands out: one pool block holding the nodes and packs; the
// last node only ends the list (next pointer null).
struct DefaultImageSource {
  FakeBootServices *boot = nullptr;
  std::vector<PackSpec> packs;
  bool withEndNode = true;
  bool fail = false;
};
DefaultImageSource *gSource;

EFI_STATUS EFIAPI GetDefaultImage(EFI_HII_PROTOCOL *, EFI_HII_HANDLE, UINTN mask,
                                  EFI_HII_VARIABLE_PACK_LIST **list) {
  EXPECT_EQ(mask, 1u);
  if (gSource->fail) {
    return EFI_NOT_FOUND;
  }
  size_t nodes = gSource->packs.size() + (gSource->withEndNode ? 1 : 0);
  size_t size = nodes * sizeof(EFI_HII_VARIABLE_PACK_LIST);
  for (const PackSpec &p : gSource->packs) {
    size += sizeof(EFI_HII_VARIABLE_PACK) + p.nameLength + p.data.size();
  }
  auto *block = static_cast<uint8_t *>(gSource->boot->Allocate(size));
  auto *node = reinterpret_cast<EFI_HII_VARIABLE_PACK_LIST *>(block);
  uint8_t *at = block + nodes * sizeof(EFI_HII_VARIABLE_PACK_LIST);
  for (size_t i = 0; i < nodes; ++i) {
    node[i].NextVariablePack = i + 1 < nodes ? &node[i + 1] : nullptr;
    node[i].VariablePack = nullptr;
    if (i == gSource->packs.size()) {
      continue;
    }
    const PackSpec &p = gSource->packs[i];
    EFI_HII_VARIABLE_PACK header{};
    header.Header.Length = p.headerLength.value_or(sizeof(header) + p.nameLength + p.data.size());
    header.Header.Type = EFI_HII_VARIABLE;
    header.VariableNameLength = p.declaredNameLength.value_or(p.nameLength);
    header.VariableId = p.variableId;
    std::memcpy(at, &header, sizeof(header));
    std::memset(at + sizeof(header), 'n', p.nameLength);
    std::memcpy(at + sizeof(header) + p.nameLength, p.data.data(), p.data.size());
    node[i].VariablePack = reinterpret_cast<EFI_HII_VARIABLE_PACK *>(at);
    at += sizeof(header) + p.nameLength + p.data.size();
  }
  *list = node;
  return EFI_SUCCESS;
}

std::vector<uint8_t> Filled(size_t size, uint8_t value) { return std::vector<uint8_t>(size, value); }

PackSpec Pack(UINT16 variableId, UINT32 nameLength, std::vector<uint8_t> data,
              std::optional<UINT32> headerLength = std::nullopt,
              std::optional<UINT32> declaredNameLength = std::nullopt) {
  return PackSpec{variableId, nameLength, std::move(data), headerLength, declaredNameLength};
}

TEST(MergeSetupDefaults, OrsOnlyAnExactSetupPackOfVariableZero) {
  const std::vector<uint8_t> kNone(kSetupDataSize, 0xA0);  // the image before the merge
  const std::vector<uint8_t> kMerged(kSetupDataSize, 0xA5);
  struct Case {
    const char *name;
    std::vector<PackSpec> packs;
    bool withEndNode;
    const std::vector<uint8_t> &image;
  } cases[] = {
      {"one setup pack", {Pack(0, 0, Filled(687, 0x05))}, true, kMerged},
      {"name before the data", {Pack(0, 10, Filled(687, 0x05))}, true, kMerged},
      {"single node is only an end", {Pack(0, 0, Filled(687, 0x05))}, false, kNone},
      {"686 data bytes", {Pack(0, 0, Filled(686, 0x05))}, true, kNone},
      {"688 data bytes", {Pack(0, 0, Filled(688, 0x05))}, true, kNone},
      {"another variable", {Pack(1, 0, Filled(687, 0x05))}, true, kNone},
      {"first pack of variable zero wins",
       {Pack(1, 0, Filled(687, 0x50)), Pack(0, 0, Filled(687, 0x05)), Pack(0, 0, Filled(687, 0x0A))}, true, kMerged},
      {"length shorter than the fixed part", {Pack(0, 0, Filled(687, 0x05), 20u)}, true, kNone},
      {"name length wraps the data length to 687",
       {Pack(0, 0, Filled(16, 0x05), 28u + 687u - 16u, 0xFFFFFFF0u)}, true, kNone},
  };
  FakeBootServices boot;
  EFI_HII_PROTOCOL hii{};
  hii.GetDefaultImage = GetDefaultImage;
  gSetupModule.Hii = &hii;
  for (const Case &c : cases) {
    DefaultImageSource source{&boot, c.packs, c.withEndNode, false};
    gSource = &source;
    std::memset(gSetupModule.SetupDefaultImage, 0xA0, kSetupDataSize);
    MergeSetupDefaults(1);
    EXPECT_EQ(std::vector<uint8_t>(gSetupModule.SetupDefaultImage, gSetupModule.SetupDefaultImage + kSetupDataSize),
              c.image)
        << c.name;
    EXPECT_EQ(boot.OutstandingBlocks(), 0u) << "the list is released: " << c.name;
  }
  gSetupModule.Hii = nullptr;
}

TEST(MergeSetupDefaults, FailedOrMissingHiiContributesNothing) {
  FakeBootServices boot;
  DefaultImageSource source{&boot, {Pack(0, 0, Filled(687, 0x05))}, true, true};
  gSource = &source;
  EFI_HII_PROTOCOL hii{};
  hii.GetDefaultImage = GetDefaultImage;
  std::memset(gSetupModule.SetupDefaultImage, 0, kSetupDataSize);
  for (EFI_HII_PROTOCOL *present : {&hii, static_cast<EFI_HII_PROTOCOL *>(nullptr)}) {
    gSetupModule.Hii = present;
    MergeSetupDefaults(1);
    EXPECT_EQ(gSetupModule.SetupDefaultImage[0], 0);
  }
  EXPECT_EQ(boot.OutstandingBlocks(), 0u);
}

}  // namespace
