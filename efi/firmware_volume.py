#!/usr/bin/env python3
"""Lists and extends UEFI firmware images: the volumes and files of an image, the
FFS file of one driver, and an image with FFS files added to the DXE volume that
OVMF keeps inside the LZMA section of its compact main volume.

  firmware_volume.py list IMAGE [--json]
  firmware_volume.py ffs --description DESCRIPTION.json --pe32 IMAGE.efi --out FILE.ffs [--depex-true]
  firmware_volume.py add IMAGE FILE.ffs... --out NEW_IMAGE

Reading checks every volume header, file header and file data checksum. Adding
keeps the DXE volume's length and place, so no volume header changes, and refuses
when a file's GUID is already in the volume, when the files do not fit in its free
space, or when the recompressed volume would not fit in the compact volume.
"""
import argparse
import json
import lzma
import os
import struct
import sys
import uuid

FFS2_GUID = "8C8CE578-8A3D-4F1C-9935-896185C32DD3"
FFS3_GUID = "5473C07A-3DCB-4DCA-BD6F-1E9689E7349A"
LZMA_GUID = "EE4E5898-3914-4259-9D6E-DC7BD79403CF"
PAD_GUID = "FFFFFFFF-FFFF-FFFF-FFFF-FFFFFFFFFFFF"

ERASE_POLARITY = 0x800
ATTRIB_LARGE_FILE = 0x01
ATTRIB_CHECKSUM = 0x40
FIXED_CHECKSUM = 0xAA
FILE_DATA_VALID = 0x04
FILE_DELETED = 0x10

# No flash part holds more: a larger size in an LZMA header is damage, not data to unpack.
MAX_DECOMPRESSED = 256 << 20

FILE_TYPES = {0x01: "RAW", 0x02: "FREEFORM", 0x03: "SECURITY_CORE", 0x04: "PEI_CORE", 0x05: "DXE_CORE",
              0x06: "PEIM", 0x07: "DRIVER", 0x08: "COMBINED_PEIM_DRIVER", 0x09: "APPLICATION", 0x0A: "MM",
              0x0B: "FIRMWARE_VOLUME_IMAGE", 0x0C: "COMBINED_MM_DXE", 0x0D: "MM_CORE", 0x0E: "MM_STANDALONE",
              0x0F: "MM_CORE_STANDALONE", 0xF0: "PAD"}
FILE_DRIVER, FILE_VOLUME_IMAGE = 0x07, 0x0B
# Files whose body is raw data rather than sections.
RAW_BODY_TYPES = (0x01, 0xF0)

SECTION_GUID_DEFINED, SECTION_PE32, SECTION_DXE_DEPEX = 0x02, 0x10, 0x13
SECTION_USER_INTERFACE, SECTION_VOLUME_IMAGE = 0x15, 0x17

DEPEX_BEFORE, DEPEX_AFTER, DEPEX_PUSH, DEPEX_AND, DEPEX_OR = 0x00, 0x01, 0x02, 0x03, 0x04
DEPEX_NOT, DEPEX_TRUE, DEPEX_FALSE, DEPEX_END, DEPEX_SOR = 0x05, 0x06, 0x07, 0x08, 0x09


class FormatError(Exception):
    """The image or a file is not what it must be; the message says what and where."""


def guid_text(raw):
    return str(uuid.UUID(bytes_le=bytes(raw))).upper()


def guid_bytes(text):
    try:
        return uuid.UUID(text).bytes_le
    except ValueError as error:
        raise FormatError(f"not a GUID: {text!r}") from error


def align(value, boundary):
    return (value + boundary - 1) & ~(boundary - 1)


def sum8(data):
    return sum(data) & 0xFF


def sum16(data):
    return sum(struct.unpack_from(f"<{len(data) // 2}H", data)) & 0xFFFF


def need(data, offset, length, what):
    if offset < 0 or length < 0 or offset + length > len(data):
        raise FormatError(f"{what}: {length} bytes at offset {offset:#x} run past the end ({len(data):#x} bytes)")


# ---- dependency expressions ---------------------------------------------------------------------------------

def encode_depex(guids):
    """Every protocol in GUIDS installed (all ANDed); an empty list is TRUE."""
    if not guids:
        return bytes([DEPEX_TRUE, DEPEX_END])
    code = bytearray()
    for index, text in enumerate(guids):
        code += bytes([DEPEX_PUSH]) + guid_bytes(text)
        if index > 0:
            code.append(DEPEX_AND)
    code.append(DEPEX_END)
    return bytes(code)


