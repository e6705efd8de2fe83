"""OVMF's front page and its Device Manager on the 80x50 serial console, as measured.

The front page has no title box: the machine's name on rows 1 to 3, then the menu from row 7
("Select Language", "> Device Manager", "> Boot Manager", "> Boot Maintenance Manager",
"Continue", "Reset"). Device Manager, titled in the box on row 1, lists under "Devices List"
one "> TITLE" entry per form set that carries the platform-setup class GUID, the firmware's
own among them.
"""
from browser_layout import MENU_ROWS, VALUE_COLUMNS, screen_title

DEVICE_MANAGER = "Device Manager"
CONTINUE = "Continue"
FRONT_PAGE = "Front Page"  # the name the screens carry; the firmware draws no title
TITLE_BOX_CORNER = "\u250c"  # every form, Device Manager too, has its title in a box from row 0


def _menu_rows(lines):
    """Each menu row's text from the prompt column to the end of the value column, stripped."""
    return [lines[row][1:VALUE_COLUMNS[1]].strip() for row in MENU_ROWS if row < len(lines)]


def _entry(text):
    return text[2:].strip() if text.startswith("> ") else text


def is_front_page(lines):
    """The front page: no title box, and its menu offers Device Manager and Continue."""
    entries = {_entry(text) for text in _menu_rows(lines)}
    titled = bool(lines) and lines[0].startswith(TITLE_BOX_CORNER)
    return DEVICE_MANAGER in entries and CONTINUE in entries and not titled


def listed_form_sets(lines):
    """The form-set titles Device Manager lists on this screen; none when it is another screen."""
    if screen_title(lines) != DEVICE_MANAGER:
        return []
    return [_entry(text) for text in _menu_rows(lines) if text.startswith("> ")]
