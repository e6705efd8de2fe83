#include "sim/profile/peripherals_section.h"

#include <set>
#include <tuple>

#include "sim/machine/hex_text.h"
#include "sim/profile/byte_layout.h"
#include "sim/profile/install_field.h"

namespace sim {
namespace {

constexpr size_t kMeResultSize = 16;
constexpr size_t kMostMassStorageDevices = 126;  // seven cursor bits, and 0xFF means "no device"
constexpr size_t kLongestUsbName = 255;
constexpr size_t kLongestFruText = 4096;
constexpr size_t kLargestMassDevNum = 64;
constexpr uint64_t kLargestFruRecord = 4096;
constexpr uint64_t kHighestIoBase = 0xFFF8;  // an 8-byte window: address at +0, data at +4

// A section that is given installs its protocol at load unless it says otherwise.
Install ReadSectionInstall(const JsonObject &object) {
  const auto install = object.Optional("install");
  return install ? ReadInstall(*install) : Install::AtLoad;
}

std::string ReadAscii(const JsonField &field, size_t longest) {
  const std::string text = field.String();
  for (const char c : text) {
    if (c == 0 || static_cast<unsigned char>(c) > 0x7F) field.Expected("ASCII text without zero characters");
  }
  if (text.size() > longest) field.Fail("longer than " + std::to_string(longest) + " characters");
  return text;
}

SuperIoSpec ReadSuperIo(const JsonField &field) {
  const JsonObject object = field.Fields({"install", "devices"});
  SuperIoSpec superIo;
  superIo.install = ReadSectionInstall(object);
  const auto devices = object.Optional("devices");
  if (!devices) return superIo;
  for (const JsonField &element : devices->Elements()) {
    const JsonObject device =
        element.Fields({"kind", "instance", "io_base", "irq", "dma", "present", "enabled", "active"});
    SioDeviceSpec read;
    read.kind = static_cast<uint32_t>(device.Required("kind").Unsigned(UINT32_MAX));
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
  const JsonObject object = field.Fields({"install", "counts", "mass_storage", "mass_dev_num"});
  UsbSpec usb;
  usb.install = ReadSectionInstall(object);
  if (const auto counts = object.Optional("counts")) {
    static const char *const kKinds[] = {"keyboards", "mice", "pointing_devices", "drives", "hubs", "smart_card_readers"};
    const JsonObject kinds = counts->Fields({std::begin(kKinds), std::end(kKinds)});
    for (size_t i = 0; i < usb.counts.size(); ++i) kinds.Read(kKinds[i], usb.counts[i]);
  }
  if (const auto names = object.Optional("mass_storage")) {
    const std::vector<JsonField> elements = names->Elements();
    if (elements.size() > kMostMassStorageDevices) {
      names->Fail("more than " + std::to_string(kMostMassStorageDevices) + " devices");
    }
    for (const JsonField &name : elements) usb.massStorageNames.push_back(ReadAscii(name, kLongestUsbName));
  }
  if (const auto devNum = object.Optional("mass_dev_num")) {
    usb.massDevNum = ReadBytes(*devNum, kLargestMassDevNum);
    if (usb.massDevNum->empty()) devNum->Fail("a variable holds at least one byte");
  }
  return usb;
}

ManagementEngineSpec ReadManagementEngine(const JsonField &field) {
  const JsonObject object = field.Fields({"install", "responses", "disable_outcome"});
  ManagementEngineSpec me;
  me.install = ReadSectionInstall(object);
  if (const auto responses = object.Optional("responses")) {
    for (const JsonField &response : responses->Members()) {
      const auto code = static_cast<uint32_t>(response.KeyNumber(UINT32_MAX, "a request code"));
      me.responses[code] = ReadBytes(response, kMeResultSize);
    }
  }
  if (const auto outcome = object.Optional("disable_outcome")) {
    me.disableOutcome = static_cast<uint8_t>(outcome->Unsigned(UINT8_MAX));
  }
  return me;
}

MessageBoxSpec ReadMessageBox(const JsonField &field) {
  return {ReadSectionInstall(field.Fields({"install"}))};
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
  function.bus = static_cast<uint8_t>(object.Required("bus").Unsigned(UINT8_MAX));
  function.device = static_cast<uint8_t>(object.Required("device").Unsigned(31));
  function.function = static_cast<uint8_t>(object.Required("function").Unsigned(7));
  object.Read("vendor_id", function.vendorId);
  function.deviceId = static_cast<uint16_t>(object.Required("device_id").Unsigned(UINT16_MAX));
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
    const JsonObject object =
        element.Fields({"bus", "device", "function", "vendor_id", "device_id", "io_base", "mac", "bridge"});
    NetworkControllerSpec controller;
    claim(element, ReadLocation(object, controller));
    if (const auto ioBase = object.Optional("io_base")) {
      controller.ioBase = static_cast<uint16_t>(ioBase->Unsigned(kHighestIoBase));
      if (controller.ioBase % 8 != 0) ioBase->Expected("an I/O base aligned to 8 bytes");
      for (const NetworkControllerSpec &other : controllers) {
        if (controller.ioBase != 0 && other.ioBase == controller.ioBase) ioBase->Fail("another controller's window");
      }
    }
    controller.mac = ReadMac(object.Required("mac"));
    if (const auto bridge = object.Optional("bridge")) {
      PciBridgeSpec bridgeFunction;
      const JsonObject bridgeObject = bridge->Fields({"bus", "device", "function", "vendor_id", "device_id"});
      claim(*bridge, ReadLocation(bridgeObject, bridgeFunction));
      if (bridgeFunction.bus >= controller.bus) bridge->Fail("the controller's bus must lie behind the bridge's own");
      controller.bridge = bridgeFunction;
    }
    controllers.push_back(controller);
  }
  return controllers;
}

FruSpec ReadFru(const JsonField &field) {
  const JsonObject object = field.Fields({"texts", "valid", "size"});
  FruSpec fru;
  const JsonField texts = object.Required("texts");
  const std::vector<JsonField> elements = texts.Elements();
  if (elements.size() != fru.texts.size()) texts.Fail("expected six texts (null for a null pointer)");
  for (size_t i = 0; i < elements.size(); ++i) {
    if (!elements[i].value().is_null()) fru.texts[i] = ReadAscii(elements[i], kLongestFruText);
  }
  object.Read("valid", fru.valid);
  if (const auto size = object.Optional("size")) fru.size = static_cast<uint32_t>(size->Unsigned(kLargestFruRecord, 1));
  return fru;
}

}  // namespace

PeripheralsSpec ReadPeripherals(const JsonField &field, const HardwareSpec &hardware) {
  const JsonObject object = field.Fields({"super_io", "usb", "management_engine", "message_box", "network", "fru"});
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
