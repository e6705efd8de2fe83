"""Checks of the boots where the firmware dispatched the setup driver and its companion
from its own volume (efi/run-dispatched): the run, the order of what happened, and the
boot whose driver carried the dependency expression TRUE.

The order comes from two witnesses. The companion's record: it notes when it started,
when the driver's entry point queried the board condition (the entry asks once), when
EndOfDxe arrived and when it installed the publishing trigger, between the records of
what the driver asked of it. And the marker lines the companion writes on the serial
port during DXE, before the test application's report.
"""

SERIAL_MARKERS = (
    ("companion started by the DXE dispatcher", "setup-companion: started by the DXE dispatcher"),
    ("the driver's entry point", "setup-companion: the setup driver's entry point queried the board condition"),
    ("EndOfDxe", "setup-companion: EndOfDxe: installing the publish trigger"),
    ("the publish trigger installed", "setup-companion: publish trigger installed"),
    ("the test application's report", "==== setup-efi report begin ===="),
)

GLOBAL_GUID = "8BE4DF61-93CA-11D2-AA0D-00E098032B8C"

# Variables whose value the firmware alone decides when it dispatches the driver, and why.
FIRMWARE_DECIDES = {
    ("LangCodes", GLOBAL_GUID):
        "OVMF's boot manager stores its own LangCodes when it starts, after the driver ran in DXE, and then "
        "marks it read-only",
    ("PlatformLangCodes", GLOBAL_GUID):
        "OVMF's boot manager stores its own PlatformLangCodes when it starts, after the driver ran in DXE, and "
        "then marks it read-only",
}

# What the driver writes at every load that it must not be able to write before the variable services.
WRITTEN_AT_LOAD = (("Setup", "EC87D643-EBA4-4BB5-A1E5-3F3E36B20DA9"),
                   ("SetupMenuCondition", "122B3E0D-4C5D-11E0-9DDE-001D9294198F"))


def check_dispatched_run(cmp, boot, report):
    """The application loaded nothing and found the companion the firmware had dispatched."""
    run = report["run"]
    cmp.equal(boot, "run request status", 0, run["status"])
    cmp.equal(boot, "run request: drivers dispatched by the firmware", True, run.get("dispatched"))
    cmp.equal(boot, "trigger requested of the application", False, run["trigger"])
    cmp.equal(boot, "companion found (LocateProtocol status)", 0, report.get("dispatched_companion_status"))
    for image in ("companion", "driver"):
        if image in report:
            cmp.fail(boot, f"{image} image", "not loaded by the application", "loaded")


def check_order(cmp, boot, report, serial_text):
    """The entry ran in DXE before EndOfDxe; boot 1 published inside it, later boots after the trigger."""
    kinds = [record["kind"] for record in report.get("activity", [])]
    started = index_of(kinds, "companion-started-in-dxe")
    entry = index_of(kinds, "board-condition-queried")
    end_of_dxe = index_of(kinds, "end-of-dxe")
    published = [i for i, kind in enumerate(kinds) if kind == "package-list-published"]
    if started != 0:
        cmp.fail(boot, "companion's record", "starts with its start in DXE", f"that start at {position(started)}")
    if entry is None or end_of_dxe is None or entry > end_of_dxe:
        cmp.fail(boot, "the driver's entry point", "before EndOfDxe",
                 f"entry at {position(entry)}, EndOfDxe at {position(end_of_dxe)}")
        return
    trigger = end_of_dxe + 1
    if trigger >= len(kinds) or kinds[trigger] != "protocol-installed":
        cmp.fail(boot, "the publish trigger", "installed at EndOfDxe", "not recorded there")
    if not published:
        cmp.fail(boot, "publishing", "seven lists published", "none")
    elif boot == 1 and published[-1] > entry:
        cmp.fail(boot, "publishing of a first boot", "inside the entry point, before it queried the board",
                 f"a list published at {position(published[-1])}, the query at {position(entry)}")
    elif boot > 1 and published[0] < trigger:
        cmp.fail(boot, "publishing of a later boot", "after the trigger",
                 f"a list published at {position(published[0])}, the trigger at {position(trigger)}")
    check_serial_markers(cmp, boot, serial_text)


def check_serial_markers(cmp, boot, serial_text):
    at = 0
    for what, marker in SERIAL_MARKERS:
        found = serial_text.find(marker, at)
        if found < 0:
            cmp.fail(boot, f"serial marker of {what}", f"{marker!r} after the ones before it",
                     "missing" if marker not in serial_text else "out of order")
            return
        at = found + len(marker)


def check_depex_true(cmp, report, serial_text):
    """With TRUE the dispatcher runs the driver before the variable services write: its variables never
    appear, and its entry never reaches the board query."""
    what = "3 (the driver's dependency expression TRUE)"
    names = {(variable["name"], variable["guid"].upper()) for variable in report["variables"]}
    for key in WRITTEN_AT_LOAD:
        if key in names:
            cmp.fail(what, f"variable {key[0]}", "not written (the driver ran before the variable services)",
                     "written")
    if "board-condition-queried" in [record["kind"] for record in report.get("activity", [])]:
        cmp.fail(what, "the driver's entry point", "stopped before the board query", "queried the board")
    if SERIAL_MARKERS[1][1] in serial_text:
        cmp.fail(what, "serial marker of the driver's entry point", "absent", "present")


def index_of(kinds, kind):
    return kinds.index(kind) if kind in kinds else None


def position(index):
    return "nowhere" if index is None else f"record {index + 1}"
