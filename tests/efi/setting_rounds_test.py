"""Every setting through the real browser: the rounds that pick each option once, and
the check of the HII database exported on real firmware."""
import os
import struct
import sys
import unittest
import uuid

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "..", "efi"))
import form_browser  # noqa: E402
import hii_export_check  # noqa: E402
import setting_rounds  # noqa: E402


def setting(prompt, options, default):
    return {"kind": "setting", "prompt": prompt, "default": default, "options": [{"text": t} for t in options]}


PAGES = [
    {"class": 2, "published": True, "removed": False, "forms": [
        {"id": 1, "title": "Advanced", "items": [{"kind": "form", "prompt": "Storage", "form": 2},
                                                 {"kind": "form", "prompt": "Power", "form": 3}]},
        {"id": 2, "title": "Storage", "items": [setting("SATA Mode", ["Off", "Channel", "Port"], "Port")]},
        {"id": 3, "title": "Power", "items": [{"kind": "text", "prompt": "PSU"}]}]},
    {"class": 64, "published": True, "removed": False, "forms": [
        {"id": 1, "title": "Server", "items": [setting("Speed", ["9600", "19200", "38400", "57600", "115200"],
                                                       "115200")]}]},
    {"class": 4, "published": True, "removed": True, "forms": [
        {"id": 1, "title": "Chipset", "items": [setting("LAN", ["Disabled", "Enabled"], "Enabled")]}]},
]


class Rounds(unittest.TestCase):
    def test_each_option_is_picked_once_and_every_round_changes_every_setting(self):
        count = setting_rounds.round_count(PAGES)
        self.assertEqual(count, 5)
        rounds = [setting_rounds.round_choices(PAGES, r) for r in range(1, count + 1)]
        self.assertEqual([r["Speed"] for r in rounds], ["9600", "19200", "38400", "57600", "115200"])
        self.assertEqual([r["SATA Mode"] for r in rounds], ["Off", "Channel", "Port", "Off", "Channel"])
        for before, after in zip([{"SATA Mode": "Port", "Speed": "115200"}] + rounds, rounds):
            self.assertTrue(all(before[name] != after[name] for name in after), (before, after))
        self.assertEqual(setting_rounds.unreachable_settings(PAGES), ["LAN"])
        self.assertEqual(setting_rounds.setting_classes(PAGES), [2, 64])

    def test_a_settings_walk_enters_only_the_way_to_settings(self):
        plan = form_browser.Plan(False, {}, "settings")
        advanced = PAGES[0]
        self.assertEqual([plan.enters(advanced, form) for form in advanced["forms"]], [True, True, False])
        self.assertTrue(plan.enters(PAGES[1], PAGES[1]["forms"][0]))
        self.assertTrue(form_browser.Plan(False, {}).enters(advanced, advanced["forms"][2]), "a whole walk")


def package_list(guid, *packages):
    body = b"".join(packages) + struct.pack("<I", 4 | 0xDF << 24)
    return uuid.UUID(guid).bytes_le + struct.pack("<I", 20 + len(body)) + body


class ExportedDatabase(unittest.TestCase):
    FORM_SET = "53466CED-D6A6-4FD1-879F-0262911E4CB2"

    def test_form_packages_are_found_by_their_form_set(self):
        forms = struct.pack("<I", 29 | 0x02 << 24) + bytes([0x0E, 0x97]) + uuid.UUID(self.FORM_SET).bytes_le + \
            bytes(5) + bytes([0x29, 0x02])
        strings = struct.pack("<I", 8 | 0x04 << 24) + bytes(4)
        data = package_list("11111111-2222-3333-4444-555555555555", strings, forms) + \
            package_list("66666666-2222-3333-4444-555555555555")
        self.assertEqual(hii_export_check.exported_form_packages(data), {self.FORM_SET: forms})
        with self.assertRaisesRegex(ValueError, "package list at byte 0"):
            hii_export_check.exported_form_packages(data[:30])

    def test_only_the_drivers_texts_may_differ(self):
        def op(prompt, text_two):
            return {"offset": 4, "opcode": "Text", "fields": {"Prompt": {"id": 1, "text": prompt},
                                                               "TextTwo": {"id": 9, "text": text_two}}}
        same = hii_export_check.comparable([op("Vendor", "Unknown")])
        self.assertEqual(hii_export_check.comparable([op("Vendor", "OVMF")]), same)
        self.assertNotEqual(hii_export_check.comparable([op("Maker", "Unknown")]), same)


if __name__ == "__main__":
    unittest.main()
