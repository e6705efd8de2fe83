// The Framework EFI_HII_PROTOCOL as far as the setup driver uses it: removing a
// published package list, its language texts, and its default image.
#include <algorithm>
#include <cstring>

#include "sim/machine/platform_guids.h"
#include "sim/machine/protocol_member.h"
#include "sim/machine/service_tables.h"
#include "sim/machine/unexpected_call.h"

namespace sim {

namespace {

EFI_STATUS EFIAPI RemovePack(EFI_HII_PROTOCOL *, EFI_HII_HANDLE handle) {
  if (handle == 0) return EFI_INVALID_PARAMETER;
  Machine &machine = Machine::Current();
  const PublishedList *list = machine.Hii().Find(handle);
  if (list == nullptr) return EFI_NOT_FOUND;
  const uint16_t formClass = list->source->formClass;
  machine.Hii().Remove(handle);
  machine.Log().Record("package-list-removed", "", {{"class", formClass}, {"handle", handle}});
  return EFI_SUCCESS;
}

// A pool copy of text with its terminator; the caller releases it with FreePool.
EFI_STATUS LanguageText(EFI_HII_HANDLE handle, const std::u16string PackageListSpec::*which, EFI_STRING *out) {
  if (out == nullptr) return EFI_INVALID_PARAMETER;
  *out = nullptr;
  Machine &machine = Machine::Current();
  const PublishedList *list = machine.Hii().Find(handle);
  if (list == nullptr) return EFI_INVALID_PARAMETER;
  const std::u16string &text = list->source->*which;
  if (text.empty()) return EFI_NOT_FOUND;
  const size_t bytes = (text.size() + 1) * sizeof(CHAR16);
  auto *copy = static_cast<CHAR16 *>(machine.Pool().Allocate(bytes));
  if (copy == nullptr) return EFI_OUT_OF_RESOURCES;
  std::memcpy(copy, text.c_str(), bytes);
  *out = copy;
  return EFI_SUCCESS;
}

EFI_STATUS EFIAPI GetPrimaryLanguages(EFI_HII_PROTOCOL *, EFI_HII_HANDLE handle, EFI_STRING *languages) {
  return LanguageText(handle, &PackageListSpec::primaryLanguages, languages);
}

EFI_STATUS EFIAPI GetSecondaryLanguages(EFI_HII_PROTOCOL *, EFI_HII_HANDLE handle, CHAR16 *,
                                        EFI_STRING *languages) {
  return LanguageText(handle, &PackageListSpec::secondaryLanguages, languages);
}

constexpr char16_t kSetupName[] = u"Setup";

// One pool block, so that the caller's single FreePool of the list head
// releases everything: two list nodes, then the Setup variable pack (fixed
// part, name, defaults). The second node ends the list; it points at the same
// pack, so a walk that looks at it as well sees the same defaults.
EFI_STATUS EFIAPI GetDefaultImage(EFI_HII_PROTOCOL *, EFI_HII_HANDLE handle, UINTN,
                                  EFI_HII_VARIABLE_PACK_LIST **packList) {
  if (packList == nullptr) return EFI_INVALID_PARAMETER;
  *packList = nullptr;
  Machine &machine = Machine::Current();
  const PublishedList *list = machine.Hii().Find(handle);
  if (list == nullptr) return EFI_INVALID_PARAMETER;
  if (!list->source->defaults) return EFI_NOT_FOUND;
  const std::vector<uint8_t> &defaults = *list->source->defaults;

  const size_t nodesSize = 2 * sizeof(EFI_HII_VARIABLE_PACK_LIST);
  const size_t packSize = sizeof(EFI_HII_VARIABLE_PACK) + sizeof kSetupName + defaults.size();
  auto *block = static_cast<uint8_t *>(machine.Pool().Allocate(nodesSize + packSize));
  if (block == nullptr) return EFI_OUT_OF_RESOURCES;

  auto *pack = reinterpret_cast<EFI_HII_VARIABLE_PACK *>(block + nodesSize);
  EFI_HII_VARIABLE_PACK header{};
  header.Header.Length = static_cast<UINT32>(packSize);
  header.Header.Type = EFI_HII_VARIABLE;
  header.VariableGuid = guids::kSetupVariable;
  header.VariableNameLength = sizeof kSetupName;
  header.VariableId = 0;
  std::memcpy(pack, &header, sizeof header);
  uint8_t *name = block + nodesSize + sizeof header;
  std::memcpy(name, kSetupName, sizeof kSetupName);
  std::copy(defaults.begin(), defaults.end(), name + sizeof kSetupName);  // may be empty

  auto *nodes = reinterpret_cast<EFI_HII_VARIABLE_PACK_LIST *>(block);
  nodes[0] = {&nodes[1], pack};
  nodes[1] = {nullptr, pack};
  *packList = nodes;
  return EFI_SUCCESS;
}

constexpr char kNewPack[] = "FrameworkHii.NewPack";
constexpr char kFindHandles[] = "FrameworkHii.FindHandles";
constexpr char kExportDatabase[] = "FrameworkHii.ExportDatabase";
constexpr char kTestString[] = "FrameworkHii.TestString";
constexpr char kGetGlyph[] = "FrameworkHii.GetGlyph";
constexpr char kGlyphToBlt[] = "FrameworkHii.GlyphToBlt";
constexpr char kNewString[] = "FrameworkHii.NewString";
constexpr char kGetString[] = "FrameworkHii.GetString";
constexpr char kResetStrings[] = "FrameworkHii.ResetStrings";
constexpr char kGetLine[] = "FrameworkHii.GetLine";
constexpr char kGetForms[] = "FrameworkHii.GetForms";
constexpr char kUpdateForm[] = "FrameworkHii.UpdateForm";
constexpr char kGetKeyboardLayout[] = "FrameworkHii.GetKeyboardLayout";

}  // namespace

EFI_HII_PROTOCOL MakeFrameworkHii() {
  EFI_HII_PROTOCOL protocol{};
  SetUnexpected<kNewPack>(protocol.NewPack);
  SetMember<RemovePack>(protocol.RemovePack);
  SetUnexpected<kFindHandles>(protocol.FindHandles);
  SetUnexpected<kExportDatabase>(protocol.ExportDatabase);
  SetUnexpected<kTestString>(protocol.TestString);
  SetUnexpected<kGetGlyph>(protocol.GetGlyph);
  SetUnexpected<kGlyphToBlt>(protocol.GlyphToBlt);
  SetUnexpected<kNewString>(protocol.NewString);
  SetMember<GetPrimaryLanguages>(protocol.GetPrimaryLanguages);
  SetMember<GetSecondaryLanguages>(protocol.GetSecondaryLanguages);
  SetUnexpected<kGetString>(protocol.GetString);
  SetUnexpected<kResetStrings>(protocol.ResetStrings);
  SetUnexpected<kGetLine>(protocol.GetLine);
  SetUnexpected<kGetForms>(protocol.GetForms);
  SetMember<GetDefaultImage>(protocol.GetDefaultImage);
  SetUnexpected<kUpdateForm>(protocol.UpdateForm);
  SetUnexpected<kGetKeyboardLayout>(protocol.GetKeyboardLayout);
  return protocol;
}

}  // namespace sim
