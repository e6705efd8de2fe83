"""The firmware browser's screens against the simulator's page rendering.

For one boot: the screens efi/form_browser.py kept (DIR/screens.json and the text
files it lists) and the browser report the test application printed after them,
against `setup-sim --page all --json` ("form_pages") for the same boot. Checked:
the run ended as planned; every form of every published form set (of a settings
walk: every form that holds a setting or leads to one) was shown under its own
title; on that form's screens every item's prompt stands beside its value
(prompts and values may wrap onto the next rows; a setting's value is its current
option, which the browser draws in angle brackets); each form set's SendForm
returned success; each pressed action reached the driver's form callback once, and
brought up the message boxes the simulator's callbacks show, each on screen. When the
form sets were reached through the firmware's front page (route "device-manager"),
instead of the SendForm checks: Device Manager listed every published form set that
was not removed by its title, and no removed one.
"""
import json
import os

from browser_layout import MENU_ROWS, screen_title, split_row
from front_page import DEVICE_MANAGER, listed_form_sets

BROWSER_BEGIN = "==== setup-efi browser report begin ===="
BROWSER_END = "==== setup-efi browser report end ===="

def _extends(whole, part, piece):
    """part + " " + piece is still the start of whole (a wrapped continuation)."""
    return bool(piece) and part != whole and whole.startswith(f"{part} {piece}")


def _option(value):
    return value[1:-1] if value.startswith("<") and value.endswith(">") else value


def shows(lines, prompt, value):
    """Whether the screen's menu shows prompt beside value (None: the prompt alone). A screen cannot
    show trailing blanks, so they are not compared; an item without a value may run its prompt on
    into the value column."""
    if value is not None:
        value = value.rstrip()
    menu = [lines[row] for row in MENU_ROWS if row < len(lines)]
    if not value and any(split_row(line, whole=True)[0] == prompt for line in menu):
        return True
    rows = [split_row(line) for line in menu]
    for start, (first_prompt, first_value) in enumerate(rows):
        if not first_prompt or not (first_prompt == prompt or prompt.startswith(first_prompt + " ")):
            continue
        shown_prompt, shown_value = first_prompt, first_value
        for next_prompt, next_value in rows[start + 1:]:
            grew = False
            if _extends(prompt, shown_prompt, next_prompt):
                shown_prompt, grew = f"{shown_prompt} {next_prompt}", True
            if value and (_extends(f"<{value}>", shown_value, next_value) or _extends(value, shown_value, next_value)):
                shown_value, grew = f"{shown_value} {next_value}", True
            if not grew:
                break
        if shown_prompt == prompt and (value is None or _option(shown_value) == value):
            return True
    return False


def expected_pairs(form):
    """(prompt, value) per item as the simulator renders it; value None where the browser shows none."""
    pairs = []
    for item in form["items"]:
        value = item.get("value") if item["kind"] in ("text", "setting") else None
        pairs.append((item["prompt"], value))
    return pairs


def read_screens(folder):
    """The run's problem (None when it went as planned), its route, its walk and its screens."""
    with open(os.path.join(folder, "screens.json"), encoding="utf-8") as handle:
        index = json.load(handle)
    screens = []
    for entry in index["screens"]:
        with open(os.path.join(folder, entry["file"]), encoding="utf-8") as handle:
            screens.append(dict(entry, lines=handle.read().split("\n")))
    return index.get("problem"), index.get("route", "send-form"), index.get("walk", "all"), screens


def walked_pages(pages):
    """What a settings walk shows of the pages: the form sets and forms that hold a setting,
    and the forms on the way to them."""
    def leads(page, form, seen=()):
        forms = {f["id"]: f for f in page["forms"]}
        return any(item["kind"] == "setting" or (item["kind"] == "form" and item.get("form") in forms and
                                                 item["form"] not in seen and
                                                 leads(page, forms[item["form"]], seen + (form["id"],)))
                   for item in form["items"])
    walked = [dict(page, forms=[form for form in page["forms"] if leads(page, form)]) for page in pages]
    return [page for page in walked if page["forms"]]


def extract_browser_report(text):
    """The browser report in a serial log's text, or None when it is missing or incomplete."""
    begin = text.find(BROWSER_BEGIN)
    end = text.find(BROWSER_END, begin + 1)
    if begin < 0 or end < 0:
        return None
    try:
        return json.loads(text[begin + len(BROWSER_BEGIN):end])
    except json.JSONDecodeError:
        return None


