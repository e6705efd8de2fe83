// The fields of a board profile (docs/board-profile.md) as one table of rules:
// the loader reads every field through it and docs/board-profile.schema.json is
// generated from it.
#pragma once

#include "sim/profile/field_rule.h"

namespace sim {

const FieldRule &BoardProfileRule();
// The built-in boards/package-lists.json, which shares the per-list settings.
const FieldRule &PackageListsFileRule();
// Any byte string (variable data, HOB data, configuration space, memory): hex,
// ASCII or UTF-16 text, or a sparse layout of pieces.
const FieldRule &ByteStringRule();

}  // namespace sim
