// The setup menu's seven package lists as the board's HII database holds them
// before the setup driver runs: languages, the default image of the Setup record,
// and every string id with its initial text. Generated at build time from
// boards/package-lists.json, the same file the simulator's lists come from.
#pragma once

#include "uefi/uefi_base.h"

struct PackageStringSeed {
  UINT16 Id;
  const CHAR16 *Text;
};

struct PackageDefaultSeed {
  UINT16 Offset;
  UINT8 Value;
};

struct PackageListSeed {
  UINT16 FormClass;
  const CHAR16 *PrimaryLanguages;    // empty: GetPrimaryLanguages fails
  const CHAR16 *SecondaryLanguages;  // empty: GetSecondaryLanguages fails
  BOOLEAN HasDefaultImage;           // false: GetDefaultImage fails
  UINT16 DefaultImageSize;
  const PackageDefaultSeed *Defaults;  // non-zero bytes of the default image
  UINTN DefaultCount;
  const PackageStringSeed *Strings;  // ascending ids
  UINTN StringCount;
  const UINT8 *FormPackage;  // the list's UEFI form package, header included; null: no forms
  UINT32 FormPackageSize;
  UINT16 FirstLabelId;       // the forms' own texts are the strings from this id on
};

extern const PackageListSeed kPackageListSeeds[];
extern const UINTN kPackageListSeedCount;

// Null when no list has that class.
const PackageListSeed *FindPackageListSeed(UINT16 FormClass);
// Whether the list holds a string with that id.
BOOLEAN SeedHasString(const PackageListSeed *Seed, UINT16 Id);
