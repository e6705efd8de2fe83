"""The firmware/simulator comparison: agreement passes, and each kind of difference is named."""
import copy
import json
import os
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "..", "efi"))
import compare  # noqa: E402

GLOBAL = compare.GLOBAL_GUID
SETUP = compare.SETUP_GUID


def variable(name, guid, attributes, data):
    return {"name": name, "guid": guid, "attributes": attributes, "size": len(data) // 2, "data": data}


def activity(kind, text=None, **values):
    record = {"kind": kind, "values": values}
    if text is not None:
        record["text"] = text
    return record


PROFILE = {
    "firmware": {"vendor": "EDK II", "firmware_revision": "0x10000", "system_table_revision": "0x20046",
                 "dxe_services_revision": 65606},
    "variables": [{"name": "Lang", "guid": GLOBAL, "attributes": 7, "data": {"ascii": "eng", "terminated": True}}],
    "hardware": {
        "ports": {"0xA35": "0xFF"},
        "pci": [{"bus": 0, "device": 0, "function": 0, "config": {"at": {"0": {"u16": "0x8086"}, "2": {"u16": 10688}}}},
                {"bus": 0, "device": 5, "function": 0, "config": {"size": 256, "fill": 255}}],
        "memory": [{"base": "0xF0018", "data": "04 0B"}],
    },
}

REPORT = {
    "run": {"status": 0, "trigger": False},
    "machine": {"firmware_vendor": "EDK II", "firmware_revision": 0x10000, "system_table_revision": 0x20046,
                "dxe_services_revision": 0x10046, "pci_express_base": 0xFFFFFFF0,
                "pci": [{"bus": 0, "device": 0, "function": 0, "vendor_id": 0x8086, "device_id": 0x29C0}],
                "ports": {"2613": 255, "2614": 255}, "memory": [{"base": 0xF0018, "data": "040B"}]},
    "variables_before": [variable("Lang", GLOBAL, 7, "656E6700"), variable("LangCodes", GLOBAL, 6, "656E6700")],
    "companion": {"read_status": 0, "load_status": 0, "started": True, "entry_status": 0},
    "driver": {"read_status": 0, "load_status": 0, "started": True, "entry_status": 0},
    "callbacks": [{"class": 2, "key": 59, "status": 0}],
    "strings": {"1": {"24": "EDK II", "25": "Unknown"}, "4": None},
    "activity": [activity("package-list-published", **{"class": 1, "handle": 1}),
                 activity("string-written", "EDK II", **{"class": 1, "id": 24}),
                 activity("package-list-callback-returned", **{"class": 1, "handle": 1}),
                 activity("package-list-published", **{"class": 4, "handle": 2}),
                 activity("package-list-callback-returned", **{"class": 4, "handle": 2}),
                 activity("package-list-removed", **{"class": 4, "handle": 2})],
    "variables": [variable("Lang", GLOBAL, 7, "656E6700"), variable("LangCodes", GLOBAL, 6, "656E6700"),
                  variable("Setup", SETUP, 7, "0002")],
}

SIMULATION = {
    "entry_status": {"name": "EFI_SUCCESS", "value": 0},
    "events": [{"kind": "package-list-published", "detail": "", "values": {"class": 1, "handle": 1}},
               {"kind": "package-list-published", "detail": "", "values": {"class": 4, "handle": 2}},
               {"kind": "package-list-removed", "detail": "", "values": {"class": 4, "handle": 2}},
               {"kind": "port-write", "detail": "", "values": {"port": 128, "width": 1, "value": 1}},
               {"kind": "form-callback", "detail": "", "values": {"class": 2, "key": 59, "status": 0}}],
    "string_writes": [{"class": 1, "id": 24, "text": "EDK II"}],
    "strings": {"1": {"24": "EDK II"}},
    "variables": [variable("Lang", GLOBAL, 7, "656e6700"), variable("LangCodes", GLOBAL, 6, "656e67"),
                  variable("Setup", SETUP, 7, "0002"), variable("Boot0001", GLOBAL, 7, "00")],
}

INITIAL = {"1": {"24": "Unknown", "25": "Unknown"}, "4": {"1335": "Unknown"}}


def run(report, simulation, profile=PROFILE):
    cmp = compare.Comparison()
    compare.compare_boot(cmp, 1, report, simulation, profile, INITIAL)
    return cmp


class CompareBoot(unittest.TestCase):
    def test_agreement_leaves_only_the_firmwares_own_decisions_as_notes(self):
        cmp = run(REPORT, SIMULATION)
        self.assertEqual(cmp.failures, [])
        self.assertEqual(len(cmp.notes), 1)
        self.assertIn("variable LangCodes", cmp.notes[0])

    def test_each_difference_is_named(self):
        def report(change):
            def mutate(r, s, p):
                change(r)
            return mutate

        def simulation(change):
            def mutate(r, s, p):
                change(s)
            return mutate

        cases = [
            ("string text", report(lambda r: r["strings"]["1"].update({"25": "Other"})),
             'string class 1 id 25: expected "Unknown", got "Other"'),
            ("string unreadable", report(lambda r: r["strings"]["1"].update({"24": {"status": 0x800000000000000E}})),
             "string class 1 id 24: expected \"EDK II\", got GetString status 0x800000000000000e"),
            ("string write", simulation(lambda s: s["string_writes"][0].update({"text": "Orvantic"})),
             'string write #1: expected class 1 id 24 = "Orvantic", got class 1 id 24 = "EDK II"'),
            ("missing write", simulation(lambda s: s["string_writes"].append({"class": 1, "id": 25, "text": "x"})),
             'string write #2: expected class 1 id 25 = "x", got no more writes'),
            ("removed list still there", report(lambda r: r["strings"].update({"4": {"1335": "Unknown"}})),
             "package list class 4 in the HII database: expected not registered, got registered"),
            ("variable byte", report(lambda r: r["variables"][2].update({"data": "0003"})),
             "variable Setup (bytes differ at offset: expected/got 1: 02/03)"),
            ("variable missing", simulation(lambda s: s["variables"].pop(2)),
             "variable Setup: expected absent, got attributes 7"),
            ("firmware changed its own list", report(lambda r: r["variables"][1].update({"data": "656E67"})),
             "variable LangCodes (decided by the firmware: kept as before the driver)"),
            ("entry status", simulation(lambda s: s["entry_status"].update({"value": 5})),
             "driver entry point status: expected 5, got 0"),
            ("event order", simulation(lambda s: s["events"].insert(0, s["events"].pop(1))),
             "board component event #1"),
            ("callback outcome", report(lambda r: r["callbacks"][0].update({"status": 3})),
             "form callback #1: expected class 2 key 0x3b: status 0, got class 2 key 0x3b: status 3"),
            ("provider fault", report(lambda r: r["activity"].pop(2)),
             "package-list callbacks: expected every published list's callback to return, got no return for handles [1]"),
            ("vendor", report(lambda r: r["machine"].update({"firmware_vendor": "Other"})),
             "firmware vendor (profile firmware.vendor): expected EDK II, got Other"),
            ("revision", report(lambda r: r["machine"].update({"dxe_services_revision": None})),
             "firmware dxe_services_revision (profile firmware.dxe_services_revision): expected 0x10046, got none"),
            ("pci function", report(lambda r: r["machine"]["pci"].append(
                {"device": 31, "function": 2, "vendor_id": 0x8086, "device_id": 0x2922})),
             "PCI 00:1f.2 (profile hardware.pci): expected absent, got 8086:2922"),
            ("memory", report(lambda r: r["machine"]["memory"][0].update({"data": "FFFF"})),
             "memory at 0xf0018 (profile hardware.memory): expected 040B, got FFFF"),
            ("port", report(lambda r: r["machine"]["ports"].update({"2613": 0})),
             "port 0xa35 reads (profile hardware.ports): expected 255, got 0"),
            ("seed", report(lambda r: r["variables_before"][0].update({"data": "656E67"})),
             "variable Lang before the driver (profile variables)"),
            ("trigger", report(lambda r: r["run"].update({"trigger": True})),
             "trigger requested: expected False, got True"),
        ]
        for name, mutate, message in cases:
            with self.subTest(name):
                report_copy, simulation_copy = copy.deepcopy(REPORT), copy.deepcopy(SIMULATION)
                mutate(report_copy, simulation_copy, None)
                failures = run(report_copy, simulation_copy).failures
                self.assertEqual(len(failures), 1, failures)
                self.assertIn(message, failures[0])


class ProfileBytes(unittest.TestCase):
    def test_every_byte_form_of_board_files(self):
        cases = [
            ("04 0b", b"\x04\x0b"),
            ({"ascii": "eng"}, b"eng"),
            ({"ascii": "en", "terminated": True}, b"en\0"),
            ({"utf16": "en", "terminated": True}, b"e\0n\0\0\0"),
            ({"size": 4, "fill": "0xFF", "at": {"1": {"u16": "0x1234"}}}, b"\xff\x34\x12\xff"),
            ({"at": {"2": "AA", "0": {"u8": 1}}}, b"\x01\x00\xaa"),
            ({"at": {"0": {"at": {"1": {"u8": 7}}}}}, b"\x00\x07"),
        ]
        for form, data in cases:
            with self.subTest(form=form):
                self.assertEqual(compare.profile_bytes(form), data)

    def test_bad_forms_are_input_errors(self):
        for form in ("0G", 7, {"size": "x"}):
            with self.subTest(form=form):
                with self.assertRaises(compare.InputError):
                    compare.profile_bytes(form)


class SerialReport(unittest.TestCase):
    def write(self, text):
        handle = tempfile.NamedTemporaryFile("w", suffix=".log", delete=False)
        handle.write(text)
        handle.close()
        self.addCleanup(os.unlink, handle.name)
        return handle.name

    def test_report_between_markers_amid_console_noise(self):
        path = self.write(f"\x1b[2JBdsDxe: loading Boot0001\r\n{compare.BEGIN_MARKER}\n"
                          f"{json.dumps({'run': {'status': 0}})}\n{compare.END_MARKER}\n")
        self.assertEqual(compare.extract_report(path), {"run": {"status": 0}})

    def test_cut_off_report_shows_the_last_console_lines(self):
        path = self.write(f"{compare.BEGIN_MARKER}\n{{\"run\":\n!!!! X64 Exception Type - 0D\n")
        with self.assertRaises(compare.InputError) as raised:
            compare.extract_report(path)
        self.assertIn("X64 Exception Type", str(raised.exception))


if __name__ == "__main__":
    unittest.main()
