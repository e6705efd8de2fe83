// The store image: a firmware volume header, a variable store header, then
// 4-byte aligned variable records up to the first erased (0xFF) header; after
// the store the volume goes on (the fault-tolerant-write working block and
// spare), which is never read nor written here.
#include "sim/machine/firmware_store.h"

#include <map>
#include <set>
#include <stdexcept>

#include "sim/little_endian.h"
#include "sim/machine/guid_text.h"
#include "sim/machine/record_fields.h"
#include "sim/machine/utf16_text.h"

namespace sim {

namespace {

constexpr EFI_GUID kVariableVolume = {0xFFF12B8D, 0x7696, 0x4C8B, {0xA9, 0x85, 0x27, 0x47, 0x07, 0x5B, 0x4F, 0x50}};
constexpr EFI_GUID kAuthenticatedStore = {0xAAF32C78, 0x947B, 0x439A, {0xA1, 0x80, 0x2E, 0x14, 0x4E, 0xC3, 0x77, 0x92}};
constexpr EFI_GUID kPlainStore = {0xDDCF3616, 0x3275, 0x4164, {0x98, 0xB6, 0xFE, 0x85, 0x70, 0x7F, 0xFE, 0x7D}};

// The firmware volume header: its fixed part ends where the block map begins.
constexpr size_t kVolumeGuidAt = 16, kVolumeLengthAt = 32, kSignatureAt = 40, kHeaderLengthAt = 48,
                 kChecksumAt = 50, kVolumeFixedPart = 56;
// The variable store header.
constexpr size_t kStoreSizeAt = 16, kStoreFormatAt = 20, kStoreStateAt = 21, kStoreHeaderSize = 28;
constexpr uint8_t kFormatted = 0x5A, kHealthy = 0xFE;
// A variable record. Its state bits are cleared one step at a time, as flash is written.
constexpr size_t kStateAt = 2, kAttributesAt = 4;
constexpr uint16_t kStartId = 0x55AA, kErased16 = 0xFFFF;
constexpr uint8_t kAdded = 0x3F, kInDeletedTransition = 0xFE, kDeleted = 0xFD;
constexpr uint8_t kAddedInTransition = kAdded & kInDeletedTransition;
constexpr uint32_t kAuthenticatedAttributes = 0x10 | 0x20;  // count-based and time-based authenticated writes

struct RecordLayout {
  size_t nameSizeAt, dataSizeAt, guidAt, headerSize;
};
// The authenticated header carries a monotonic count (8), a time stamp (16) and a
// public-key index (4) between the attributes and the name size.
constexpr RecordLayout kAuthenticatedLayout{36, 40, 44, 60};
constexpr RecordLayout kPlainLayout{8, 12, 16, 32};
constexpr size_t kAuthenticatedFieldsAt = 8, kAuthenticatedFieldsEnd = 36;

using Key = std::pair<std::string, std::u16string>;
Key KeyOf(const StoredVariable &variable) { return {GuidToText(variable.guid), variable.name}; }

size_t AlignUp4(uint64_t at) { return static_cast<size_t>((at + 3) & ~uint64_t{3}); }

uint64_t Field(const std::string &bytes, size_t at, size_t width) {
  return GetLittleEndian(reinterpret_cast<const uint8_t *>(bytes.data()) + at, width);
}

void PutField(std::string &bytes, size_t at, uint64_t value, size_t width) {
  PutLittleEndian(reinterpret_cast<uint8_t *>(bytes.data()) + at, value, width);
}

EFI_GUID GuidAt(const std::string &bytes, size_t at) {
  return GuidFromBytes(reinterpret_cast<const uint8_t *>(bytes.data()) + at);
}

std::string NameText(const std::u16string &name) { return Utf16ToUtf8(name).value_or("(a name that is not UTF-16)"); }

class Reader {
 public:
  Reader(const std::string &bytes, const std::string &path) : bytes_(bytes), path_(path) {}

  FirmwareStoreImage Read(std::vector<StoredVariable> &variables) {
    image_.bytes = bytes_;
    ReadHeaders();
    size_t at = image_.recordsBegin;
    while (at + 2 <= image_.storeEnd && Field(bytes_, at, 2) != kErased16) at = ReadRecord(at);
    image_.usedEnd = std::min(at, image_.storeEnd);
    for (const FirmwareStoreImage::Live &live : image_.live) variables.push_back(live.variable);
    return std::move(image_);
  }