def decode_depex(code):
    """The expression in infix form."""
    stack = []
    offset = 0
    while offset < len(code):
        opcode = code[offset]
        offset += 1
        if opcode in (DEPEX_PUSH, DEPEX_BEFORE, DEPEX_AFTER):
            need(code, offset, 16, "dependency expression GUID")
            text = guid_text(code[offset:offset + 16])
            offset += 16
            if opcode == DEPEX_PUSH:
                stack.append(text)
            else:
                stack.append(f"{'BEFORE' if opcode == DEPEX_BEFORE else 'AFTER'} {text}")
        elif opcode in (DEPEX_AND, DEPEX_OR):
            if len(stack) < 2:
                raise FormatError(f"dependency expression: {'AND' if opcode == DEPEX_AND else 'OR'} "
                                  f"at offset {offset - 1} needs two operands")
            right, left = stack.pop(), stack.pop()
            stack.append(f"({left} {'AND' if opcode == DEPEX_AND else 'OR'} {right})")
        elif opcode == DEPEX_NOT:
            if not stack:
                raise FormatError(f"dependency expression: NOT at offset {offset - 1} needs an operand")
            stack.append(f"NOT {stack.pop()}")
        elif opcode in (DEPEX_TRUE, DEPEX_FALSE):
            stack.append("TRUE" if opcode == DEPEX_TRUE else "FALSE")
        elif opcode == DEPEX_SOR:
            stack.append("SOR")
        elif opcode == DEPEX_END:
            if offset != len(code) or len(stack) != 1:
                raise FormatError(f"dependency expression: END at offset {offset - 1} leaves "
                                  f"{len(stack)} values and {len(code) - offset} bytes")
            result = stack[0]
            return result[1:-1] if result.startswith("(") and result.endswith(")") else result
        else:
            raise FormatError(f"dependency expression: unknown opcode {opcode:#x} at offset {offset - 1}")
    raise FormatError("dependency expression: no END")


# ---- the tree: volumes hold files, files hold sections, sections hold volumes or sections --------------------

class Section:
    def __init__(self, kind, header, body, children=None, definition=""):
        self.kind = kind          # section type
        self.definition = definition  # GUID-defined sections: the GUID of their encoding
        self.header = header      # the header bytes as read (size fields rewritten on output)
        self.body = body          # bytes after the header (GUID-defined: after the data offset)
        self.children = children  # sections or a volume inside, or None
        self.changed = False      # an encapsulated child changed: the body is built again

    def to_bytes(self):
        # Compressing is slow and not byte-identical: an unchanged LZMA section keeps its bytes.
        body = self.body
        if isinstance(self.children, Volume):
            body = self.children.to_bytes()
        elif self.children is not None and self.changed:
            inner = b"".join(padding + child.to_bytes() for padding, child in self.children)
            body = lzma_compress(inner, self.body) if self.is_lzma() else inner
        header = bytearray(self.header)
        total = len(header) + len(body)
        if len(header) >= 8 and header[0:3] == b"\xff\xff\xff":
            struct.pack_into("<I", header, 4, total)
        elif total >= 0xFFFFFF:
            raise FormatError(f"section of {total:#x} bytes needs an extended header")
        else:
            header[0:3] = total.to_bytes(3, "little")
        return bytes(header) + body

    def is_lzma(self):
        return self.definition == LZMA_GUID


class File:
    def __init__(self, header, body, sections):
        self.header = header      # 24 or 32 bytes as read
        self.body = body          # raw bytes (files without sections)
        self.sections = sections  # [(padding, Section)] or None

    @property
    def guid(self):
        return guid_text(self.header[0:16])

    @property
    def kind(self):
        return self.header[18]

    def to_bytes(self, polarity):
        body = self.body if self.sections is None else \
            b"".join(padding + section.to_bytes() for padding, section in self.sections)
        return build_file(self.header, body, polarity)

    def section(self, kind):
        for _, section in self.sections or []:
            if section.kind == kind:
                return section
        return None

    def ui_name(self):
        section = self.section(SECTION_USER_INTERFACE)
        if section is None:
            return ""
        return section.body.decode("utf-16-le", "replace").split("\0")[0]


