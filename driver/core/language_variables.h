// Keeps the firmware's language variables consistent with the setup menu's
// languages: LastLangCodes is recorded when the package lists are published,
// and at every load LangCodes and PlatformLangCodes are rebuilt from it and the
// selected language (Lang and PlatformLang) is reconciled.
#pragma once

#include "uefi/framework_hii.h"

// Records the languages of the package list HiiHandle as LastLangCodes.
void BuildLastLangCodes(EFI_HII_HANDLE HiiHandle);

void InitLanguageVariables();
