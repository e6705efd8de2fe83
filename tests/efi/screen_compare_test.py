"""The browser screens' comparison: agreement passes, and each kind of difference is named."""
import copy
import json
import os
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "..", "efi"))
import compare  # noqa: E402
import screen_compare  # noqa: E402


def screen(title, rows):
    """An 80x50 screen as the browser draws it: title box, then (prompt, value) rows from row 3."""
    lines = ["\u250c" + "\u2500" * 78 + "\u2510", "\u2502" + title.center(78) + "\u2502", "\u2514" + "\u2500" * 78 + "\u2518"]
    for prompt, value in rows:
        lines.append(("   " + prompt).ljust(30) + value)
    return lines + [""] * (50 - len(lines))


PAGES = [
    {"class": 2, "title": "Advanced", "published": True, "removed": False, "forms": [
        {"id": 1, "title": "Advanced", "items": [
            {"kind": "subtitle", "prompt": "Advanced Settings"},
            {"kind": "form", "prompt": "Storage Configuration", "value": "Storage Configuration", "form": 2}]},
        {"id": 2, "title": "Storage Configuration", "items": [
            {"kind": "setting", "prompt": "SATA Mode", "value": "Channel Addressing"},
            {"kind": "text", "prompt": "Socket 0 L1 Instruction Cache", "value": "QEMU HARDDISK  (536.8GB)"},
            {"kind": "action", "prompt": "Refresh", "key": 59}]}]},
    {"class": 4, "title": "Chipset", "published": True, "removed": True, "forms": [
        {"id": 1, "title": "Chipset", "items": [{"kind": "subtitle", "prompt": "Chipset"}]}]},
]

SCREENS = [
    ("Advanced", "open", [("Advanced Settings", ""), ("> Storage Configuration", "")]),
    ("Storage Configuration", "open", [("SATA Mode", "<Channel"), ("", "Addressing>"),
                                       ("Socket 0 L1 Instruction", "QEMU HARDDISK  (536.8GB)"),
                                       ("Cache", ""), ("Refresh", "")]),
    ("Storage Configuration", "press Refresh", [("SATA Mode", "<Channel"), ("", "Addressing>"), ("Refresh", "")]),
]

BROWSER_REPORT = {"browser_status": 0, "forms": [{"class": 2, "status": 0, "action_request": 0}],
                  "activity": [{"kind": "form-callback", "values": {"class": 2, "key": 59, "status": 0}},
                               {"kind": "string-written", "text": "35 C", "values": {"class": 2, "id": 9}}]}


def serial_text(report):
    return ("\x1b[2J junk before\n" + screen_compare.BROWSER_BEGIN + "\n" + json.dumps(report) + "\n" +
            screen_compare.BROWSER_END + "\n")


class ScreenComparison(unittest.TestCase):
    def run_compare(self, screens=SCREENS, report=BROWSER_REPORT, pages=PAGES, problem=None, events=(),
                    route="send-form", walk="all"):
        with tempfile.TemporaryDirectory() as folder:
            index = []
            for number, (form, step, rows, *drawn) in enumerate(screens, start=1):
                name = f"{number:03d}.txt"
                with open(os.path.join(folder, name), "w", encoding="utf-8") as handle:
                    handle.write("\n".join(screen(drawn[0] if drawn else form, rows)))
                index.append({"file": name, "class": 2, "form": form, "step": step})
            with open(os.path.join(folder, "screens.json"), "w", encoding="utf-8") as handle:
                json.dump({"route": route, "walk": walk, "screens": index, "problem": problem}, handle)
            cmp = compare.Comparison()
            screen_compare.compare_screens(cmp, 2, folder, serial_text(report) if report else "no report",
                                           {"form_pages": pages, "events": list(events)})
            return cmp.failures

    def test_agreement_with_wrapped_prompts_and_options(self):
        self.assertEqual(self.run_compare(), [])

    def test_each_difference_is_named(self):
        other_value = copy.deepcopy(PAGES)
        other_value[0]["forms"][1]["items"][0]["value"] = "Disabled"
        missing_form = copy.deepcopy(PAGES)
        missing_form[0]["forms"].append({"id": 3, "title": "Power Supply", "items": []})
        no_callback = copy.deepcopy(BROWSER_REPORT)
        no_callback["activity"] = no_callback["activity"][1:]
        failed_form = copy.deepcopy(BROWSER_REPORT)
        failed_form["forms"][0]["status"] = 0x800000000000000E
        retitled = [(form, step, rows, "Storage") if form == "Storage Configuration" else (form, step, rows)
                    for form, step, rows in SCREENS]
        cases = [
            ("other value", {"pages": other_value},
             'boot 2: class 2 form "Storage Configuration" item "SATA Mode": expected on screen beside "Disabled", '
             'got not on any of its screens (002.txt, 003.txt)'),
            ("form never shown", {"pages": missing_form},
             'boot 2: class 2 form "Power Supply": expected on screen, got never shown'),
            ("press without callback", {"report": no_callback},
             "boot 2: form callbacks from the browser (class, key, status): expected [(2, 59, 0)], got []"),
            ("SendForm failed", {"report": failed_form},
             "boot 2: SendForm status of class 2: expected 0, got 9223372036854775822"),
            ("no browser report", {"report": None},
             "boot 2: browser report: expected on the serial console, got missing or incomplete"),
            ("title", {"screens": retitled},
             'boot 2: class 2 form "Storage Configuration" title: expected "Storage Configuration", got ["Storage"]'),
            ("run stopped", {"problem": "no item \"SATA Mode\" to select"},
             'boot 2: browser run: expected every form shown, got "no item \\"SATA Mode\\" to select"'),
        ]
        for name, arguments, expected in cases:
            with self.subTest(name):
                self.assertIn(expected, self.run_compare(**arguments))

    def test_a_settings_walk_is_held_to_the_forms_with_settings_and_the_way_there(self):
        unwalked = copy.deepcopy(PAGES)
        unwalked[0]["forms"].append({"id": 3, "title": "Power Supply", "items": [{"kind": "text", "prompt": "PSU"}]})
        unwalked.append({"class": 1, "title": "Main", "published": True, "removed": False, "forms": [
            {"id": 1, "title": "Main", "items": [{"kind": "text", "prompt": "Vendor", "value": "OVMF"}]}]})
        self.assertEqual(self.run_compare(pages=unwalked, walk="settings"), [])
        other_value = copy.deepcopy(unwalked)
        other_value[0]["forms"][1]["items"][0]["value"] = "Disabled"
        self.assertIn('boot 2: class 2 form "Storage Configuration" item "SATA Mode": expected on screen beside '
                      '"Disabled", got not on any of its screens (002.txt, 003.txt)',
                      self.run_compare(pages=other_value, walk="settings"))

    def test_a_prompt_does_not_match_a_longer_one_or_a_wrong_wrap(self):
        lines = screen("Storage", [("SATA Port 1", "Not Present"), ("SATA Port 10", "Present")])
        self.assertTrue(screen_compare.shows(lines, "SATA Port 1", "Not Present"))
        self.assertFalse(screen_compare.shows(lines, "SATA Port 1", "Present"))
        self.assertFalse(screen_compare.shows(lines, "SATA Port", "Not Present"))
        self.assertTrue(screen_compare.shows(lines, "SATA Port 10", None))

    def test_what_a_screen_cannot_show_is_not_compared(self):
        lines = screen("Hardware Monitor", [("CPU0 Fan", ": N/A"), ("Processor Brand (continued)", "")])
        self.assertTrue(screen_compare.shows(lines, "CPU0 Fan", ": N/A     "), "trailing blanks")
        self.assertTrue(screen_compare.shows(lines, "Processor Brand (continued)", ""),
                        "a prompt without a value runs on into the value column")
        self.assertFalse(screen_compare.shows(lines, "CPU0 Fan", ""))


