#include "sim/machine/machine.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "sim/machine/guid_text.h"
#include "sim/machine/platform_guids.h"
#include "sim/machine/service_tables.h"

namespace sim {

namespace {

Machine *current = nullptr;

}  // namespace

Machine::Machine(const BoardProfile &profile, VariableStore &store)
    : profile_(profile),
      store_(store),
      events_(log_),
      protocols_(events_),
      hii_(profile_.packageLists),
      faults_(log_),
      boardRegisters_(profile_.protocols.boardRegisters),
      peripherals_(profile_.peripherals),
      firmwareVendor_(profile_.firmware.vendor.value_or(u"")),
      bootServices_(MakeBootServices()),
      runtimeServices_(MakeRuntimeServices()),
      hobList_(BuildHobList(profile_.hobs)),
      stringService_(MakeStringService()),
      frameworkHii_(MakeFrameworkHii()),
      boardQuery_(MakeBoardQuery()),
      boardRegister_(MakeBoardRegister()),
      processorFirmware_(profile_.processor),
      previous_(current) {
  current = this;
  const uint32_t revision = profile_.firmware.systemTableRevision;
  SealTableHeader(bootServices_.Hdr, EFI_BOOT_SERVICES_SIGNATURE, revision, sizeof bootServices_);
  SealTableHeader(runtimeServices_.Hdr, EFI_RUNTIME_SERVICES_SIGNATURE, revision, sizeof runtimeServices_);

  configurationTable_.push_back({guids::kHobList, hobList_.data()});
  if (profile_.firmware.dxeServicesPresent) {
    FillDxeServices(dxeServices_, profile_.firmware.dxeServicesRevision);
    configurationTable_.push_back({guids::kDxeServicesTable, &dxeServices_});
  }

  // No console: the driver writes nothing to it, so its handles and protocols stay null.
  systemTable_.FirmwareVendor = profile_.firmware.vendor ? firmwareVendor_.data() : nullptr;
  systemTable_.FirmwareRevision = profile_.firmware.firmwareRevision;
  systemTable_.RuntimeServices = &runtimeServices_;
  systemTable_.BootServices = &bootServices_;
  systemTable_.NumberOfTableEntries = configurationTable_.size();
  systemTable_.ConfigurationTable = configurationTable_.data();
  SealTableHeader(systemTable_.Hdr, EFI_SYSTEM_TABLE_SIGNATURE, revision, sizeof systemTable_);

  imageHandle_ = protocols_.CreateHandle();
  InstallBoardProtocols(Install::AtLoad);
}

Machine::~Machine() { current = previous_; }

Machine &Machine::Current() {
  if (current == nullptr) {
    std::fputs("simulator: a firmware table was called with no machine alive\n", stderr);
    std::abort();
  }
  return *current;
}

void Machine::InstallLogged(const EFI_GUID &protocol, VOID *interface, const char *name) {
  // Logged first, so that what the install's notifications cause follows it in the log.
  log_.Record("protocol-installed", GuidToText(protocol) + " " + name);
  EFI_HANDLE handle = nullptr;
  protocols_.Install(&handle, &protocol, interface);
}

void Machine::InstallBoardProtocols(Install when) {
  InstallScheduled(when, {
      {profile_.protocols.frameworkHii, &guids::kFrameworkHiiProtocol, &frameworkHii_, "EFI_HII_PROTOCOL"},
      {profile_.protocols.stringService, &guids::kStringServiceProtocol, &stringService_, "StringServiceProtocol"},
      {profile_.protocols.boardQuery, &guids::kBoardQueryProtocol, &boardQuery_, "BoardQueryProtocol"},
      {profile_.protocols.boardRegister, &guids::kBoardRegisterProtocol, &boardRegister_, "BoardRegisterProtocol"},
  });
  memoryStorage_.Install(*this, when);
  peripherals_.Install(*this, when);
  processorFirmware_.Install(*this, when);
}

void Machine::InstallScheduled(Install when, const std::vector<ScheduledProtocol> &protocols) {
  for (const ScheduledProtocol &protocol : protocols) {
    if (protocol.install != when) continue;
    if (when == Install::AtLoad) {
      EFI_HANDLE handle = nullptr;
      protocols_.Install(&handle, protocol.protocol, protocol.interface);
    } else {
      InstallLogged(*protocol.protocol, protocol.interface, protocol.name);
    }
  }
}

void Machine::InstallPublishTrigger() { InstallLogged(guids::kPublishTrigger, &publishTrigger_, "publish trigger"); }

void Machine::CallFormCallback(uint16_t formClass, uint16_t key) {
  // The Framework form callback: This (the instance), the item's key, data and packet.
  using FormCallback = EFI_STATUS(EFIAPI *)(void *instance, uint16_t key, void *data, void *packet);
  PublishedList *list = hii_.FindClass(formClass);
  FormCallback callback = nullptr;
  if (list != nullptr && list->formCallback != nullptr) {
    std::memcpy(&callback, static_cast<uint8_t *>(list->formCallback) + form_callback_instance::kCallback,
                sizeof callback);
  }
  if (callback == nullptr) {
    log_.Record("callback-skipped", "no published package list of that class with a form callback",
                {{"class", formClass}, {"key", key}});
    return;
  }
  if (events_.ImageUnloaded()) {
    log_.Record("unloaded-image-call", "the menu browser calls the form callback of the unloaded driver image",
                {{"class", formClass}, {"key", key}});
    return;
  }
  const size_t record = log_.Record("form-callback", "the menu browser calls the form callback",
                                    {{"class", formClass}, {"key", key}});
  const EFI_STATUS status = callback(list->formCallback, key, nullptr, nullptr);
  log_.AddValue(record, "status", status);
  CheckTplRestored("the form callback");
}

void Machine::UnloadImage() {
  events_.UnloadImage();
  log_.Record("image-unloaded", "the entry point failed, so the dispatcher unloads the driver image");
}

void Machine::NoteVariableWrite(const char16_t *name, const EFI_GUID &guid, uint32_t attributes) {
  ++variableWriteCount_;
  if (!recordChanges_) return;
  const StoredVariable *now = store_.Find(name, guid);
  variableWrites_.push_back(now != nullptr ? *now : StoredVariable{name, guid, attributes, {}});
}

void Machine::RecordChanges(bool record) {
  recordChanges_ = record;
  hii_.RecordStrings(record);
}

void Machine::ReportUnexpectedCall(const char *member) { log_.Record("unexpected-service-call", member); }

void Machine::CheckTplRestored(const char *after) {
  if (events_.Current() == TPL_APPLICATION) return;
  log_.Record("tpl-misuse", std::string("TPL still raised after ") + after,
              {{"current", events_.Current()}, {"requested", TPL_APPLICATION}});
  events_.Restore(TPL_APPLICATION);
}

}  // namespace sim