 private:
  [[noreturn]] void Fail(uint64_t at, const std::string &fault) const {
    throw std::runtime_error("NVRAM file " + path_ + ": offset " + HexNumber(at) + ": " + fault);
  }

  void ReadHeaders() {
    if (bytes_.size() < kVolumeFixedPart) Fail(bytes_.size(), "the firmware volume header is cut short");
    const EFI_GUID volume = GuidAt(bytes_, kVolumeGuidAt);
    if (!GuidEqual(volume, kVariableVolume)) {
      Fail(kVolumeGuidAt, "a firmware volume of file system " + GuidToText(volume) + ", not a variable store (" +
                              GuidToText(kVariableVolume) + ")");
    }
    const uint64_t volumeLength = Field(bytes_, kVolumeLengthAt, 8);
    if (volumeLength > bytes_.size()) {
      Fail(kVolumeLengthAt, "the volume's length " + HexNumber(volumeLength) + " runs past the file's " +
                                HexNumber(bytes_.size()) + " bytes");
    }
    const size_t headerLength = Field(bytes_, kHeaderLengthAt, 2);
    if (headerLength < kVolumeFixedPart || headerLength % 2 != 0 || headerLength + kStoreHeaderSize > volumeLength) {
      Fail(kHeaderLengthAt, "header length " + HexNumber(headerLength) + " leaves no room for a variable store");
    }
    uint16_t sum = 0;
    for (size_t at = 0; at < headerLength; at += 2) sum = static_cast<uint16_t>(sum + Field(bytes_, at, 2));
    if (sum != 0) Fail(kChecksumAt, "the firmware volume header's checksum is wrong (its words add up to " + HexNumber(sum) + ", not 0)");

    const size_t store = headerLength;
    const EFI_GUID format = GuidAt(bytes_, store);
    if (GuidEqual(format, kAuthenticatedStore)) {
      layout_ = kAuthenticatedLayout;
    } else if (GuidEqual(format, kPlainStore)) {
      layout_ = kPlainLayout;
    } else {
      Fail(store, "variable store format " + GuidToText(format) + " is neither the authenticated (" +
                      GuidToText(kAuthenticatedStore) + ") nor the plain one (" + GuidToText(kPlainStore) + ")");
    }
    const uint64_t storeSize = Field(bytes_, store + kStoreSizeAt, 4);
    if (storeSize < kStoreHeaderSize || store + storeSize > volumeLength) {
      Fail(store + kStoreSizeAt, "variable store size " + HexNumber(storeSize) + " does not fit the volume (" +
                                     HexNumber(volumeLength) + " bytes)");
    }
    const auto formatByte = static_cast<uint8_t>(bytes_[store + kStoreFormatAt]);
    if (formatByte != kFormatted) Fail(store + kStoreFormatAt, "the variable store is not formatted (" + HexNumber(formatByte) + ", not 0x5A)");
    const auto stateByte = static_cast<uint8_t>(bytes_[store + kStoreStateAt]);
    if (stateByte != kHealthy) Fail(store + kStoreStateAt, "the variable store is not healthy (" + HexNumber(stateByte) + ", not 0xFE)");
    image_.headerSize = layout_.headerSize;
    image_.recordsBegin = AlignUp4(store + kStoreHeaderSize);
    image_.storeEnd = store + storeSize;
  }

  // Reads the record at at; returns where the next one starts.
  size_t ReadRecord(size_t at) {
    const uint64_t startId = Field(bytes_, at, 2);
    if (startId != kStartId) Fail(at, "record start id " + HexNumber(startId) + " is not 0x55AA");
    if (at + layout_.headerSize > image_.storeEnd) {
      Fail(at, "the variable record's header is cut short by the end of the store at " + HexNumber(image_.storeEnd));
    }
    const uint64_t nameSize = Field(bytes_, at + layout_.nameSizeAt, 4);
    const uint64_t dataSize = Field(bytes_, at + layout_.dataSizeAt, 4);
    const uint64_t end = at + layout_.headerSize + nameSize + dataSize;
    if (end > image_.storeEnd) {
      Fail(at + layout_.nameSizeAt, "name size " + HexNumber(nameSize) + " and data size " + HexNumber(dataSize) +
                                        " run past the end of the store at " + HexNumber(image_.storeEnd));
    }
    const auto state = static_cast<uint8_t>(bytes_[at + kStateAt]);
    if (state == kAdded || state == kAddedInTransition) TakeLive(at, state, nameSize, dataSize, end - at);
    return AlignUp4(end);
  }

