#include "sim/profile/peripherals_section.h"

#include <set>
#include <stdexcept>
#include <tuple>

#include "sim/machine/hex_text.h"
#include "sim/profile/byte_layout.h"
#include "sim/profile/install_field.h"

namespace sim {
namespace {

constexpr size_t kMeResultSize = 16;
constexpr size_t kLargestMassDevNum = 64;

// A section that is given installs its protocol at load unless it says otherwise.
Install ReadSectionInstall(const JsonObject &object) {
  const auto install = object.Optional("install");
  return install ? ReadInstall(*install) : Install::AtLoad;
}

SuperIoSpec ReadSuperIo(const JsonField &field) {
  const JsonObject object = field.Fields();
  SuperIoSpec superIo;
  superIo.install = ReadSectionInstall(object);
  const auto devices = object.Optional("devices");
  if (!devices) return superIo;
  for (const JsonField &element : devices->Elements()) {
    const JsonObject device = element.Fields();
    SioDeviceSpec read;
    read.kind = static_cast<uint32_t>(device.Required("kind").Unsigned());
    device.Read("instance", read.instance);
    device.Read("io_base", read.ioBase);
    device.Read("irq", read.irq);
    device.Read("dma", read.dma);
    device.Read("present", read.present);
    device.Read("enabled", read.enabled);
    device.Read("active", read.active);
    superIo.devices.push_back(read);
  }
  return superIo;
}

UsbSpec ReadUsb(const JsonField &field) {
  const JsonObject object = field.Fields();
  UsbSpec usb;
  usb.install = ReadSectionInstall(object);
  if (const auto counts = object.Optional("counts")) {
    static const char *const kKinds[] = {"keyboards", "mice", "pointing_devices", "drives", "hubs", "smart_card_readers"};
    const JsonObject kinds = counts->Fields();
    for (size_t i = 0; i < usb.counts.size(); ++i) kinds.Read(kKinds[i], usb.counts[i]);
  }
  if (const auto names = object.Optional("mass_storage")) {
    // At most 126: seven cursor bits, and 0xFF means "no device".
    for (const JsonField &name : names->Elements()) usb.massStorageNames.push_back(name.Ascii());
  }
  if (const auto devNum = object.Optional("mass_dev_num")) {
    usb.massDevNum = ReadBytes(*devNum, kLargestMassDevNum);
    if (usb.massDevNum->empty()) devNum->Fail("a variable holds at least one byte");
  }
  return usb;
}

ManagementEngineSpec ReadManagementEngine(const JsonField &field) {
  const JsonObject object = field.Fields();
  ManagementEngineSpec me;
  me.install = ReadSectionInstall(object);
  if (const auto responses = object.Optional("responses")) {
    for (const JsonField &response : responses->Members()) {
      const auto code = static_cast<uint32_t>(response.KeyNumber());
      me.responses[code] = ReadBytes(response, kMeResultSize);
    }
  }
  if (const auto outcome = object.Optional("disable_outcome")) {
    me.disableOutcome = static_cast<uint8_t>(outcome->Unsigned());
  }
  return me;
}

MessageBoxSpec ReadMessageBox(const JsonField &field) {
  return {ReadSectionInstall(field.Fields())};
}

// "00-1E-67-2A-51-3C" or "00:1E:67:2A:51:3C".
std::array<uint8_t, 6> ReadMac(const JsonField &field) {
  const std::string text = field.String();
  std::array<uint8_t, 6> mac{};
  const bool shaped = text.size() == 17;
  for (size_t i = 0; shaped && i < mac.size(); ++i) {
    const int high = HexDigitValue(text[3 * i]);
    const int low = HexDigitValue(text[3 * i + 1]);
    const bool separated = i == 5 || text[3 * i + 2] == '-' || text[3 * i + 2] == ':';
    if (high < 0 || low < 0 || !separated) field.Expected("a MAC address such as \"00-1E-67-2A-51-3C\"");
    mac[i] = static_cast<uint8_t>(high * 16 + low);
  }
  if (!shaped) field.Expected("a MAC address such as \"00-1E-67-2A-51-3C\"");
  return mac;
}

using PciLocation = std::tuple<uint8_t, uint8_t, uint8_t>;

template <typename Function>
PciLocation ReadLocation(const JsonObject &object, Function &function) {
  function.bus = static_cast<uint8_t>(object.Required("bus").Unsigned());
  function.device = static_cast<uint8_t>(object.Required("device").Unsigned());
  function.function = static_cast<uint8_t>(object.Required("function").Unsigned());
  object.Read("vendor_id", function.vendorId);
  function.deviceId = static_cast<uint16_t>(object.Required("device_id").Unsigned());
  return {function.bus, function.device, function.function};
}

std::vector<NetworkControllerSpec> ReadNetwork(const JsonField &field, const HardwareSpec &hardware) {
  std::set<PciLocation> taken;
  for (const PciFunctionSpec &function : hardware.pci) taken.insert({function.bus, function.device, function.function});
  const auto claim = [&taken](const JsonField &where, PciLocation location) {
    if (!taken.insert(location).second) where.Fail("a PCI function that hardware.pci or another entry already holds");
  };
  std::vector<NetworkControllerSpec> controllers;
  for (const JsonField &element : field.Elements()) {
    const JsonObject object = element.Fields();
    NetworkControllerSpec controller;
    claim(element, ReadLocation(object, controller));
    if (const auto ioBase = object.Optional("io_base")) {
      // At most 0xFFF8: an 8-byte window, address at +0, data at +4.
      controller.ioBase = static_cast<uint16_t>(ioBase->Unsigned());
      if (controller.ioBase % 8 != 0) ioBase->Expected("an I/O base aligned to 8 bytes");
      for (const NetworkControllerSpec &other : controllers) {
        if (controller.ioBase != 0 && other.ioBase == controller.ioBase) ioBase->Fail("another controller's window");
      }
    }
    controller.mac = ReadMac(object.Required("mac"));
    if (const auto bridge = object.Optional("bridge")) {
      PciBridgeSpec bridgeFunction;
      const JsonObject bridgeObject = bridge->Fields();
      claim(*bridge, ReadLocation(bridgeObject, bridgeFunction));
      if (bridgeFunction.bus >= controller.bus) bridge->Fail("the controller's bus must lie behind the bridge's own");
      controller.bridge = bridgeFunction;
    }
    controllers.push_back(controller);
  }
  return controllers;
}

FruSpec ReadFru(const JsonField &field) {
  const JsonObject object = field.Fields();
  FruSpec fru;
  const std::vector<JsonField> elements = object.Required("texts").Elements();
  if (elements.size() != fru.texts.size()) throw std::logic_error("fru.texts: the table and the record disagree");
  for (size_t i = 0; i < elements.size(); ++i) {
    if (!elements[i].value().is_null()) fru.texts[i] = elements[i].Ascii();
  }
  object.Read("valid", fru.valid);
  object.Read("size", fru.size);
  return fru;
}

}  // namespace

PeripheralsSpec ReadPeripherals(const JsonField &field, const HardwareSpec &hardware) {
  const JsonObject object = field.Fields();
  PeripheralsSpec peripherals;
  if (const auto superIo = object.Optional("super_io")) peripherals.superIo = ReadSuperIo(*superIo);
  if (const auto usb = object.Optional("usb")) peripherals.usb = ReadUsb(*usb);
  if (const auto me = object.Optional("management_engine")) peripherals.managementEngine = ReadManagementEngine(*me);
  if (const auto box = object.Optional("message_box")) peripherals.messageBox = ReadMessageBox(*box);
  if (const auto network = object.Optional("network")) peripherals.network = ReadNetwork(*network, hardware);
  if (const auto fru = object.Optional("fru")) peripherals.fru = ReadFru(*fru);
  return peripherals;
}

}  // namespace sim
