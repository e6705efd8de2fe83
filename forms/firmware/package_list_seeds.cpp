#include "package_list_seeds.h"

const PackageListSeed *FindPackageListSeed(UINT16 FormClass) {
  for (UINTN index = 0; index < kPackageListSeedCount; index++) {
    if (kPackageListSeeds[index].FormClass == FormClass) {
      return &kPackageListSeeds[index];
    }
  }
  return nullptr;
}

BOOLEAN SeedHasString(const PackageListSeed *Seed, UINT16 Id) {
  UINTN low = 0;
  UINTN high = Seed->StringCount;
  while (low < high) {
    const UINTN middle = low + (high - low) / 2;
    const UINT16 found = Seed->Strings[middle].Id;
    if (found == Id) {
      return 1;
    }
    if (found < Id) {
      low = middle + 1;
    } else {
      high = middle;
    }
  }
  return 0;
}