class Volume:
    def __init__(self, data, where):
        self.where = where
        need(data, 0, 56, f"volume at {where}")
        if data[40:44] != b"_FVH":
            raise FormatError(f"volume at {where}: no _FVH signature")
        length, _, attributes, header_length, _, ext_offset = struct.unpack_from("<QIIHHH", data, 32)
        need(data, 0, length, f"volume at {where}")
        need(data, 0, header_length, f"volume header at {where}")
        if length < header_length:
            raise FormatError(f"volume at {where}: length {length:#x} is smaller than its header")
        if header_length < 56 or header_length % 2 or sum16(data[:header_length]) != 0:
            raise FormatError(f"volume at {where}: header checksum fails")
        self.file_system = guid_text(data[16:32])
        self.polarity = 0xFF if attributes & ERASE_POLARITY else 0x00
        self.length = length
        self.name = ""
        first = header_length
        if ext_offset:
            need(data, ext_offset, 20, f"volume extended header at {where}")
            self.name = guid_text(data[ext_offset:ext_offset + 16])
            first = ext_offset + struct.unpack_from("<I", data, ext_offset + 16)[0]
        first = align(first, 8)
        self.head = bytes(data[:first])
        self.files = []  # [(padding before it, File)]
        self.tail = b""
        if self.file_system not in (FFS2_GUID, FFS3_GUID):
            self.tail = bytes(data[first:length])
            return
        self._read_files(data[:length], first)

    def _read_files(self, data, offset):
        while True:
            start = align(offset, 8)
            if start + 24 > len(data) or data[start:start + 24] == bytes([self.polarity]) * 24:
                break
            header, end = read_file_header(data, start, self.polarity, f"{self.where}, file at {start:#x}")
            body = bytes(data[start + len(header):end])
            sections = None
            if header[18] not in RAW_BODY_TYPES:
                sections = read_sections(body, f"{self.where}, file {guid_text(header[0:16])}")
            self.files.append((bytes(data[offset:start]), File(header, body, sections)))
            offset = end
        self.tail = bytes(data[offset:])

    def free_space(self):
        """Bytes after the last file that hold only the erased value."""
        if self.tail.strip(bytes([self.polarity])):
            return 0
        return self.length - align(self.length - len(self.tail), 8)

    def to_bytes(self):
        data = self.head + b"".join(padding + file.to_bytes(self.polarity) for padding, file in self.files) + self.tail
        if len(data) != self.length:
            raise FormatError(f"volume {self.name or self.where}: {len(data):#x} bytes instead of {self.length:#x}")
        return data

    def add_file(self, ffs):
        guid = guid_text(ffs[0:16])
        if any(file.guid == guid for _, file in self.files):
            raise FormatError(f"a file with GUID {guid} is already in volume {self.name or self.where}")
        header, end = read_file_header(ffs, 0, self.polarity, f"FFS file {guid}")
        if end != len(ffs):
            raise FormatError(f"FFS file {guid}: {len(ffs) - end} bytes after its end")
        used = len(self.head) + sum(len(p) + len(f.to_bytes(self.polarity)) for p, f in self.files)
        padding = bytes([self.polarity]) * (align(used, 8) - used)
        needed = len(padding) + len(ffs)
        if needed > self.free_space():
            raise FormatError(f"FFS file {guid} ({len(ffs)} bytes) does not fit in volume {self.name or self.where} "
                              f"({self.free_space()} bytes free)")
        body = ffs[len(header):]
        sections = None if header[18] in RAW_BODY_TYPES else read_sections(body, f"FFS file {guid}")
        self.files.append((padding, File(header, body, sections)))
        self.tail = self.tail[needed:]


