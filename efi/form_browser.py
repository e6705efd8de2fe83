#!/usr/bin/env python3
"""Drives the firmware's form browser through QEMU's serial console and keeps every
screen it shows.

Two ways reach the form sets; the walk through each is the same. By default the test
application, asked to browse, announces each form set it opens with a line
"==== setup-efi browse CLASS ====" and calls SendForm. With --front-page, the way a user
goes on a boot whose drivers the firmware dispatched: F2 while the boot manager starts
opens the firmware's front page, Device Manager lists the form sets by title, Enter opens
each; at the end Esc and Continue let the boot go on to the test application's report.

For each form set, this script takes its layout from the simulator's page rendering
(`setup-sim --page all --json`, "form_pages"), pages through every form and subform
(Down until the last row is on screen; Enter on each subform reference, Esc back),
optionally presses every action item (answering a message box it brings up) and changes
settings (`--set NAME=OPTION`: Enter on the setting, the option picked in the popup,
Enter; after a form's last change F10 and Y save them together), and leaves the form set
with Esc. `--walk settings` goes only through the forms that hold a setting and those on
the way to them, and leaves other form sets at once. Every distinct screen
is written as text to DIR/NNN.txt, and DIR/screens.json lists them in order: file,
class, form title, the step that led there and the seconds since QEMU started, with
the way taken ("route") and the walk.

usage: form_browser.py --pages SIM.json --screens DIR --serial-log FILE [--front-page] [--press-actions]
                       [--set NAME=OPTION ...] [--walk all|settings] [--timeout SECONDS] -- QEMU-COMMAND...
Exit status: QEMU's, 124 when the time ran out; 3 when the browser did not show
what the layout promised (the reason is printed and in screens.json).
"""
import argparse
import json
import os
import sys
import time

from browser_layout import MENU_ROWS, MORE_BELOW, PROMPT_COLUMNS, VALUE_COLUMNS, split_row
from front_page import CONTINUE, DEVICE_MANAGER, FRONT_PAGE, is_front_page
from serial_screen import ConsoleTimeout, SerialScreen

BROWSE_MARKER = b"==== setup-efi browse "
BROWSER_REPORT_END = b"==== setup-efi browser report end ===="
REPORT_BEGIN = b"==== setup-efi report begin ===="
REPORT_END = b"==== setup-efi report end ===="
# The boot manager reads its hot keys only for a moment (measured under TCG: about 0.2 s without a
# boot timeout, the timeout's length with one): F2 is pressed this often from QEMU's start on, until
# the front page shows.
HOT_KEY_INTERVAL = 0.1
HOT_KEY_PRESSES = 1200  # two minutes; the front page shows about 4 s after QEMU starts
# Moves the highlight may take to reach an entry of the front page or Device Manager.
MENU_LIMIT = 40
# The companion's message box waits for a key under this line.
MESSAGE_BOX_PROMPT = "Press any key"


class NavigationError(Exception):
    pass