def pressed_actions(screens, pages):
    """(class, key) of each action the run pressed ("press PROMPT" steps), in order."""
    keys = {(page["class"], item["prompt"]): item["key"] for page in pages for form in page["forms"]
            for item in form["items"] if item["kind"] == "action"}
    return [(s["class"], keys.get((s["class"], s["step"][len("press "):])))
            for s in screens if s["step"].startswith("press ")]


def compare_screens(cmp, boot, folder, serial_text, simulation):
    """Everything named above, as differences in cmp."""
    problem, route, walk, screens = read_screens(folder)
    if problem:
        cmp.fail(boot, "browser run", "every form shown", json.dumps(problem))
    pages = [page for page in simulation["form_pages"] if page["published"] and not page["removed"]]
    if walk == "settings":
        pages = walked_pages(pages)
    compare_forms(cmp, boot, screens, pages)
    if route == "device-manager":
        check_device_manager(cmp, boot, screens, simulation["form_pages"])
        return
    pressed = pressed_actions(screens, pages)
    report = extract_browser_report(serial_text)
    check_browser_report(cmp, boot, report, pages, pressed)
    if report is not None:
        check_message_boxes(cmp, boot, report, screens, simulation, pressed)


def compare_forms(cmp, boot, screens, pages):
    """Every form of the pages shown under its title, each item's prompt beside its value."""
    for page in pages:
        for form in page["forms"]:
            shown = [s for s in screens if s["class"] == page["class"] and s["form"] == form["title"]]
            where = f"class {page['class']} form \"{form['title']}\""
            if not shown:
                cmp.fail(boot, where, "on screen", "never shown")
                continue
            titles = {screen_title(s["lines"]) for s in shown}
            if titles != {form["title"]}:
                cmp.fail(boot, f"{where} title", json.dumps(form["title"]), json.dumps(sorted(titles)))
            for prompt, value in expected_pairs(form):
                if not any(shows(s["lines"], prompt, value) for s in shown):
                    beside = "" if value is None else f" beside {json.dumps(value)}"
                    files = sorted({s["file"] for s in shown})
                    cmp.fail(boot, f"{where} item {json.dumps(prompt)}", f"on screen{beside}",
                             "not on any of its screens (" + ", ".join(files) + ")")


def check_device_manager(cmp, boot, screens, form_pages):
    """Device Manager's list: every published form set by its title unless it was removed again."""
    lists = [s for s in screens if screen_title(s["lines"]) == DEVICE_MANAGER]
    if not lists:
        cmp.fail(boot, "Device Manager", "on screen", "never shown")
        return
    listed = {title for s in lists for title in listed_form_sets(s["lines"])}
    files = ", ".join(sorted({s["file"] for s in lists}))
    for page in form_pages:
        if not page["published"]:
            continue
        shown = page["title"] in listed
        if shown == page["removed"]:
            cmp.fail(boot, f"Device Manager entry {json.dumps(page['title'])} (class {page['class']})",
                     "not listed (removed by the driver)" if page["removed"] else "listed",
                     f"{'listed' if shown else 'not listed'} ({files})")


def check_browser_report(cmp, boot, report, pages, pressed):
    if report is None:
        cmp.fail(boot, "browser report", "on the serial console", "missing or incomplete")
        return
    cmp.equal(boot, "form sets opened", [page["class"] for page in pages],
              [run["class"] for run in report["forms"]])
    for run in report["forms"]:
        cmp.equal(boot, f"SendForm status of class {run['class']}", 0, run["status"])
    callbacks = [(record["values"].get("class"), record["values"].get("key"), record["values"].get("status"))
                 for record in report["activity"] if record["kind"] == "form-callback"]
    cmp.equal(boot, "form callbacks from the browser (class, key, status)",
              [(form_class, key, 0) for form_class, key in pressed], callbacks)


def message_boxes_of(events, pressed):
    """The message-box details the simulator's form callbacks of the pressed (class, key) showed."""
    boxes = {}
    current = None
    for event in events:
        if event["kind"] == "form-callback":
            current = (event["values"].get("class"), event["values"].get("key"))
            boxes.setdefault(current, [])
        elif event["kind"] == "message-box" and current is not None:
            boxes[current].append(event.get("detail", ""))
    return [detail for action in pressed for detail in boxes.get(action, [])]


def check_message_boxes(cmp, boot, report, screens, simulation, pressed):
    expected = message_boxes_of(simulation.get("events", []), pressed)
    shown = [record.get("text", "") for record in report["activity"] if record["kind"] == "message-box"]
    cmp.equal(boot, "message boxes of the pressed actions", expected, shown)
    for detail in shown:
        message = detail.split('": "', 1)[-1].rstrip('"')
        if not any(message in line for s in screens for line in s["lines"]):
            cmp.fail(boot, f"message box {detail}", "on screen", "not on any screen")
