// Byte layouts of the records and protocol interfaces the simulated platform
// hands the driver, as their owners publish them: offsets, widths and member
// slots written down here, never taken from the driver's own declarations, so a
// wrong offset on either side makes a page show the wrong thing in a test.
// Interfaces are tables of pointer-sized slots numbered from 0.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "sim/little_endian.h"

namespace sim {

// One pointer-sized member slot of an interface laid out here; the driver calls
// it through its own member type.
using InterfaceSlot = void (*)();

// The processor information protocol's record of one logical processor.
namespace cpu_info_record {
constexpr size_t kSignature = 0;       // 4 bytes
constexpr size_t kFeatureWord = 8;     // 8 bytes
constexpr size_t kBrandString = 16;    // pointer to 8-bit text
constexpr size_t kCapabilityFlag = 24;
constexpr size_t kCoreCount = 25;
constexpr size_t kThreadsFlag = 26;
constexpr size_t kMicrocode = 44;      // 4 bytes
constexpr size_t kSize = 48;
}  // namespace cpu_info_record

// One entry of the processor package protocol's packed cache list; the next
// entry starts kLength's value bytes further on. All fields are 4 bytes.
namespace cache_descriptor {
constexpr size_t kLength = 0;
constexpr size_t kLengthWidth = 4;
constexpr size_t kLevel = 4;
constexpr size_t kSizeKb = 8;
constexpr size_t kType = 12;
constexpr size_t kSharing = 20;
constexpr size_t kSize = 24;
}  // namespace cache_descriptor

namespace cpu_info_protocol {
constexpr size_t kGetCpuInfo = 0;
constexpr size_t kSlots = 1;
}  // namespace cpu_info_protocol

namespace cpu_package_protocol {
constexpr size_t kGetCoreCounts = 3;
constexpr size_t kGetPackageProcessorId = 6;
constexpr size_t kGetCacheDescriptors = 9;
constexpr size_t kSlots = 10;
}  // namespace cpu_package_protocol

// The Super I/O driver's interface of one device and its description record.
namespace sio_device {
constexpr size_t kDescription = 0x88;  // pointer
constexpr size_t kEnabled = 0x90;
constexpr size_t kActive = 0xB2;
constexpr size_t kIoBase = 0xB3;       // 2 bytes, unaligned
constexpr size_t kIrq = 0xB7;
constexpr size_t kDma = 0xB9;
constexpr size_t kSize = 0xBA;
constexpr size_t kDescriptionKind = 0;  // 4 bytes
constexpr size_t kDescriptionInstance = 5;
constexpr size_t kDescriptionPresent = 9;
constexpr size_t kDescriptionSize = 10;
}  // namespace sio_device

// Plain functions: neither member the setup driver calls takes the interface.
namespace usb_device_info_protocol {
constexpr size_t kGetDeviceCounts = 2;     // 6 count bytes
constexpr size_t kGetMassStorageName = 3;  // returns the next cursor
constexpr size_t kSlots = 4;
constexpr uint8_t kNoDevice = 0xFF;
constexpr uint8_t kLastDevice = 0x80;
}  // namespace usb_device_info_protocol

namespace me_info_protocol {
constexpr size_t kRequests = 6;  // pointer to the request object, at byte 0x30
constexpr size_t kSlots = 7;
constexpr size_t kRequest = 10;  // the request object's operation, at byte 0x50
constexpr size_t kRequestSlots = 11;
}  // namespace me_info_protocol

namespace message_box_protocol {
constexpr size_t kMessageBox = 4;  // at byte 32; does not receive the interface
constexpr size_t kSlots = 5;
}  // namespace message_box_protocol

// "FruSetup STRING": six pointers to 8-bit texts, then the valid flag.
namespace fru_setup_record {
constexpr size_t kTexts = 0;
constexpr size_t kTextCount = 6;
constexpr size_t kValid = 48;
constexpr size_t kSize = 56;
}  // namespace fru_setup_record

// EFI_DISK_INFO_PROTOCOL: the interface GUID in the first 16 bytes, then four members.
namespace disk_info_protocol {
constexpr size_t kInterface = 0;
constexpr size_t kInquiry = 2;
constexpr size_t kIdentify = 3;
constexpr size_t kSenseData = 4;
constexpr size_t kWhichIde = 5;
constexpr size_t kSlots = 6;
}  // namespace disk_info_protocol

// EFI_LEGACY_BIOS_PROTOCOL up to GetBbsInfo, and one packed BBS table entry.
namespace legacy_bios_protocol {
constexpr size_t kGetBbsInfo = 6;
constexpr size_t kSlots = 7;
}  // namespace legacy_bios_protocol
namespace bbs_entry {
constexpr size_t kBootPriority = 0;  // 2 bytes
constexpr size_t kBus = 2;           // 4 bytes
constexpr size_t kDevice = 6;        // 4 bytes
constexpr size_t kFunction = 10;     // 4 bytes
constexpr size_t kClass = 14;
constexpr size_t kSubClass = 15;
constexpr size_t kDeviceType = 20;          // 2 bytes
constexpr size_t kStatusFlags = 22;         // 2 bytes
constexpr size_t kBootHandlerOffset = 24;   // 2 bytes
constexpr size_t kBootHandlerSegment = 26;  // 2 bytes
constexpr size_t kSize = 69;
}  // namespace bbs_entry

// The board's string service: plain functions, none takes a This argument.
namespace string_service_protocol {
constexpr size_t kPublishPackageLists = 0;
constexpr size_t kSetString = 6;
constexpr size_t kSlots = 7;
}  // namespace string_service_protocol

// One record of the package-list table the driver hands PublishPackageLists.
namespace setup_package_entry {
constexpr size_t kGuid = 0;              // pointer
constexpr size_t kCallbackInstance = 8;  // pointer to the list's form callback instance
constexpr size_t kClass = 16;            // 2 bytes
constexpr size_t kSubClass = 18;         // 2 bytes
constexpr size_t kHiiHandle = 20;        // 2 bytes, written by the service
constexpr size_t kSize = 24;
}  // namespace setup_package_entry

// A list's form callback instance: the Framework form callback protocol (NvRead,
// NvWrite, Callback), then the list's class and subclass.
namespace form_callback_instance {
constexpr size_t kCallback = 16;  // pointer
constexpr size_t kClass = 24;     // 2 bytes
constexpr size_t kSubClass = 26;  // 2 bytes
}  // namespace form_callback_instance

namespace board_query_protocol {
constexpr size_t kQueryBoardCondition = 0;  // no This argument
constexpr size_t kSlots = 1;
}  // namespace board_query_protocol

namespace board_register_protocol {
constexpr size_t kReadRegister = 1;
constexpr size_t kWriteRegister = 2;
constexpr size_t kSlots = 3;
}  // namespace board_register_protocol

}  // namespace sim
