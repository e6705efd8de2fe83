#include "forms/host/firmware_walk.h"

#include <lzma.h>

#include <algorithm>
#include <cstring>
#include <optional>

#include "driver/uefi/uefi_base.h"
#include "forms/host/little_endian.h"
#include "forms/host/uefi_text.h"

namespace forms {
namespace {

constexpr size_t kVolumeHeaderLeast = 56;
constexpr size_t kSignatureOffset = 40;
constexpr uint32_t kErasePolarity = 0x800;
constexpr size_t kFileHeaderSize = 24;
constexpr size_t kLargeFileHeaderSize = 32;
constexpr uint8_t kLargeFile = 0x01;
constexpr uint8_t kFileRaw = 0x01;
constexpr uint8_t kFilePad = 0xF0;
constexpr uint16_t kProcessingRequired = 0x01;
constexpr int kMostNesting = 8;
constexpr size_t kMostUnpacked = size_t{64} << 20;  // in all, for one walk
constexpr uint64_t kLzmaMemoryLimit = uint64_t{64} << 20;

enum : uint8_t {
  kCompression = 0x01,
  kGuidDefined = 0x02,
  kPe32 = 0x10,
  kPic = 0x11,
  kTe = 0x12,
  kUserInterface = 0x15,
  kVolumeImage = 0x17,
  kFreeformSubtypeGuid = 0x18,
  kRaw = 0x19,
};

constexpr EFI_GUID kFfs2 = {0x8C8CE578, 0x8A3D, 0x4F1C, {0x99, 0x35, 0x89, 0x61, 0x85, 0xC3, 0x2D, 0xD3}};
constexpr EFI_GUID kFfs3 = {0x5473C07A, 0x3DCB, 0x4DCA, {0xBD, 0x6F, 0x1E, 0x96, 0x89, 0xE7, 0x34, 0x9A}};
constexpr EFI_GUID kLzmaSection = {0xEE4E5898, 0x3914, 0x4259, {0x9D, 0x6E, 0xDC, 0x7B, 0xD7, 0x94, 0x03, 0xCF}};

EFI_GUID GuidAt(const uint8_t *at) {
  EFI_GUID guid;
  std::memcpy(&guid, at, sizeof guid);
  return guid;
}

bool Same(const EFI_GUID &a, const EFI_GUID &b) { return std::memcmp(&a, &b, sizeof a) == 0; }

size_t Align(size_t value, size_t boundary) { return (value + boundary - 1) / boundary * boundary; }

// The length of the volume whose header starts at bytes, or 0 when none does.
size_t VolumeLength(const uint8_t *bytes, size_t size) {
  if (size < kVolumeHeaderLeast || std::memcmp(bytes + kSignatureOffset, "_FVH", 4) != 0) return 0;
  const uint64_t length = LittleEndian(bytes + 32, 8);
  const size_t headerLength = LittleEndian(bytes + 48, 2);
  if (headerLength < kVolumeHeaderLeast || headerLength % 2 != 0 || length < headerLength || length > size) return 0;
  uint16_t sum = 0;
  for (size_t i = 0; i < headerLength; i += 2) sum = static_cast<uint16_t>(sum + LittleEndian(bytes + i, 2));
  return sum == 0 ? static_cast<size_t>(length) : 0;
}

class Walker {
 public:
  explicit Walker(FirmwareWalk &walk) : walk_(walk) {}

  void Image(const uint8_t *bytes, size_t size) {
    size_t cursor = 0;
    for (size_t at = 0; size >= kVolumeHeaderLeast && at <= size - kVolumeHeaderLeast;) {
      const void *found = memmem(bytes + at + kSignatureOffset, size - at - kSignatureOffset, "_FVH", 4);
      if (found == nullptr) break;
      const size_t start = static_cast<size_t>(static_cast<const uint8_t *>(found) - bytes) - kSignatureOffset;
      const size_t length = VolumeLength(bytes + start, size - start);
      if (length == 0) {
        at = start + 1;
        continue;
      }
      if (start > cursor) walk_.outside.emplace_back(cursor, start);
      Volume(bytes + start, length, 0);
      cursor = at = start + length;
    }
    if (cursor < size) walk_.outside.emplace_back(cursor, size);
  }

 private:
  void Note(const std::string &what) { walk_.notes.push_back(what); }

  void Volume(const uint8_t *bytes, size_t length, int depth) {
    const EFI_GUID fileSystem = GuidAt(bytes + 16);
    if (!Same(fileSystem, kFfs2) && !Same(fileSystem, kFfs3)) return;  // a variable store or other data
    const uint8_t erased = (LittleEndian(bytes + 44, 4) & kErasePolarity) ? 0xFF : 0x00;
    size_t at = LittleEndian(bytes + 48, 2);
    if (const size_t extended = LittleEndian(bytes + 52, 2); extended != 0) {
      if (extended > length - 20) return Note("a volume's extended header lies past it");
      at = extended + LittleEndian(bytes + extended + 16, 4);
    }
    for (at = Align(at, 8); at < length && length - at >= kFileHeaderSize; at = Align(at, 8)) {
      const uint8_t *file = bytes + at;
      if (std::all_of(file, file + kFileHeaderSize, [erased](uint8_t b) { return b == erased; })) return;
      const bool large = (file[19] & kLargeFile) != 0;
      const size_t headerSize = large ? kLargeFileHeaderSize : kFileHeaderSize;
      const uint64_t fileSize =
          large && length - at >= kLargeFileHeaderSize ? LittleEndian(file + 24, 8) : LittleEndian(file + 20, 3);
      if (fileSize < headerSize || fileSize > length - at) {
        return Note("file " + GuidText(GuidAt(file)) + ": its size runs past the volume");
      }
      File(file, headerSize, static_cast<size_t>(fileSize), depth);
      at += static_cast<size_t>(fileSize);
    }
  }

