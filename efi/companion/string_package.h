// A seed's forms and strings in the UEFI package list format, for the real HII database.
#pragma once

#include "hii_packages.h"
#include "package_list_seeds.h"

// The language the string service registers and changes strings in.
constexpr CHAR8 kPackageLanguage[] = "en-US";

// A pool block holding the package list header, the seed's form package when it
// has one, one string package in kPackageLanguage whose string ids 1 to the seed's
// largest id carry the seed's texts (ids the seed lacks are empty, so that UEFI
// string ids and the setup driver's ids are the same numbers), and the end package. The caller releases
// it with FreePool. Null when the pool is exhausted.
EFI_HII_PACKAGE_LIST_HEADER *BuildPackageList(const PackageListSeed *Seed, const EFI_GUID *Guid);
