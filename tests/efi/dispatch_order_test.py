"""The checks of the boots whose firmware dispatched the drivers: the order of the companion's
record and serial markers, the dependency-expression-TRUE boot, and the machine the simulator
is given for those boots."""
import os
import sys
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "..", "efi"))
import compare  # noqa: E402
import dispatch_order  # noqa: E402
from dispatched_machine import dispatched_profile, settle_languages  # noqa: E402

GLOBAL = dispatch_order.GLOBAL_GUID
SETUP = "EC87D643-EBA4-4BB5-A1E5-3F3E36B20DA9"
SERIAL = "\n".join(marker for _, marker in dispatch_order.SERIAL_MARKERS) + "\n{}\n"

STARTED, QUERY, END, TRIGGER, PUBLISHED, OTHER = ("companion-started-in-dxe", "board-condition-queried", "end-of-dxe",
                                                  "protocol-installed", "package-list-published", "string-written")
FIRST_BOOT = [STARTED, PUBLISHED, OTHER, PUBLISHED, QUERY, END, TRIGGER]
LATER_BOOT = [STARTED, QUERY, END, TRIGGER, PUBLISHED, OTHER, PUBLISHED]


def report(kinds, variables=(), **run):
    return {"run": dict({"status": 0, "trigger": False, "dispatched": True}, **run), "dispatched_companion_status": 0,
            "activity": [{"kind": kind, "values": {}} for kind in kinds],
            "variables": [{"name": n, "guid": g, "attributes": 7, "data": "00"} for n, g in variables]}


def failures(check, *args):
    cmp = compare.Comparison()
    check(cmp, *args)
    return cmp.failures


class OrderTest(unittest.TestCase):
    def test_order_of_the_record_and_the_markers(self):
        markers = [marker for _, marker in dispatch_order.SERIAL_MARKERS]
        swapped = "\n".join([markers[0], markers[2], markers[1]] + markers[3:])
        cases = [
            ("first boot as it should be", 1, FIRST_BOOT, SERIAL, None),
            ("later boot as it should be", 2, LATER_BOOT, SERIAL, None),
            ("entry after EndOfDxe", 2, [STARTED, END, TRIGGER, QUERY, PUBLISHED], SERIAL, "before EndOfDxe"),
            ("no entry at all", 1, [STARTED, END, TRIGGER], SERIAL, "before EndOfDxe"),
            ("companion not first", 1, [OTHER] + FIRST_BOOT, SERIAL, "starts with its start in DXE"),
            ("no trigger at EndOfDxe", 2, [STARTED, QUERY, END, OTHER, PUBLISHED], SERIAL, "installed at EndOfDxe"),
            ("first boot publishing after the entry", 1, [STARTED, QUERY, END, TRIGGER, PUBLISHED], SERIAL,
             "inside the entry point"),
            ("later boot publishing before the trigger", 2, [STARTED, PUBLISHED, QUERY, END, TRIGGER], SERIAL,
             "after the trigger"),
            ("nothing published", 2, [STARTED, QUERY, END, TRIGGER], SERIAL, "seven lists published"),
            ("a serial marker missing", 1, FIRST_BOOT, SERIAL.replace("publish trigger installed", ""), "missing"),
            ("serial markers out of order", 1, FIRST_BOOT, swapped, "out of order"),
        ]
        for what, boot, kinds, serial, message in cases:
            with self.subTest(what):
                found = failures(dispatch_order.check_order, boot, report(kinds), serial)
                if message is None:
                    self.assertEqual([], found)
                else:
                    self.assertEqual(1, len(found), found)
                    self.assertIn(message, found[0])

    def test_the_application_only_reports(self):
        self.assertEqual([], failures(dispatch_order.check_dispatched_run, 1, report(FIRST_BOOT)))
        loaded = dict(report(FIRST_BOOT), driver={"entry_status": 0})
        self.assertIn("driver image: expected not loaded by the application",
                      failures(dispatch_order.check_dispatched_run, 1, loaded)[0])
        self.assertIn("drivers dispatched", failures(dispatch_order.check_dispatched_run, 1,
                                                     report(FIRST_BOOT, dispatched=False))[0])


class DependencyTrueTest(unittest.TestCase):
    def test_the_driver_must_not_have_written_or_reached_the_board(self):
        serial_without_entry = SERIAL.replace(dispatch_order.SERIAL_MARKERS[1][1], "")
        cases = [
            ("broken as expected", report([STARTED, END, TRIGGER], [("Lang", GLOBAL)]), serial_without_entry, []),
            ("Setup written", report([STARTED, END, TRIGGER], [("Setup", SETUP)]), serial_without_entry,
             ["variable Setup"]),
            ("the entry reached the board", report(FIRST_BOOT), SERIAL,
             ["the driver's entry point", "serial marker of the driver's entry point"]),
        ]
        for what, firmware, serial, expected in cases:
            with self.subTest(what):
                found = failures(dispatch_order.check_depex_true, firmware, serial)
                self.assertEqual(len(expected), len(found), found)
                for message, failure in zip(expected, found):
                    self.assertIn(message, failure)


class DispatchedMachineTest(unittest.TestCase):
    PROFILE = {"name": "q35", "firmware": {"vendor": "EDK II"}, "variables": [{"name": "Lang"}],
               "storage": {"disks": [{"channel": 0}]}}

    def test_profiles(self):
        first, later = dispatched_profile(self.PROFILE, 1), dispatched_profile(self.PROFILE, 2)
        self.assertEqual((None, [], []), (first["firmware"]["vendor"], first["variables"], first["storage"]["disks"]))
        self.assertEqual(("EDK II", [{"name": "Lang"}], []),
                         (later["firmware"]["vendor"], later["variables"], later["storage"]["disks"]))
        self.assertEqual([{"channel": 0}], self.PROFILE["storage"]["disks"], "the board's own profile is kept")

    def test_the_boot_manager_terminates_the_languages_it_settles(self):
        store = {"variables": [{"name": "Lang", "guid": GLOBAL, "data": "656e67"},
                               {"name": "PlatformLang", "guid": GLOBAL, "data": "656e2d555300"},
                               {"name": "LastLang", "guid": SETUP, "data": "656e67"},
                               {"name": "Lang", "guid": SETUP, "data": "656e67"},
                               {"name": "PlatformLang", "guid": GLOBAL.lower(), "data": ""}]}
        self.assertEqual(["656e6700", "656e2d555300", "656e67", "656e67", ""],
                         [v["data"] for v in settle_languages(store)["variables"]])


if __name__ == "__main__":
    unittest.main()
