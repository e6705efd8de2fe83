"""Tests of efi/firmware_volume.py on a small image built here (always) and on OVMF's own image (when it
is installed, or when FIRMWARE_VOLUME_TESTS_REQUIRE=1 says it must be, as efi/run-dispatched does):
reading with checksums, a byte-identical round trip, adding files to the DXE volume and the refusals,
the dependency expressions of our two FFS files, and OVMF's listing against uefiextract's report."""
import io
import json
import lzma
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import unittest
from contextlib import redirect_stderr, redirect_stdout

ROOT = os.path.join(os.path.dirname(__file__), "..", "..")
sys.path.insert(0, os.path.join(ROOT, "efi"))

import firmware_volume as fv  # noqa: E402

OVMF_CODE = os.environ.get("OVMF_CODE", "/usr/share/OVMF/OVMF_CODE_4M.fd")
REQUIRE_OVMF = os.environ.get("FIRMWARE_VOLUME_TESTS_REQUIRE") == "1"

DXE_NAME = "7CB8BDC9-F8EB-4F34-AAEA-3EE4AF6516A1"
COMPACT_NAME = "48DB5E17-707C-472D-91CD-1613E7EF51B0"
CORE_GUID = "D6A2CB7F-6A18-4E2F-B43B-9920A733700A"
NEW_GUID = "11111111-2222-3333-4444-555555555555"


