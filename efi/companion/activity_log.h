// The record of what the setup driver asked of the board's components, in order,
// for the test application to report. Records live in boot-services pool for the
// rest of boot services.
#pragma once

#include "setup_companion_protocol.h"

// Appends one record; Text (may be null) is copied. A record that cannot be
// allocated is dropped (null) and counted in the next record that can be.
CompanionRecord *LogActivity(const CHAR8 *Kind, const CHAR8 *Detail, const CHAR16 *Text, const CompanionValue *Values,
                 UINTN ValueCount);

// Adds a value to a record already logged (one logged before the outcome it
// reports was known); nothing when Record is null or full.
void AddActivityValue(CompanionRecord *Record, const CHAR8 *Name, UINT64 Value);

const CompanionRecord *FirstActivity();
