"""docs/board-profile.schema.json against the loader, through a real JSON Schema validator.

The schema is generated from the loader's field table; this test proves that the checked-in file
is the generated one, that every built-in board keeps to it, and that the validator and the loader
(setup-sim --print-profile, which reads a profile as a boot does) agree on a table of wrong
profiles (both refuse) and of the documented forms (both accept).

Run as: schema_validator_test.py SETUP_SIM SCHEMA_FILE BOARDS_DIR
"""
import json
import os
import subprocess
import sys
import tempfile
import unittest

import jsonschema

SETUP_SIM, SCHEMA_FILE, BOARDS_DIR = sys.argv[1:4]
GUID = "EC87D643-EBA4-4BB5-A1E5-3F3E36B20DA9"


def variable(**fields):
    entry = {"name": "A", "guid": GUID, "attributes": 7, "data": "00"}
    entry.update(fields)
    return {"variables": [entry]}


# Each refused by both. A profile without extends is a whole board; with it, a patch over its base.
WRONG = {
    "names and GUIDs that are numbers": {"variables": [{"name": 5, "guid": 7, "attributes": 7, "data": "00"}]},
    "a variable without data": {"variables": [{"name": "A", "guid": GUID, "attributes": 7}]},
    "volatile attributes": variable(attributes=6),
    "a malformed GUID": variable(guid="EC87D643"),
    "a zero inside a name": variable(name="A\u0000B"),
    "odd hex digits": variable(data="0 1"),
    "an unknown field": {"nmae": "x"},
    "an unknown field in a patch": {"extends": "reference", "firmware": {"vendr": "x"}},
    "a vendor that is a number": {"firmware": {"vendor": 5}},
    "a zero inside the vendor": {"firmware": {"vendor": "Or\u0000vantic"}},
    "an install timing not among the choices": {"protocols": {"string_service": "sometimes"}},
    "a byte out of range": {"protocols": {"board_condition": 256}},
    "a negative number": {"firmware": {"firmware_revision": -1}},
    "a fraction": {"firmware": {"firmware_revision": 1.5}},
    "a port that is no number": {"hardware": {"ports": {"x": 1}}},
    "a HOB without its type": {"hobs": [{"guid": GUID}]},
    "a HOB's raw form with the fields of another": {"hobs": [{"raw": "00", "type": 4}]},
    "five FRU texts": {"peripherals": {"fru": {"texts": ["a", "b", "c", "d", "e"]}}},
    "FRU texts without the texts": {"peripherals": {"fru": {"valid": 1}}},
    "a brand beyond ASCII": {"processor": {"cpu_info": {"records": [{"brand": "\u00e9"}]}}},
    "a brand too long": {"processor": {"cpu_info": {"records": [{"brand": "x" * 256}]}}},
    "a DIMM slot beyond the record": {"memory": {"info": {"dimms": [{"slot": 36}]}}},
    "a DIMM state not among the choices": {"memory": {"info": {"dimms": [{"slot": 0, "state": "tired"}]}}},
    "three core counts": {"processor": {"cpu_package": {"packages": [{"core_counts": [1, 2, 3]}]}}},
    "no readings": {"hardware_monitor": {"banks": {"0": {"0x20": []}}}},
    "a MAC address too short": {"peripherals": {"network": [
        {"bus": 0, "device": 25, "function": 0, "device_id": "0x1502", "mac": "00-1E-67"}]}},
    "a PCI device number beyond 31": {"hardware": {"pci": [{"bus": 0, "device": 32, "function": 0, "config": "00"}]}},
    "a storage PCI kind not among the choices": {"storage": {"pci": [
        {"kind": "usb", "bus": 0, "device": 1, "function": 0, "device_id": 1}]}},
    "an array in a patch holds whole elements": {"extends": "reference", "variables": [{"name": "A"}]},
}