  // The variable driver's rule: an added record is the variable; a record in
  // deleted transition (its replacement was being written) is the variable only
  // while no added copy exists. A change marks both.
  void TakeLive(size_t at, uint8_t state, size_t nameSize, size_t dataSize, size_t size) {
    FirmwareStoreImage::Live live{Variable(at, nameSize, dataSize), at, size, {at}};
    const auto [found, isNew] = index_.emplace(KeyOf(live.variable), image_.live.size());
    if (isNew) {
      image_.live.push_back(std::move(live));
      added_.push_back(state == kAdded);
      return;
    }
    FirmwareStoreImage::Live &earlier = image_.live[found->second];
    earlier.records.push_back(at);
    if (state == kAdded && !added_[found->second]) {
      earlier.variable = std::move(live.variable);
      earlier.offset = at;
      earlier.size = size;
      added_[found->second] = true;
    }
  }

  StoredVariable Variable(size_t at, size_t nameSize, size_t dataSize) const {
    const size_t nameAt = at + layout_.headerSize;
    StoredVariable variable;
    for (size_t i = 0; i + 1 < nameSize; i += 2) variable.name.push_back(static_cast<char16_t>(Field(bytes_, nameAt + i, 2)));
    if (nameSize < 4 || nameSize % 2 != 0 || variable.name.back() != 0 ||
        variable.name.find(u'\0') != variable.name.size() - 1) {
      Fail(nameAt, "the variable's name (" + HexNumber(nameSize) + " bytes) is not a non-empty NUL-terminated UCS-2 text");
    }
    variable.name.pop_back();
    variable.guid = GuidAt(bytes_, at + layout_.guidAt);
    variable.attributes = static_cast<uint32_t>(Field(bytes_, at + kAttributesAt, 4));
    const std::string named = "variable " + NameText(variable.name) + " (" + GuidToText(variable.guid) + ")";
    if ((variable.attributes & EFI_VARIABLE_NON_VOLATILE) == 0) {
      Fail(at + kAttributesAt, named + " is not non-volatile (attributes " + HexNumber(variable.attributes) + ")");
    }
    if (dataSize == 0) Fail(at + layout_.dataSizeAt, named + " has no data");
    const auto *data = reinterpret_cast<const uint8_t *>(bytes_.data()) + nameAt + nameSize;
    variable.data.assign(data, data + dataSize);
    return variable;
  }