def volume(name, files, length):
    """A volume of LENGTH bytes named NAME holding FILES, erase polarity 1, as OVMF lays them out."""
    header = bytearray(0x48)
    header[16:32] = fv.guid_bytes(fv.FFS2_GUID)
    struct.pack_into("<QIIHHHBB", header, 32, length, 0x4856465F, 0x4FEFF, 0x48, 0, 0x48, 0, 2)
    struct.pack_into("<IIII", header, 56, length // 0x1000, 0x1000, 0, 0)
    struct.pack_into("<H", header, 50, (-fv.sum16(header)) & 0xFFFF)
    data = bytearray(header + fv.guid_bytes(name) + struct.pack("<I", 20))
    for file in files:
        data += b"\xff" * (fv.align(len(data), 8) - len(data)) + file
    assert len(data) <= length
    return bytes(data + b"\xff" * (length - len(data)))


def plain_file(guid, kind, body, checksum=False):
    header = fv.guid_bytes(guid) + bytes([0, 0, kind, fv.ATTRIB_CHECKSUM if checksum else 0, 0, 0, 0, 0xF8])
    return fv.build_file(header, body, 0xFF)


def lzma_section(sections):
    plain = b"".join(sections)
    payload = bytearray(lzma.compress(plain, format=lzma.FORMAT_ALONE))
    struct.pack_into("<Q", payload, 5, len(plain))
    header = fv.guid_bytes(fv.LZMA_GUID) + struct.pack("<HH", 0x18, 1)
    return fv.section_bytes(fv.SECTION_GUID_DEFINED, header + bytes(payload))


def volume_section(data):
    return fv.section_bytes(fv.SECTION_VOLUME_IMAGE, data)


def small_image(dxe_length=0x4000, compact_length=0x2000, dxe_files=None, after_carrier=()):
    """Compact volume (volume image file > LZMA section > a PEI volume and a DXE volume), then a second volume."""
    if dxe_files is None:
        dxe_files = [plain_file(CORE_GUID, 0x05, fv.section_bytes(fv.SECTION_PE32, b"MZ core")),
                     fv.make_ffs("22222222-0000-0000-0000-000000000001", "Existing", b"MZ driver",
                                 fv.encode_depex([]))]
    pei = volume("6938079B-B503-4E3D-9D24-B28337A25806", [plain_file("33333333-0000-0000-0000-000000000001", 0x02,
                                                                     fv.section_bytes(0x19, b"raw"))], 0x1000)
    dxe = volume(DXE_NAME, dxe_files, dxe_length)
    inner = fv.section_bytes(0x19, b"\0" * 8)
    for data in (pei, dxe):
        inner += b"\0" * (fv.align(len(inner), 4) - len(inner)) + volume_section(data)
    carrier = plain_file("9E21FD93-9C72-4C15-8C4B-E77F1DB2D792", fv.FILE_VOLUME_IMAGE, lzma_section([inner]))
    compact = volume(COMPACT_NAME, [carrier, *after_carrier], compact_length)
    top = volume("763BED0D-DE9F-48F5-81F1-3E90E1B1A015", [plain_file("44444444-0000-0000-0000-000000000001", 0x01,
                                                                     b"top")], 0x1000)
    return compact + top


def driver_ffs(guid=NEW_GUID, size=64, name="NewDriver"):
    return fv.make_ffs(guid, name, b"MZ" + os.urandom(size), fv.encode_depex([]))


def dxe_files(data):
    _, _, _, dxe = fv.dxe_volume_path(fv.Image(data))
    return dxe


def ovmf_image():
    if not os.path.exists(OVMF_CODE):
        if REQUIRE_OVMF:
            raise AssertionError(f"{OVMF_CODE} is missing")
        raise unittest.SkipTest(f"{OVMF_CODE} is not installed")
    with open(OVMF_CODE, "rb") as handle:
        return handle.read()


class RoundTripTest(unittest.TestCase):
    def test_unmodified_images_come_back_byte_identical(self):
        self.assertEqual(small_image(), fv.Image(small_image()).to_bytes())

    def test_ovmf_comes_back_byte_identical_and_its_dxe_volume_too(self):
        data = ovmf_image()
        image = fv.Image(data)
        self.assertEqual(data, image.to_bytes())
        _, _, section, dxe = fv.dxe_volume_path(image)
        self.assertEqual(DXE_NAME, dxe.name)
        self.assertEqual(0xC00000, dxe.length)
        plain = fv.lzma_decompress(section.body, "test")
        self.assertEqual(plain, b"".join(padding + child.to_bytes() for padding, child in section.children))


class ReadingChecksTest(unittest.TestCase):
    def test_damage_is_named(self):
        clean = small_image()
        compact_end = 0x2000
        first_file = 0x60

        def flip(offset, bits=0x01):
            damaged = bytearray(clean)
            damaged[offset] ^= bits
            return bytes(damaged)

        def lzma_size(data):
            # The size field of the LZMA header: 8 bytes at 5 into the payload after the 0x18-byte section header.
            damaged = bytearray(data)
            struct.pack_into("<Q", damaged, first_file + 24 + 0x18 + 5, 0x10)
            return bytes(damaged)

        cases = [
            ("volume header", flip(0x30), "header checksum fails"),
            ("file header", flip(first_file + 18), "header checksum fails"),
            ("file state: data not valid", flip(first_file + 23, 0x04), "not a valid file"),
            ("file data without checksum attribute", flip(first_file + 17), "0xAA expected"),
            ("LZMA size", lzma_size(clean), "LZMA"),
            ("second volume's header", flip(compact_end + 0x31), "header checksum fails"),
            ("truncated", clean[:compact_end - 0x100], "run past the end"),
        ]
        for what, data, message in cases:
            with self.subTest(what):
                with self.assertRaisesRegex(fv.FormatError, message):
                    fv.Image(data)

    def test_a_data_checksum_is_checked_when_the_file_carries_one(self):
        good = plain_file("55555555-0000-0000-0000-000000000001", 0x02, fv.section_bytes(0x19, b"data"), checksum=True)
        fv.read_file_header(good, 0, 0xFF, "test")
        bad = bytearray(good)
        bad[-1] ^= 0x10
        with self.assertRaisesRegex(fv.FormatError, "data checksum fails"):
            fv.read_file_header(bytes(bad), 0, 0xFF, "test")

    def test_no_damaged_byte_crashes_the_reader(self):
        # Every byte of the headers and a sample of the rest, flipped or cut: read or refused, never a crash.
        clean = small_image()
        offsets = list(range(0, 0x120)) + list(range(0x120, len(clean), 97))
        for offset in offsets:
            for data in (clean[:offset], clean[:offset] + bytes([clean[offset] ^ 0xFF]) + clean[offset + 1:]):
                try:
                    fv.listing(fv.Image(data))
                except fv.FormatError:
                    pass


class AddTest(unittest.TestCase):
    def test_added_files_land_in_the_dxe_volume_and_nothing_else_moves(self):
        original = small_image()
        new = [driver_ffs(), driver_ffs("11111111-2222-3333-4444-666666666666", 100, "Other")]
        result = fv.add_files(original, new)
        self.assertEqual(len(original), len(result))
        self.assertEqual(original[0x2000:], result[0x2000:], "the second volume is untouched")
        self.assertEqual(original[:0x60], result[:0x60], "the compact volume's header is untouched")
        before, after = dxe_files(original), dxe_files(result)
        self.assertEqual(before.length, after.length)
        self.assertEqual([f.to_bytes(0xFF) for _, f in before.files], [f.to_bytes(0xFF) for _, f in after.files[:2]])
        self.assertEqual(new, [f.to_bytes(0xFF) for _, f in after.files[2:]])
        for padding, _ in after.files:
            self.assertEqual(b"\xff" * len(padding), padding)
        names = [row["name"] for row in fv.listing(fv.Image(result)) if row["kind"] == "file"]
        self.assertIn("NewDriver", names)
        self.assertIn("Other", names)

    def test_refusals(self):
        image = small_image()
        cases = [
            ("GUID already in the volume", [driver_ffs("22222222-0000-0000-0000-000000000001")], "already in volume"),
            ("the same GUID twice", [driver_ffs(), driver_ffs()], "already in volume"),
            ("larger than the free space", [driver_ffs(size=0x4000)], "does not fit in volume " + DXE_NAME),
            ("recompressed volume too large", [driver_ffs(size=0x2C00)], "does not fit in volume " + COMPACT_NAME),
            ("bytes after the file", [driver_ffs() + b"\xff" * 8], "bytes after its end"),
        ]
        for what, files, message in cases:
            with self.subTest(what):
                with self.assertRaisesRegex(fv.FormatError, message):
                    fv.add_files(image, files)

    def test_a_file_after_the_compressed_volume_is_not_moved(self):
        image = small_image(after_carrier=[plain_file("66666666-0000-0000-0000-000000000001", 0x01, b"after")])
        with self.assertRaisesRegex(fv.FormatError, "follow the volume image file"):
            fv.add_files(image, [driver_ffs()])

    def test_an_image_without_a_dxe_volume_is_refused(self):
        plain = volume(COMPACT_NAME, [plain_file("44444444-0000-0000-0000-000000000001", 0x01, b"x")], 0x1000)
        with self.assertRaisesRegex(fv.FormatError, "no DXE volume"):
            fv.add_files(plain, [driver_ffs()])


class DependencyExpressionTest(unittest.TestCase):
    def test_encoding_and_decoding(self):
        a, b = "1E5668E2-8481-11D4-BCF1-0080C73C8881", "6441F818-6362-4E44-B570-7DBA31DD2453"
        push_a, push_b = b"\x02" + fv.guid_bytes(a), b"\x02" + fv.guid_bytes(b)
        cases = [
            ([], b"\x06\x08", "TRUE"),
            ([a], push_a + b"\x08", a),
            ([a, b], push_a + push_b + b"\x03\x08", f"{a} AND {b}"),
            ([a, b, a], push_a + push_b + b"\x03" + push_a + b"\x03\x08", f"({a} AND {b}) AND {a}"),
        ]
        for guids, code, text in cases:
            with self.subTest(text):
                self.assertEqual(code, fv.encode_depex(guids))
                self.assertEqual(text, fv.decode_depex(code))
        self.assertEqual(f"NOT {a} OR FALSE", fv.decode_depex(push_a + b"\x05\x07\x04\x08"))

    def test_malformed_expressions_are_refused(self):
        push = b"\x02" + bytes(16)
        cases = [("empty", b""), ("no END", push), ("AND of one", push + b"\x03\x08"), ("NOT of none", b"\x05\x08"),
                 ("two values", push + push + b"\x08"), ("bytes after END", b"\x06\x08\x00"),
                 ("short GUID", b"\x02" + bytes(8)), ("unknown opcode", b"\x0A\x08")]
        for what, code in cases:
            with self.subTest(what):
                with self.assertRaises(fv.FormatError):
                    fv.decode_depex(code)

    def test_our_files_carry_the_expressions_we_mean(self):
        # Written out here on purpose, independently of efi/ffs/*.json: what each entry point needs.
        expected = {
            "setup_driver.json": ("69ECE4AF-2EA2-419E-AE16-DC574179FC62", "SetupDriver",
                                  "((((1E5668E2-8481-11D4-BCF1-0080C73C8881 AND 6441F818-6362-4E44-B570-7DBA31DD2453)"
                                  " AND EA816D2C-CEE5-4F02-99B5-D3905CBBD077)"
                                  " AND 67B5787C-0E6A-4796-943E-A093B73A0267)"
                                  " AND 41367D78-0977-11E0-9D9C-001D9294198F)"
                                  " AND 9851740C-22E0-440D-9090-EF2D71C251C9"),
            "companion.json": ("0999E214-D76D-4123-A712-C785E2B811FA", "SetupCompanion",
                               "EF9FC172-A1B2-4693-B327-6D32FC416042 AND 0FD96974-23AA-4CDC-B9CB-98D17750322A"),
        }
        with tempfile.TemporaryDirectory() as folder:
            pe32 = os.path.join(folder, "image.efi")
            with open(pe32, "wb") as handle:
                handle.write(b"MZ" + bytes(300))
            for description, (guid, name, depex) in expected.items():
                with self.subTest(description):
                    out = os.path.join(folder, description + ".ffs")
                    self.assertEqual(0, fv.main(["ffs", "--description", os.path.join(ROOT, "efi", "ffs", description),
                                                 "--pe32", pe32, "--out", out]))
                    with open(out, "rb") as handle:
                        ffs = handle.read()
                    header, end = fv.read_file_header(ffs, 0, 0xFF, description)
                    self.assertEqual(len(ffs), end)
                    file = fv.File(header, ffs[len(header):], fv.read_sections(ffs[len(header):], description))
                    self.assertEqual((guid, fv.FILE_DRIVER, name), (file.guid, file.kind, file.ui_name()))
                    self.assertEqual(depex, fv.decode_depex(file.section(fv.SECTION_DXE_DEPEX).body))
                    self.assertEqual(b"MZ" + bytes(300), file.section(fv.SECTION_PE32).body)


class CommandLineTest(unittest.TestCase):
    def run_tool(self, *args):
        out, err = io.StringIO(), io.StringIO()
        with redirect_stdout(out), redirect_stderr(err):
            status = fv.main(list(args))
        return status, out.getvalue(), err.getvalue()

    def test_list_add_and_the_users_files(self):
        with tempfile.TemporaryDirectory() as folder:
            image, ffs, out = (os.path.join(folder, name) for name in ("code.fd", "new.ffs", "patched.fd"))
            with open(image, "wb") as handle:
                handle.write(small_image())
            with open(ffs, "wb") as handle:
                handle.write(driver_ffs())
            status, text, _ = self.run_tool("list", image, "--json")
            self.assertEqual(0, status)
            rows = json.loads(text)
            self.assertEqual(["volume", "file", "volume", "file", "volume", "file", "file", "volume", "file"],
                             [row["kind"] for row in rows])
            self.assertEqual("TRUE", rows[6]["depex"])
            self.assertEqual((1, ""), self.run_tool("add", image, ffs, "--out", image)[0:2])
            self.assertEqual(0, self.run_tool("add", image, ffs, "--out", out)[0])
            status, text, _ = self.run_tool("list", out)
            self.assertIn(f"{NEW_GUID}  DRIVER", text)
            status, _, error = self.run_tool("add", out, ffs, "--out", os.path.join(folder, "twice.fd"))
            self.assertEqual(1, status)
            self.assertIn(f"a file with GUID {NEW_GUID} is already in volume {DXE_NAME}", error)
            self.assertFalse(os.path.exists(os.path.join(folder, "twice.fd")))
            with open(image, "rb") as handle:
                self.assertEqual(small_image()[:0x60], handle.read()[:0x60])
            status, _, error = self.run_tool("list", os.path.join(folder, "missing.fd"))
            self.assertEqual((2, True), (status, "missing.fd" in error))

    def test_ffs_refuses_what_it_cannot_pack(self):
        with tempfile.TemporaryDirectory() as folder:
            description, pe32, out = (os.path.join(folder, name) for name in ("description.json", "image.efi", "out.ffs"))
            good_description = {"guid": NEW_GUID, "name": "X", "depex": [{"protocol": "P", "guid": NEW_GUID}]}
            cases = [
                ("not a PE32 image", good_description, b"ELF", "not a PE32 image"),
                ("not JSON", "{", b"MZ", "not JSON"),
                ("no name", {"guid": NEW_GUID, "depex": []}, b"MZ", "needs guid, name and depex"),
                ("a protocol without GUID", dict(good_description, depex=[{"protocol": "P"}]), b"MZ", "needs guid"),
                ("a bad GUID", dict(good_description, guid="1234"), b"MZ", "not a GUID"),
            ]
            for what, text, image, message in cases:
                with self.subTest(what):
                    with open(description, "w", encoding="utf-8") as handle:
                        handle.write(text if isinstance(text, str) else json.dumps(text))
                    with open(pe32, "wb") as handle:
                        handle.write(image)
                    status, _, error = self.run_tool("ffs", "--description", description, "--pe32", pe32, "--out", out)
                    self.assertEqual(1, status)
                    self.assertIn(message, error)
                    self.assertFalse(os.path.exists(out))


class OvmfListingTest(unittest.TestCase):
    """Our listing of OVMF's image against uefiextract's report of the same file (Debian's uefitool-cli)."""

    def test_listing_matches_uefiextract(self):
        data = ovmf_image()
        extract = shutil.which("UEFIExtract") or shutil.which("uefiextract")
        if extract is None:
            if REQUIRE_OVMF:
                self.fail("UEFIExtract is missing (scripts/deps uefitool-cli)")
            self.skipTest("UEFIExtract is not installed")
        with tempfile.TemporaryDirectory() as folder:
            copy = os.path.join(folder, "code.fd")
            with open(copy, "wb") as handle:
                handle.write(data)
            subprocess.run([extract, copy, "report"], check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            with open(copy + ".report.txt", encoding="utf-8", errors="replace") as handle:
                report = handle.read().splitlines()[1:]
        expected = []
        for line in report:
            fields = [field.strip() for field in line.split("|")]
            if fields[0] not in ("Volume", "File"):
                continue
            guid = fields[5].lstrip("- ")
            guid = fv.PAD_GUID if guid == "Padding file" else guid
            expected.append((fields[0].lower(), guid, int(fields[3], 16), fields[6] if len(fields) > 6 else ""))
        rows = fv.listing(fv.Image(data))
        self.assertGreater(len(expected), 100)
        self.assertEqual([row[:3] for row in expected], [(row["kind"], row["guid"], row["size"]) for row in rows])
        # uefiextract names files without a name section after their GUID ("PEI apriori file"): compare ours.
        for (_, guid, _, name), row in zip(expected, rows):
            if row.get("name"):
                self.assertEqual((guid, name), (guid, row["name"]))

if __name__ == "__main__":
    unittest.main()