def read_file_header(data, start, polarity, where):
    need(data, start, 24, where)
    header = bytes(data[start:start + 24])
    attributes = header[19]
    size = int.from_bytes(header[20:23], "little")
    if attributes & ATTRIB_LARGE_FILE:
        need(data, start, 32, where)
        header = bytes(data[start:start + 32])
        size = struct.unpack_from("<Q", header, 24)[0]
    if size < len(header):
        raise FormatError(f"{where}: size {size:#x} is smaller than its header")
    need(data, start, size, where)
    state = header[23] ^ polarity
    if not state & FILE_DATA_VALID:
        raise FormatError(f"{where}: state {header[23]:#04x} is not a valid file")
    checked = bytearray(header)
    checked[17] = 0
    checked[23] = 0
    if sum8(checked) != 0:
        raise FormatError(f"{where}: header checksum fails")
    body = data[start + len(header):start + size]
    if attributes & ATTRIB_CHECKSUM:
        if (sum8(body) + header[17]) & 0xFF:
            raise FormatError(f"{where}: data checksum fails")
    elif header[17] != FIXED_CHECKSUM:
        raise FormatError(f"{where}: data checksum {header[17]:#04x} without the checksum attribute (0xAA expected)")
    return header, start + size


def build_file(header, body, polarity):
    """The file with its size and both checksums set for BODY; the state is kept."""
    header = bytearray(header)
    size = len(header) + len(body)
    if header[19] & ATTRIB_LARGE_FILE:
        struct.pack_into("<Q", header, 24, size)
    elif size > 0xFFFFFF:
        raise FormatError(f"file {guid_text(header[0:16])} of {size:#x} bytes needs the large-file header")
    else:
        header[20:23] = size.to_bytes(3, "little")
    state = header[23]
    header[16] = header[17] = header[23] = 0
    header[16] = (-sum8(header)) & 0xFF
    header[17] = (-sum8(body)) & 0xFF if header[19] & ATTRIB_CHECKSUM else FIXED_CHECKSUM
    header[23] = state
    return bytes(header) + body


def read_sections(data, where):
    sections = []
    offset = 0
    while offset < len(data):
        start = align(offset, 4)
        if start >= len(data):
            break
        need(data, start, 4, f"{where}, section at {start:#x}")
        size, kind = int.from_bytes(data[start:start + 3], "little"), data[start + 3]
        header_length = 4
        if size == 0xFFFFFF:
            need(data, start, 8, f"{where}, section at {start:#x}")
            size, header_length = struct.unpack_from("<I", data, start + 4)[0], 8
        if size < header_length:
            raise FormatError(f"{where}, section at {start:#x}: size {size:#x} is smaller than its header")
        need(data, start, size, f"{where}, section at {start:#x}")
        section = read_section(data[start:start + size], kind, header_length, f"{where}, section at {start:#x}")
        sections.append((bytes(data[offset:start]), section))
        offset = start + size
    return sections


def read_section(data, kind, header_length, where):
    if kind == SECTION_GUID_DEFINED:
        need(data, header_length, 20, where)
        data_offset = struct.unpack_from("<H", data, header_length + 16)[0]
        if data_offset < header_length + 20 or data_offset > len(data):
            raise FormatError(f"{where}: data offset {data_offset:#x} outside the section")
        definition = guid_text(data[header_length:header_length + 16])
        section = Section(kind, bytes(data[:data_offset]), bytes(data[data_offset:]), definition=definition)
        if section.is_lzma():
            section.children = read_sections(lzma_decompress(section.body, where), f"{where} (LZMA)")
        return section
    section = Section(kind, bytes(data[:header_length]), bytes(data[header_length:]))
    if kind == SECTION_VOLUME_IMAGE:
        section.children = Volume(section.body, where)
    return section


def lzma_decompress(data, where):
    need(data, 0, 13, f"{where}: LZMA header")
    size = struct.unpack_from("<Q", data, 5)[0]
    if size > MAX_DECOMPRESSED:
        raise FormatError(f"{where}: LZMA header says {size:#x} bytes, more than a firmware volume holds")
    try:
        plain = lzma.LZMADecompressor(format=lzma.FORMAT_ALONE).decompress(data, max_length=size + 1)
    except lzma.LZMAError as error:
        raise FormatError(f"{where}: LZMA data: {error}") from error
    if size != len(plain):
        raise FormatError(f"{where}: LZMA header says {size:#x} bytes, the data holds {len(plain):#x}")
    return plain


