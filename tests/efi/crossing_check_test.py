"""A store crossing into the firmware: the check that the firmware's boot shows the change."""
import os
import sys
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "..", "efi"))
import crossing_check  # noqa: E402
from compare import SETUP_GUID, InputError  # noqa: E402


def report(setup_hex, strings):
    return {"variables": [{"name": "Setup", "guid": SETUP_GUID.lower(), "attributes": 7, "data": setup_hex}],
            "strings": strings}


class SetupBytes(unittest.TestCase):
    def test_each_edit_is_checked_against_the_firmware_s_setup_bytes(self):
        cases = [  # (edits, failures)
            ([(0, 0x02), (2, 0xFF)], []),
            ([(1, 0x01)], ["Setup byte 0x1: expected 0x01, the firmware shows 0x00"]),
            ([(3, 0x00)], ["Setup byte 0x3: expected 0x00, the firmware shows none (Setup is 3 bytes)"]),
        ]
        data = crossing_check.setup_bytes(report("0200FF", {}))
        for edits, failures in cases:
            with self.subTest(edits=edits):
                self.assertEqual(crossing_check.setup_failures(data, edits), failures)

    def test_bad_edits_and_a_report_without_setup_are_refused(self):
        for text in ("4", "x=1", "4=0x100", "-1=0"):
            with self.subTest(text=text), self.assertRaises(InputError):
                crossing_check.parse_edit(text)
        self.assertEqual(crossing_check.parse_edit("0x10F=0x1"), (0x10F, 1))
        with self.assertRaises(InputError):
            crossing_check.setup_bytes({"variables": [{"name": "Setup", "guid": "0-0", "data": "00"}]})


class FollowingStrings(unittest.TestCase):
    def test_the_strings_the_change_alters_must_show_their_new_text(self):
        baseline = {"strings": {"2": {"273": "QEMU HARDDISK", "9": "same"}}}
        prediction = {"strings": {"2": {"273": "Disabled", "274": "Disabled", "9": "same"}}}
        changed = crossing_check.following_strings(baseline, prediction)
        self.assertEqual(changed, [("2", "273", "QEMU HARDDISK", "Disabled"), ("2", "274", None, "Disabled")])
        cases = [  # (firmware strings, failures)
            ({"2": {"273": "Disabled", "274": "Disabled"}}, []),
            ({"2": {"273": "QEMU HARDDISK", "274": "Disabled"}},
             ['string class 2 id 273: expected "Disabled", the firmware shows "QEMU HARDDISK"']),
            ({"2": {"273": "Disabled"}}, []),  # a list without id 274: the driver's write is not held
            ({"2": None}, ["the change alters none of the strings the firmware's lists hold in the simulator's "
                           "prediction"]),
        ]
        for strings, failures in cases:
            with self.subTest(strings=strings):
                self.assertEqual(crossing_check.string_failures(report("", strings), changed), failures)

    def test_a_change_that_alters_no_string_is_a_failure(self):
        same = {"strings": {"2": {"9": "same"}}}
        self.assertEqual(crossing_check.string_failures(report("", {}), crossing_check.following_strings(same, same)),
                         ["the change alters none of the strings the firmware's lists hold in the simulator's "
                          "prediction"])


if __name__ == "__main__":
    unittest.main()