  void File(const uint8_t *file, size_t headerSize, size_t size, int depth) {
    const uint8_t type = file[18];
    const std::string name = GuidText(GuidAt(file));
    if (type == kFilePad) return;
    if (type == kFileRaw) return walk_.leaf(name, file + headerSize, size - headerSize);
    Sections(file + headerSize, size - headerSize, name, depth);
  }

  static std::string Ucs2Name(const uint8_t *body, size_t length) {
    std::u16string text;
    for (size_t i = 0; i + 1 < length && (body[i] | body[i + 1]) != 0; i += 2) {
      text += static_cast<char16_t>(body[i] | body[i + 1] << 8);
    }
    return Utf16ToUtf8(text).value_or("?");
  }

  // Calls visit(type, body, body size) for each section of one level; notes a
  // broken section under name, unless name is null (a first look).
  template <typename Visit>
  void ForEachSection(const uint8_t *bytes, size_t size, const std::string *name, Visit visit) {
    for (size_t at = 0; at < size && size - at >= 4; at = Align(at, 4)) {
      size_t length = LittleEndian(bytes + at, 3);
      size_t header = 4;
      if (length == 0xFFFFFF) {
        if (size - at < 8) return;
        length = LittleEndian(bytes + at + 4, 4);
        header = 8;
      }
      if (length < header || length > size - at) {
        if (name != nullptr) Note(*name + ": a section runs past its file");
        return;
      }
      visit(bytes[at + 3], bytes + at + header, length - header);
      at += length;
    }
  }

  // A user-interface section names the module for its level's sections and those inside
  // them; it may sit beside the code or inside a compressed section with it.
  void Sections(const uint8_t *bytes, size_t size, const std::string &outerName, int depth) {
    if (depth > kMostNesting) return Note(outerName + ": sections nested too deep");
    std::string name = outerName;
    ForEachSection(bytes, size, nullptr, [&](uint8_t kind, const uint8_t *body, size_t length) {
      if (kind == kUserInterface) name = Ucs2Name(body, length);
    });
    ForEachSection(bytes, size, &name, [&](uint8_t kind, const uint8_t *body, size_t length) {
      switch (kind) {
        case kPe32:
        case kPic:
        case kTe:
        case kRaw:
          return walk_.leaf(name, body, length);
        case kFreeformSubtypeGuid:
          if (length >= sizeof(EFI_GUID)) walk_.leaf(name, body + sizeof(EFI_GUID), length - sizeof(EFI_GUID));
          return;
        case kVolumeImage: {
          const size_t volume = VolumeLength(body, length);
          if (volume == 0) return Note(name + ": a volume image section holds no volume");
          return Volume(body, volume, depth + 1);
        }
        case kCompression:
          if (length >= 5 && body[4] == 0) return Sections(body + 5, length - 5, name, depth + 1);
          return Note(name + ": a compressed section (not LZMA) was not unpacked");
        case kGuidDefined:
          return GuidDefined(body, length, name, depth);
        default:
          return;  // dependency expressions, versions, names: no packages in them
      }
    });
  }

  // The data offset counts from the section's header, 4 bytes before body.
  void GuidDefined(const uint8_t *body, size_t length, const std::string &name, int depth) {
    if (length < 20) return Note(name + ": a GUID-defined section is cut off");
    const EFI_GUID encoding = GuidAt(body);
    const size_t dataOffset = LittleEndian(body + 16, 2);
    const uint16_t attributes = static_cast<uint16_t>(LittleEndian(body + 18, 2));
    if (dataOffset < 24 || dataOffset - 4 > length) return Note(name + ": a GUID-defined section's data lies past it");
    const uint8_t *data = body + dataOffset - 4;
    const size_t dataSize = length - (dataOffset - 4);
    if (Same(encoding, kLzmaSection)) {
      std::optional<std::vector<uint8_t>> plain = UnpackLzma(data, dataSize);
      if (!plain) return Note(name + ": an LZMA section did not unpack");
      return Sections(plain->data(), plain->size(), name, depth + 1);
    }
    if ((attributes & kProcessingRequired) == 0) return Sections(data, dataSize, name, depth + 1);
    Note(name + ": a section encoded as " + GuidText(encoding) + " was not unpacked");
  }

  // LZMA as EDK2 stores it: the .lzma header (properties, dictionary size, the
  // plain size), then the stream.
  std::optional<std::vector<uint8_t>> UnpackLzma(const uint8_t *data, size_t size) {
    if (size < 13) return std::nullopt;
    const uint64_t plainSize = LittleEndian(data + 5, 8);
    if (plainSize > kMostUnpacked - unpacked_) return std::nullopt;
    lzma_stream stream = LZMA_STREAM_INIT;
    if (lzma_alone_decoder(&stream, kLzmaMemoryLimit) != LZMA_OK) return std::nullopt;
    std::vector<uint8_t> plain(static_cast<size_t>(plainSize));
    stream.next_in = data;
    stream.avail_in = size;
    stream.next_out = plain.data();
    stream.avail_out = plain.size();
    const lzma_ret result = lzma_code(&stream, LZMA_FINISH);
    const bool whole = result == LZMA_STREAM_END && stream.avail_out == 0;
    lzma_end(&stream);
    if (!whole) return std::nullopt;
    unpacked_ += plain.size();
    return plain;
  }

  FirmwareWalk &walk_;
  size_t unpacked_ = 0;
};

}  // namespace

void WalkFirmware(const uint8_t *bytes, size_t size, FirmwareWalk &walk) { Walker(walk).Image(bytes, size); }

}  // namespace forms