def lzma_compress(plain, original):
    """PLAIN compressed with the original's properties; the header holds the real size (the firmware's
    decompressor does not accept an unknown size). The fast mode compresses OVMF's 12 MiB DXE volume
    five times faster than the default for about 8% more bytes."""
    properties, dictionary = original[0], struct.unpack_from("<I", original, 1)[0]
    lc, rest = properties % 9, properties // 9
    lp, pb = rest % 5, rest // 5
    filters = [{"id": lzma.FILTER_LZMA1, "dict_size": dictionary, "lc": lc, "lp": lp, "pb": pb,
                "mode": lzma.MODE_FAST, "mf": lzma.MF_HC4, "nice_len": 32}]
    data = bytearray(lzma.compress(plain, format=lzma.FORMAT_ALONE, filters=filters))
    struct.pack_into("<Q", data, 5, len(plain))
    return bytes(data)


# ---- a whole image: volumes one after another, other bytes kept as they are --------------------------------

class Image:
    def __init__(self, data):
        self.parts = []  # Volume or bytes
        offset = 0
        while offset < len(data):
            signature = data.find(b"_FVH", offset + 40)
            start = signature - 40 if signature >= 0 else len(data)
            if start > offset:
                self.parts.append(bytes(data[offset:start]))
            if start >= len(data):
                break
            volume = Volume(data[start:], f"offset {start:#x}")
            self.parts.append(volume)
            offset = start + volume.length

    def to_bytes(self):
        return b"".join(part if isinstance(part, bytes) else part.to_bytes() for part in self.parts)

    def volumes(self):
        return [part for part in self.parts if isinstance(part, Volume)]


def walk(volume, depth=0):
    """(depth, Volume or File) for every volume and file, in image order."""
    yield depth, volume
    for _, file in volume.files:
        yield depth + 1, file
        for inner in inner_volumes(file.sections or []):
            yield from walk(inner, depth + 2)


def inner_volumes(sections):
    for _, section in sections:
        if isinstance(section.children, Volume):
            yield section.children
        elif isinstance(section.children, list):
            yield from inner_volumes(section.children)


def dxe_volume_path(image):
    """The compact volume, its volume-image file, the LZMA section and the DXE volume inside it:
    the one volume that holds the DXE core."""
    for volume in image.volumes():
        for _, file in volume.files:
            if file.kind != FILE_VOLUME_IMAGE:
                continue
            for _, section in file.sections:
                if not (section.is_lzma() and isinstance(section.children, list)):
                    continue
                for inner in inner_volumes(section.children):
                    if any(f.kind == 0x05 for _, f in inner.files):
                        return volume, file, section, inner
    raise FormatError("no DXE volume (a volume holding the DXE core) inside an LZMA section of a volume image file")


def add_files(data, ffs_files):
    """DATA with FFS_FILES added to its DXE volume; the volume keeps its length and place."""
    image = Image(data)
    outer, carrier, section, dxe = dxe_volume_path(image)
    for ffs in ffs_files:
        dxe.add_file(ffs)
    section.changed = True
    index = [file for _, file in outer.files].index(carrier)
    new_carrier = carrier.to_bytes(outer.polarity)
    if outer.files[index + 1:] or outer.free_space() == 0 and outer.tail:
        raise FormatError(f"volume {outer.name}: files or data follow the volume image file, which would have to move")
    used = len(outer.head) + sum(len(p) + len(f.to_bytes(outer.polarity)) for p, f in outer.files[:index]) \
        + len(outer.files[index][0])
    room = outer.length - used
    if len(new_carrier) > room:
        raise FormatError(f"the recompressed DXE volume ({len(new_carrier)} bytes) does not fit in volume "
                          f"{outer.name} ({room} bytes from its place)")
    outer.tail = bytes([outer.polarity]) * (room - len(new_carrier))
    result = image.to_bytes()
    if len(result) != len(data):
        raise FormatError("internal: the image changed its length")
    return result


# ---- the FFS file of one driver -----------------------------------------------------------------------------

def section_bytes(kind, body):
    return (4 + len(body)).to_bytes(3, "little") + bytes([kind]) + body


def make_ffs(guid, name, pe32, depex, polarity=0xFF):
    """A DRIVER file: the PE32 image, the DXE_DEPEX section and the USER_INTERFACE name, with a data checksum."""
    body = bytearray()
    for kind, data in ((SECTION_DXE_DEPEX, depex), (SECTION_PE32, pe32),
                       (SECTION_USER_INTERFACE, (name + "\0").encode("utf-16-le"))):
        body += b"\0" * (align(len(body), 4) - len(body))
        body += section_bytes(kind, data)
    state = 0x07 ^ polarity  # header construction, header valid, data valid
    header = guid_bytes(guid) + bytes([0, 0, FILE_DRIVER, ATTRIB_CHECKSUM, 0, 0, 0, state])
    return build_file(header, bytes(body), polarity)