class Browser:
    def __init__(self, console, out_dir):
        self.console = console
        self.out_dir = out_dir
        self.screens = []
        self.last_lines = None
        self.last_file = None
        self.files = 0
        self.started = time.monotonic()  # the screens note when they were kept, for measuring the firmware
        self.where = (0, "")
        self.changed = set()  # the settings changed and saved

    def capture(self, step):
        """Keeps the screen under a new file unless it is the last one kept, and notes the step."""
        lines = self.console.lines()
        if lines != self.last_lines:
            self.last_lines = lines
            self.files += 1
            self.last_file = f"{self.files:03d}.txt"
            with open(os.path.join(self.out_dir, self.last_file), "w", encoding="utf-8") as handle:
                handle.write("\n".join(lines) + "\n")
        self.screens.append({"file": self.last_file, "class": self.where[0], "form": self.where[1], "step": step,
                             "seconds": round(time.monotonic() - self.started, 1)})

    def press(self, key, step=None, quiet=0.6):
        self.console.press(key, quiet=quiet)
        if step:
            self.capture(step)

    def at(self, form_class, title, step):
        """Notes where the browser now is (class None: outside our form sets) and keeps the screen."""
        self.where = (form_class, title)
        self.capture(step)

    def selected(self, popup=False, text=None):
        """The highlighted popup option, or the prompt of the highlighted menu item: the browser
        highlights a statement's prompt but a question's value. A prompt wrapped onto the rows
        below is joined up as far as it runs on as text does. None when nothing is highlighted."""
        if popup:
            rows = self.console.highlighted(("cyan",))
            return next((rows[row] for row in MENU_ROWS if row in rows), None)
        rows = self.console.highlighted(("black",), (PROMPT_COLUMNS[0], VALUE_COLUMNS[1]))
        lines = self.console.lines()
        first = next((row for row in MENU_ROWS if row in rows), None)
        if first is None:
            return None
        prompt = split_row(lines[first])[0]
        for row in range(first + 1, MENU_ROWS.stop):
            more = split_row(lines[row])[0]
            if not more or text is None or not text.startswith(f"{prompt} {more}"):
                break
            prompt = f"{prompt} {more}"
        return prompt

    def select(self, text, limit, popup=False):
        """Moves the highlight to the item whose text is text: down, then up. A prompt only
        starting as text does is another item ("Low Memory" is not "Low Memory Limit")."""
        def matches(shown):
            return shown == text
        for key in ("down", "up"):
            previous = None
            for _ in range(limit):
                shown = self.selected(popup, text)
                if matches(shown):
                    return
                if shown == previous and previous is not None:
                    break  # the end of the list: try the other way
                previous = shown
                self.console.press(key, quiet=0.4)
        raise NavigationError(f"class {self.where[0]} form \"{self.where[1]}\": no item \"{text}\" to select")

    def page_through(self, form):
        self.capture("open")
        for _ in range(len(form["items"]) + 5):
            row, column = MORE_BELOW
            if self.console.lines()[row][column:column + 1] != "v":
                return
            self.console.press("down", quiet=0.4)
            self.capture("scroll")
        raise NavigationError(f"class {self.where[0]} form \"{form['title']}\": still more below after paging")

    def visit(self, page, form, plan):
        self.where = (page["class"], form["title"])
        self.page_through(form)
        forms = {f["id"]: f for f in page["forms"]}
        changed = False
        for item in form["items"]:
            if item["kind"] == "form" and item.get("form") in forms and plan.enters(page, forms[item["form"]]):
                self.select(item["prompt"], len(form["items"]))
                self.press("enter")
                self.visit(page, forms[item["form"]], plan)
                self.press("esc")
                self.where = (page["class"], form["title"])
                self.capture("back")
            elif item["kind"] == "action" and plan.press_actions:
                self.select(item["prompt"], len(form["items"]))
                self.press("enter", f"press {item['prompt']}")
                if any(MESSAGE_BOX_PROMPT in line for line in self.console.lines()):
                    self.press("enter", "dismiss the message box")
            elif item["kind"] == "setting" and item["prompt"] in plan.settings:
                self.change(item, plan.settings[item["prompt"]], len(form["items"]))
                changed = True
        if changed:  # one save for the form's changes
            self.press("f10", "save")
            self.press("y", "saved")

    def change(self, item, option, limit):
        self.select(item["prompt"], limit)
        self.press("enter", f"open {item['prompt']}")
        self.select(option, len(item["options"]), popup=True)
        self.press("enter", f"set {item['prompt']} = {option}")
        self.changed.add(item["prompt"])

    def browse(self, page, plan):
        self.where = (page["class"], page["title"])
        if plan.enters(page, page["forms"][0]):
            self.visit(page, page["forms"][0], plan)
        else:
            self.capture("passed over")
        self.press("esc")


class Plan:
    """What a walk does: press the actions, change settings, and go through every form
    ("all") or only the forms that hold a setting and those leading to them ("settings")."""

    def __init__(self, press_actions, settings, walk="all"):
        self.press_actions = press_actions
        self.settings = settings
        self.walk = walk

    def enters(self, page, form, seen=()):
        if self.walk == "all":
            return True
        if any(item["kind"] == "setting" for item in form["items"]):
            return True
        forms = {f["id"]: f for f in page["forms"]}
        return any(item["kind"] == "form" and item.get("form") in forms and item["form"] not in seen and
                   self.enters(page, forms[item["form"]], seen + (form["id"],)) for item in form["items"])


def parse_settings(values):
    settings = {}
    for value in values:
        name, separator, option = value.partition("=")
        if not separator or not name.strip() or not option.strip():
            raise ValueError(f"--set {value!r}: expected NAME=OPTION")
        settings[name.strip()] = option.strip()
    return settings


def enter_front_page(console):
    """Presses F2 until the front page shows; the test application's report first means the boot
    went on without it."""
    for _ in range(HOT_KEY_PRESSES):
        if is_front_page(console.lines()):
            console.settle(first=0.5, quiet=1.0)
            return
        if REPORT_BEGIN in console.text:
            raise NavigationError("the boot went on to the boot option: F2 never opened the front page")
        console.send("f2")
        console.read_for(HOT_KEY_INTERVAL)
    raise NavigationError(f"no front page after {HOT_KEY_PRESSES} presses of F2")