  const std::string &bytes_;
  const std::string &path_;
  RecordLayout layout_{};
  FirmwareStoreImage image_;
  std::map<Key, size_t> index_;  // into image_.live
  std::vector<bool> added_;      // by image_.live: read from an added record, not one in transition
};

bool Same(const StoredVariable &a, const StoredVariable &b) { return a.attributes == b.attributes && a.data == b.data; }

// A new record as the firmware writes it: added, the authenticated fields those
// of the record it replaces for an authenticated variable (a signed write would
// bring new ones; the simulator has none), zero otherwise.
std::string RecordOf(const FirmwareStoreImage &image, const StoredVariable &variable,
                     const FirmwareStoreImage::Live *previous) {
  const RecordLayout &layout = image.headerSize == kAuthenticatedLayout.headerSize ? kAuthenticatedLayout : kPlainLayout;
  const size_t nameSize = (variable.name.size() + 1) * 2;
  std::string record(layout.headerSize + nameSize + variable.data.size(), '\0');
  PutField(record, 0, kStartId, 2);
  record[kStateAt] = static_cast<char>(kAdded);
  PutField(record, kAttributesAt, variable.attributes, 4);
  if (layout.headerSize == kAuthenticatedLayout.headerSize && previous != nullptr &&
      (variable.attributes & kAuthenticatedAttributes) != 0) {
    record.replace(kAuthenticatedFieldsAt, kAuthenticatedFieldsEnd - kAuthenticatedFieldsAt, image.bytes,
                   previous->offset + kAuthenticatedFieldsAt, kAuthenticatedFieldsEnd - kAuthenticatedFieldsAt);
  }
  PutField(record, layout.nameSizeAt, nameSize, 4);
  PutField(record, layout.dataSizeAt, variable.data.size(), 4);
  record.replace(layout.guidAt, 16, GuidBytes(variable.guid));
  for (size_t i = 0; i < variable.name.size(); ++i) PutField(record, layout.headerSize + 2 * i, variable.name[i], 2);
  record.replace(layout.headerSize + nameSize, variable.data.size(),
                 reinterpret_cast<const char *>(variable.data.data()), variable.data.size());
  return record;
}

struct Pending {
  const StoredVariable *variable;
  std::string record;
};

bool Erased(const std::string &bytes, size_t begin, size_t end) {
  return bytes.find_first_not_of('\xFF', begin) >= end;
}

// Writes records from at on; false when one would run past the store's end.
bool Append(std::string &out, size_t at, size_t storeEnd, const std::vector<Pending> &pending, size_t *unfit) {
  for (size_t i = 0; i < pending.size(); ++i) {
    const std::string &record = pending[i].record;
    if (at + record.size() > storeEnd) {
      *unfit = i;
      return false;
    }
    out.replace(at, record.size(), record);
    at = AlignUp4(at + record.size());
  }
  return true;
}

}  // namespace

bool IsFirmwareVolume(const std::string &bytes) {
  return bytes.size() >= kSignatureAt + 4 && bytes.compare(kSignatureAt, 4, "_FVH") == 0;
}

FirmwareStoreImage ReadFirmwareStore(const std::string &bytes, const std::string &path,
                                     std::vector<StoredVariable> &variables) {
  return Reader(bytes, path).Read(variables);
}

std::string UpdatedFirmwareStore(const FirmwareStoreImage &image, const std::vector<StoredVariable> &variables,
                                 const std::string &where) {
  std::map<Key, const StoredVariable *> wanted;
  for (const StoredVariable &variable : variables) wanted[KeyOf(variable)] = &variable;
  std::string out = image.bytes;
  std::vector<const FirmwareStoreImage::Live *> kept;
  std::vector<Pending> pending;
  std::set<Key> held;
  for (const FirmwareStoreImage::Live &live : image.live) {
    const Key key = KeyOf(live.variable);
    held.insert(key);
    const auto found = wanted.find(key);
    if (found != wanted.end() && Same(*found->second, live.variable)) {
      kept.push_back(&live);
      continue;
    }
    // Deleted: the deleted bit. Replaced: in deleted transition while the new
    // record is written, then deleted.
    const uint8_t mask = found == wanted.end() ? kDeleted : kInDeletedTransition & kDeleted;
    for (const size_t record : live.records) out[record + kStateAt] = static_cast<char>(out[record + kStateAt] & mask);
    if (found != wanted.end()) pending.push_back({found->second, RecordOf(image, *found->second, &live)});
  }
  for (const StoredVariable &variable : variables) {
    if (held.count(KeyOf(variable)) == 0) pending.push_back({&variable, RecordOf(image, variable, nullptr)});
  }
  if (pending.empty()) return out;
  size_t unfit = 0;
  if (Erased(out, image.usedEnd, image.storeEnd) && Append(out, image.usedEnd, image.storeEnd, pending, &unfit)) {
    return out;
  }

  // Reclaim, as the firmware does when its store runs out: the live records
  // packed from the start, marked added, the rest of the store erased.
  out.replace(image.recordsBegin, image.storeEnd - image.recordsBegin, image.storeEnd - image.recordsBegin, '\xFF');
  size_t at = image.recordsBegin;
  for (const FirmwareStoreImage::Live *live : kept) {
    out.replace(at, live->size, image.bytes, live->offset, live->size);
    out[at + kStateAt] = static_cast<char>(kAdded);
    at = AlignUp4(at + live->size);
  }
  if (Append(out, at, image.storeEnd, pending, &unfit)) return out;
  const StoredVariable &variable = *pending[unfit].variable;
  throw std::runtime_error(where + ": store full: no room for variable " + NameText(variable.name) + " (" +
                           GuidToText(variable.guid) + ", a record of " + std::to_string(pending[unfit].record.size()) +
                           " bytes) in the " + std::to_string(image.storeEnd - image.recordsBegin) +
                           "-byte variable store, even with its live variables packed; the file is left as it was");
}

}  // namespace sim