def load_description(path):
    with open(path, encoding="utf-8") as handle:
        try:
            description = json.load(handle)
        except json.JSONDecodeError as error:
            raise FormatError(f"{path}: not JSON: {error}") from error
    if not isinstance(description, dict) or not all(key in description for key in ("guid", "name", "depex")) or \
            not all(isinstance(entry, dict) and "guid" in entry for entry in description["depex"]):
        raise FormatError(f"{path}: needs guid, name and depex, a list of {{protocol, guid}}")
    return description


# ---- the command line -------------------------------------------------------------------------------------------

def listing(image):
    rows = []
    for volume in image.volumes():
        for depth, item in walk(volume):
            if isinstance(item, Volume):
                rows.append({"depth": depth, "kind": "volume", "guid": item.name or item.file_system,
                             "size": item.length, "free": item.free_space()})
                continue
            row = {"depth": depth, "kind": "file", "guid": item.guid,
                   "type": FILE_TYPES.get(item.kind, f"{item.kind:#04x}"),
                   "size": len(item.header) + len(item.body), "name": item.ui_name() if item.sections else ""}
            depex = item.section(SECTION_DXE_DEPEX)
            if depex is not None:
                row["depex"] = decode_depex(depex.body)
            rows.append(row)
    return rows


def print_listing(rows):
    for row in rows:
        indent = "  " * row["depth"]
        if row["kind"] == "volume":
            print(f"{indent}volume {row['guid']}  {row['size']:#x} bytes, {row['free']:#x} free")
        else:
            name = f"  {row['name']}" if row["name"] else ""
            print(f"{indent}{row['guid']}  {row['type']:<21} {row['size']:#9x}{name}")
            if "depex" in row:
                print(f"{indent}  depex: {row['depex']}")


def read_input(path):
    with open(path, "rb") as handle:
        return handle.read()


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0],
                                     formatter_class=argparse.RawDescriptionHelpFormatter, epilog=__doc__)
    commands = parser.add_subparsers(dest="command", required=True)
    show = commands.add_parser("list", help="list the volumes and files of an image")
    show.add_argument("image")
    show.add_argument("--json", action="store_true", help="one JSON array of volumes and files")
    ffs = commands.add_parser("ffs", help="build a driver's FFS file from its description and PE32 image")
    ffs.add_argument("--description", required=True, help="JSON: guid, name, depex [{protocol, guid}] (all ANDed)")
    ffs.add_argument("--pe32", required=True)
    ffs.add_argument("--out", required=True)
    ffs.add_argument("--depex-true", action="store_true", help="dependency expression TRUE instead (experiments)")
    add = commands.add_parser("add", help="add FFS files to the DXE volume; writes a new image")
    add.add_argument("image")
    add.add_argument("files", nargs="+")
    add.add_argument("--out", required=True, help="the new image (never the input)")
    args = parser.parse_args(argv)
    try:
        if args.command == "list":
            rows = listing(Image(read_input(args.image)))
            if args.json:
                print(json.dumps(rows, indent=1))
            else:
                print_listing(rows)
            return 0
        if args.command == "ffs":
            description = load_description(args.description)
            depex = encode_depex([] if args.depex_true else [entry["guid"] for entry in description["depex"]])
            pe32 = read_input(args.pe32)
            if pe32[:2] != b"MZ":
                raise FormatError(f"{args.pe32}: not a PE32 image (no MZ header)")
            output = make_ffs(description["guid"], description["name"], pe32, depex)
        else:
            if os.path.exists(args.out) and os.path.samefile(args.out, args.image):
                raise FormatError(f"{args.out}: the output would overwrite the input image")
            output = add_files(read_input(args.image), [read_input(path) for path in args.files])
        temporary = args.out + ".part"
        with open(temporary, "wb") as handle:
            handle.write(output)
        os.replace(temporary, args.out)
        return 0
    except FormatError as error:
        print(f"firmware_volume: {error}", file=sys.stderr)
        return 1
    except OSError as error:
        print(f"firmware_volume: {error.filename}: {error.strerror}", file=sys.stderr)
        return 2


if __name__ == "__main__":
    sys.exit(main())
