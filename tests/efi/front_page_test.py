"""The front page and Device Manager as read off the console, and the route through them."""
import os
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "..", "efi"))
import form_browser  # noqa: E402
from front_page import is_front_page, listed_form_sets  # noqa: E402
from serial_screen import ConsoleTimeout  # noqa: E402

FRONT = [("Select Language", "<English>", False), ("Device Manager", "", True), ("Boot Manager", "", True),
         ("Continue", "", False), ("Reset", "", False)]


def draw(title, entries, cursor=None):
    """An 80x50 screen: a title box (none on the front page), then the menu rows from row 4."""
    if title is None:
        lines = ["", " Standard PC (Q35 + ICH9, 2009)", "", ""]
    else:
        lines = ["\u250c" + "\u2500" * 78 + "\u2510", "\u2502" + title.center(78) + "\u2502",
                 "\u2514" + "\u2500" * 78 + "\u2518", ""]
    for prompt, value, subform in entries:
        lines.append(" " + ("> " if subform else "  ") + prompt.ljust(26) + value)
    return lines + [""] * (50 - len(lines))


class Screens(unittest.TestCase):
    def test_what_each_screen_is(self):
        device_manager = [("Devices List", "", False), ("RAM Disk Configuration", "", True), ("Main", "", True),
                          ("Server Management", "", True)]
        form = [("Firmware Vendor", "EDK II", False), ("Device Manager", "", True), ("Continue", "", False)]
        cases = [  # name, screen, front page?, titles listed
            ("front page", draw(None, FRONT), True, []),
            ("Device Manager", draw("Device Manager", device_manager), False,
             ["RAM Disk Configuration", "Main", "Server Management"]),
            ("a form that offers the same entries", draw("Main", form), False, []),
            ("a form titled otherwise", draw("Tools", device_manager), False, []),
            ("Device Manager with nothing listed", draw("Device Manager", [("Devices List", "", False)]), False, []),
        ]
        for name, lines, front, titles in cases:
            with self.subTest(name):
                self.assertEqual(front, is_front_page(lines))
                self.assertEqual(titles, listed_form_sets(lines))


class FakeFirmware:
    """The boot manager and its menus as the route meets them: F2 counts only while the hot keys are
    read (console reads number `window`); Enter opens a subform entry, Esc goes back."""

    def __init__(self, window, listed):
        self.window, self.reads, self.keys, self.text = window, 0, [], bytearray()
        dm = [("Devices List", "", False)] + [(title, "", True) for title in listed]
        self.menus = {None: FRONT, "Device Manager": dm}
        self.menus.update({title: [("Firmware Vendor", "EDK II", False)] for title in listed})
        self.stack, self.cursor = [], 0

    def send(self, key):
        self.keys.append(key)
        if key == "f2" and not self.stack and self.window[0] <= self.reads <= self.window[1]:
            self.stack, self.cursor = [None], 0

    def read_for(self, seconds):
        self.reads += 1
        if not self.stack and self.reads > self.window[1]:
            self.text += form_browser.REPORT_BEGIN

    def press(self, key, quiet=0.6):
        self.send(key)
        entries = self.menus[self.stack[-1]]
        if key in ("down", "up"):
            self.cursor = max(0, min(len(entries) - 1, self.cursor + (1 if key == "down" else -1)))
        elif key == "enter" and entries[self.cursor][0] == "Continue":
            self.stack, self.text = [], self.text + form_browser.REPORT_END
        elif key == "enter" and entries[self.cursor][2]:
            self.stack.append(entries[self.cursor][0])
            self.cursor = 0
        elif key == "esc":
            self.stack.pop()
            self.cursor = 0

    def settle(self, first=5.0, quiet=0.6):
        pass

    def lines(self):
        return draw(self.stack[-1], self.menus[self.stack[-1]]) if self.stack else [""] * 50

    def highlighted(self, backgrounds, columns):
        return {4 + self.cursor: "x"} if self.stack and "black" in backgrounds else {}

    def wait_for(self, marker, start=0):
        if marker not in self.text:
            raise ConsoleTimeout(f"no {marker!r}")
        return self.text.find(marker) + len(marker)


NO_HOT_KEYS = (1, 0)  # the boot goes on before the boot manager reads a key


def page(form_class, title, removed=False):
    return {"class": form_class, "title": title, "published": True, "removed": removed,
            "forms": [{"id": 1, "title": title, "items": [{"kind": "text", "prompt": "Firmware Vendor"}]}]}


class DeviceManagerRoute(unittest.TestCase):
    PAGES = [page(1, "Main"), page(4, "Chipset", removed=True), page(64, "Server Management")]

    def walk(self, window=(3, 5), listed=("Main", "Server Management")):
        firmware = FakeFirmware(window, listed)
        with tempfile.TemporaryDirectory() as folder:
            browser = form_browser.Browser(firmware, folder)
            form_browser.device_manager_route(browser, self.PAGES, form_browser.Plan(False, {}))
        return firmware, [(screen["form"], screen["step"]) for screen in browser.screens]

    def test_the_walk_through_device_manager(self):
        firmware, steps = self.walk()
        self.assertEqual(["f2"] * 4, firmware.keys[:4], "F2 until the hot keys are read")
        self.assertEqual([("Front Page", "front page"), ("Device Manager", "device manager"), ("Main", "open"),
                          ("Device Manager", "back"), ("Server Management", "open"), ("Device Manager", "back"),
                          ("Front Page", "back"), ("Front Page", "continue")], steps)

    def test_what_goes_wrong_is_named_or_passed_over(self):
        with self.assertRaisesRegex(form_browser.NavigationError, "F2 never opened the front page"):
            self.walk(window=NO_HOT_KEYS)
        _, steps = self.walk(listed=("Server Management",))
        self.assertIn(("Device Manager", "not listed: Main"), steps)
        self.assertIn(("Server Management", "open"), steps)


if __name__ == "__main__":
    unittest.main()