class DeviceManagerList(unittest.TestCase):
    """Reached through the front page: Device Manager lists the form sets shown and not the removed one;
    there is no SendForm report."""

    def check(self, *listed):
        rows = [("Devices List", "")] + [(f"> {title}", "") for title in listed]
        screens = SCREENS[:2] + ([("Device Manager", "device manager", rows)] if listed else [])
        return ScreenComparison.run_compare(ScreenComparison(), screens=screens, report=None, route="device-manager")

    def test_each_entry_is_checked(self):
        cases = [
            ("as published", ("RAM Disk Configuration", "Advanced"), []),
            ("a form set missing", ("RAM Disk Configuration",),
             ['boot 2: Device Manager entry "Advanced" (class 2): expected listed, got not listed (003.txt)']),
            ("a removed form set listed", ("Advanced", "Chipset"),
             ['boot 2: Device Manager entry "Chipset" (class 4): expected not listed (removed by the driver), '
              'got listed (003.txt)']),
            ("never shown", (), ["boot 2: Device Manager: expected on screen, got never shown"]),
        ]
        for name, listed, failures in cases:
            with self.subTest(name):
                self.assertEqual(failures, self.check(*listed))


class MessageBoxes(unittest.TestCase):
    BOX = '"ME Update Info": "ME been Disabled !! Please reboot your system !!"'
    EVENTS = [{"kind": "form-callback", "values": {"class": 2, "key": 59}},
              {"kind": "form-callback", "values": {"class": 2, "key": 61459}},
              {"kind": "message-box", "detail": BOX, "values": {"type": 0}}]

    def setUp(self):
        self.pages = copy.deepcopy(PAGES)
        self.pages[0]["forms"][1]["items"].append({"kind": "action", "prompt": "Update", "key": 61459})
        self.report = copy.deepcopy(BROWSER_REPORT)
        self.report["activity"] += [{"kind": "form-callback", "values": {"class": 2, "key": 61459, "status": 0}},
                                    {"kind": "message-box", "text": self.BOX, "values": {"type": 0}}]
        rows = [("SATA Mode", "<Channel Addressing>"), ("Socket 0 L1 Instruction Cache", "QEMU HARDDISK  (536.8GB)"),
                ("Refresh", ""), ("Update", "")]
        self.screens = SCREENS + [("Storage Configuration", "press Update",
                                   rows + [("ME been Disabled !! Please reboot your system !!", "")])]

    def check(self, **changes):
        arguments = dict(screens=self.screens, report=self.report, pages=self.pages, events=self.EVENTS)
        arguments.update(changes)
        return ScreenComparison.run_compare(ScreenComparison(), **arguments)

    def test_a_box_the_simulator_shows_is_on_screen(self):
        self.assertEqual(self.check(), [])

    def test_a_missing_or_unseen_box_is_named(self):
        no_box = copy.deepcopy(self.report)
        no_box["activity"].pop()
        self.assertIn(f"boot 2: message boxes of the pressed actions: expected [{self.BOX!r}], got []",
                      self.check(report=no_box))
        unseen = self.screens[:-1] + [(self.screens[-1][0], "press Update", [("Update", "")])]
        self.assertIn(f"boot 2: message box {self.BOX}: expected on screen, got not on any screen",
                      self.check(screens=unseen))


if __name__ == "__main__":
    unittest.main()