# Each accepted by both: the forms docs/board-profile.md documents.
DOCUMENTED = {
    "the memory information raw": {"memory": {"info": {"raw": "00 01"}}},
    "the memory information raw over a base of fields": {"extends": "reference", "memory": {"info": {
        "raw": "00", "dimm_speed": None, "ras_mode": None, "total_mb": None, "capabilities": None, "dimms": None}}},
    "the host data block": {"memory": {"host_data": {"install": "never", "block": {"size": 1024}}}},
    "DIMM states by name and number": {"memory": {"info": {"dimms": [
        {"slot": 0, "state": "mirrored"}, {"slot": 1, "state": 254}, {"slot": 2, "state": "0x10"}]}}},
    "an option ROM image": {"storage": {"option_roms": [{"segment": "0xC800", "image": "55 AA 01"}]}},
    "an option ROM of headers": {"storage": {"option_roms": [
        {"segment": "0xC800", "headers": [{"ports": 1, "product": "SAS"}]}]}},
    "null among the FRU texts": {"peripherals": {"fru": {"texts": ["a", None, "c", "d", "e", "f"]}}},
    "a null vendor": {"firmware": {"vendor": None}},
    "a null that removes the vendor of the base": {"extends": "reference", "firmware": {"vendor": None}},
    "hex with blanks, ASCII, UTF-16 and layouts": {"variables": [
        {"name": "A", "guid": GUID, "attributes": 7, "data": "45 6E 67"},
        {"name": "B", "guid": GUID, "attributes": 3, "data": {"ascii": "eng", "terminated": True}},
        {"name": "C", "guid": GUID, "attributes": 3, "data": {"utf16": "en-US", "terminated": True}},
        {"name": "D", "guid": GUID, "attributes": 3, "data": {
            "size": 8, "fill": 0, "at": {"1": {"u8": 1}, "2": "AA", "4": {"size": 2, "at": {"0": {"u16": 1500}}}}}}]},
    "HOBs raw, laid out and short": {"hobs": [
        {"raw": "04 00 03 00"}, {"type": 4, "guid": GUID, "data": "01"},
        {"processor_ratios": {"count": 32, "ratio": 26, "min_ratio": 12}}]},
    "numbers as decimal and hex strings": {"protocols": {"board_condition": "0x10", "board_registers": {"0x8310": "42"}}},
    "readings as a byte and as a list": {"hardware_monitor": {"banks": {"6": {"0x56": "0x0B", "0x57": ["0xA0", 1]}}}},
    "a disk's identify data raw": {"storage": {"disks": [{"channel": 0, "identify": {"raw": "40 00"}}]}},
    "a patch that changes one field": {"extends": "reference", "name": "mine",
                                       "protocols": {"board_registers": {"0x8310": "0x32"}}},
}


def loader_accepts(profile):
    with tempfile.NamedTemporaryFile("w", suffix=".json", delete=False) as file:
        json.dump(profile, file)
    try:
        run = subprocess.run([SETUP_SIM, "--board", file.name, "--print-profile"], capture_output=True, text=True,
                             timeout=60)
    finally:
        os.unlink(file.name)
    return run.returncode == 0, run.stderr.strip()


class Schema(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        with open(SCHEMA_FILE, encoding="utf-8") as file:
            cls.schema = json.load(file)
        jsonschema.Draft202012Validator.check_schema(cls.schema)
        cls.validator = jsonschema.Draft202012Validator(cls.schema)

    def test_the_file_is_the_one_the_loader_generates(self):
        generated = subprocess.run([SETUP_SIM, "--print-profile-schema"], capture_output=True, text=True, check=True)
        self.assertEqual(json.loads(generated.stdout), self.schema,
                         "docs/board-profile.schema.json is stale: regenerate it with "
                         "setup-sim --print-profile-schema > docs/board-profile.schema.json")

    def test_every_built_in_board_keeps_to_it(self):
        for name in sorted(os.listdir(BOARDS_DIR)):
            if not name.endswith(".json") or name == "package-lists.json":
                continue
            with self.subTest(board=name), open(os.path.join(BOARDS_DIR, name), encoding="utf-8") as file:
                errors = [error.message for error in self.validator.iter_errors(json.load(file))]
                self.assertEqual(errors, [])

    def test_both_refuse_each_wrong_profile(self):
        for what, profile in WRONG.items():
            with self.subTest(what):
                self.assertFalse(self.validator.is_valid(profile), "the schema accepts it")
                accepted, _ = loader_accepts(profile)
                self.assertFalse(accepted, "the loader accepts it")

    def test_both_accept_each_documented_form(self):
        for what, profile in DOCUMENTED.items():
            with self.subTest(what):
                errors = [error.message for error in self.validator.iter_errors(profile)]
                self.assertEqual(errors, [], "the schema refuses it")
                accepted, message = loader_accepts(profile)
                self.assertTrue(accepted, message)


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1])