def send_form_route(browser, pages, plan):
    """The test application announces each form set it opens with SendForm; its browser report ends the run."""
    console = browser.console
    offset = 0
    while True:
        marker, start = console.wait_for_any((BROWSE_MARKER, BROWSER_REPORT_END), offset)
        if marker == BROWSER_REPORT_END:
            return
        offset = console.wait_for(b" ====", start)
        form_class = console.text[start:offset - 5].decode("ascii", "replace")
        page = next((page for page in pages if str(page["class"]) == form_class), None)
        if page is None:
            raise NavigationError(f"the firmware shows class {form_class}, which the simulator has no page for")
        console.settle(quiet=1.0)
        browser.browse(page, plan)


def device_manager_route(browser, pages, plan):
    """The front page, Device Manager, each form set the simulator published and did not remove, by its
    title, then Continue: the boot goes on to the test application, whose report ends the run. A title
    Device Manager does not list is noted and passed over (the comparison names it); the rest are walked."""
    enter_front_page(browser.console)
    browser.at(None, FRONT_PAGE, "front page")
    browser.select(DEVICE_MANAGER, MENU_LIMIT)
    browser.press("enter", quiet=1.0)
    browser.at(None, DEVICE_MANAGER, "device manager")
    for page in pages:
        if not page["published"] or page["removed"]:
            continue
        try:
            browser.select(page["title"], MENU_LIMIT)
        except NavigationError:
            browser.capture(f"not listed: {page['title']}")
            continue
        browser.press("enter", quiet=1.0)
        browser.browse(page, plan)
        browser.at(None, DEVICE_MANAGER, "back")
    browser.press("esc")
    browser.at(None, FRONT_PAGE, "back")
    browser.select(CONTINUE, MENU_LIMIT)
    browser.press("enter", "continue", quiet=1.0)
    browser.console.wait_for(REPORT_END)


ROUTES = {"send-form": send_form_route, "device-manager": device_manager_route}


def run(args, command):
    with open(args.pages, encoding="utf-8") as handle:
        pages = json.load(handle)["form_pages"]
    plan = Plan(args.press_actions, parse_settings(args.set), args.walk)
    route = "device-manager" if args.front_page else "send-form"
    os.makedirs(args.screens, exist_ok=True)
    console = SerialScreen(command, args.serial_log, time.monotonic() + args.timeout)
    browser = Browser(console, args.screens)
    problem = None
    timed_out = False
    try:
        ROUTES[route](browser, pages, plan)
        missed = sorted(set(plan.settings) - browser.changed)
        if missed:
            raise NavigationError("no setting " + ", ".join(f'"{name}"' for name in missed) + " on any form shown")
    except (NavigationError, ConsoleTimeout) as error:
        problem = str(error)
        timed_out = isinstance(error, ConsoleTimeout)
        console.stop()
    status = console.close()
    with open(os.path.join(args.screens, "screens.json"), "w", encoding="utf-8") as handle:
        json.dump({"route": route, "walk": args.walk, "screens": browser.screens, "problem": problem}, handle,
                  indent=1)
    if problem:
        print(f"form_browser: {problem}", file=sys.stderr)
        return 124 if timed_out else 3
    return status


def main(argv=None):
    argv = sys.argv[1:] if argv is None else argv
    if "--" not in argv:
        sys.exit(__doc__)
    split = argv.index("--")
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--pages", required=True, help="setup-sim --page all --json output for this boot")
    parser.add_argument("--screens", required=True, help="folder for the screens")
    parser.add_argument("--serial-log", required=True, help="file for every byte of the serial console")
    parser.add_argument("--front-page", action="store_true",
                        help="reach the form sets through the firmware's front page and Device Manager")
    parser.add_argument("--press-actions", action="store_true", help="press every action item")
    parser.add_argument("--set", action="append", default=[], metavar="NAME=OPTION",
                        help="change a setting in the browser; each form's changes are saved together (F10, Y)")
    parser.add_argument("--walk", choices=("all", "settings"), default="all",
                        help="go through every form, or only those holding a setting and the way there")
    parser.add_argument("--timeout", type=float, default=600, help="seconds for the whole boot")
    args = parser.parse_args(argv[:split])
    try:
        return run(args, argv[split + 1:])
    except (OSError, ValueError, KeyError) as error:
        print(f"form_browser: {error}", file=sys.stderr)
        return 2


if __name__ == "__main__":
    sys.exit(main())
