"""The form package builder: what it refuses, and the bytes of each kind of item."""
import os
import struct
import sys
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "..", "forms", "builder"))
import form_packages as forms  # noqa: E402

GUID = "B0CA6220-DAA8-43D6-9D4D-C49C34212A24"
LABELS = {24: "Vendor", 300: "Speed"}


def form_set(*items, **extra):
    document = {"class": 2, "guid": GUID, "title": "Advanced",
                "forms": [{"name": "main", "title": "Main", "items": list(items)},
                          {"name": "sub", "title": "Sub", "items": []}]}
    document.update(extra)
    return document


def build(*items, **extra):
    return forms.build_form_set(form_set(*items, **extra), LABELS, 0x700)


def opcodes(package):
    """(code, body) of each opcode after the package header."""
    result, at = [], 4
    while at < len(package):
        length = package[at + 1] & 0x7F
        result.append((package[at], package[at + 2:at + length]))
        at += length
    return result


class Items(unittest.TestCase):
    def test_each_kind_of_item_as_the_browser_reads_it(self):
        built = build({"subtitle": "Info"}, {"text": 300, "help": "How fast"}, {"form": "sub"},
                      {"action": "Refresh", "key": "0x3B"},
                      {"setting": "Mode", "offset": 4, "options": {"Off": 0, "On": 2}, "default": "On"})
        ids = {text: string_id for string_id, text in built["strings"].items()}
        ops = opcodes(built["package"])
        kinds = [code for code, _ in ops]
        self.assertEqual(kinds, [0x0E, 0x5C, 0x26, 0x01, 0x02, 0x03, 0x0F, 0x0C, 0x05, 0x09, 0x09, 0x29, 0x29,
                                 0x01, 0x29, 0x29])
        body = dict((code, body) for code, body in reversed(ops))
        self.assertEqual(struct.unpack("<HHH", body[0x03]), (ids["Speed"], ids["How fast"], 300))
        self.assertEqual(struct.unpack("<HHHHHBH", body[0x0F])[5:], (0, 2))            # flags, target form 2
        prompt, _, question, store, offset, flags, _ = struct.unpack("<HHHHHBH", body[0x0C])
        self.assertEqual((prompt, question, store, flags & forms.QUESTION_CALLBACK), (ids["Refresh"], 0x3B, 0, 4))
        _, _, _, store, offset, _ = struct.unpack("<HHHHHB", body[0x05][:11])
        self.assertEqual((store, offset), (forms.SETUP_VARSTORE_ID, 4))
        options = [struct.unpack("<HBBB", b) for code, b in ops if code == 0x09]
        self.assertEqual([(flags, value) for _, flags, _, value in options], [(0, 0), (0x30, 2)])
        self.assertEqual(built["image"][4], 2)
        store = body[0x26]
        self.assertEqual(struct.unpack("<IH", store[18:24]), (7, 687))
        self.assertEqual(store[24:], b"Setup\0")

    def test_question_ids_never_take_an_action_key(self):
        built = build({"action": "A", "key": 1}, {"form": "sub"}, {"action": "B", "key": 2}, {"form": "sub"})
        questions = [struct.unpack("<H", body[4:6])[0] for code, body in opcodes(built["package"])
                     if code in (0x0F, 0x0C)]
        self.assertEqual(questions, [1, 3, 2, 4])

    def test_texts_are_stored_once_from_the_first_id(self):
        built = build({"subtitle": "Same"}, {"subtitle": "Same"})
        self.assertEqual(min(built["strings"]), 0x700)
        self.assertEqual(list(built["strings"].values()).count("Same"), 1)


class Refusals(unittest.TestCase):
    def test_refuses_what_no_browser_could_show(self):
        setting = {"setting": "Mode", "offset": 4, "options": {"Off": 0, "On": 1}, "default": "On"}
        bad = [
            ([{"subtitle": "x", "text": 24}], {}, "exactly one of"),
            ([{"button": "x"}], {}, "exactly one of"),
            ([{"subtitle": "x", "colour": "red"}], {}, "unknown field 'colour'"),
            ([{"text": 99}], {}, "string 99 is not"),
            ([{"form": "main"}], {}, "not another form"),
            ([{"form": "nowhere"}], {}, "not another form"),
            ([{"action": "a", "key": 5}, {"action": "b", "key": 5}], {}, "unique key"),
            ([{"action": "a", "key": 0}], {}, "unique key"),
            ([dict(setting, offset=687)], {}, "beyond the 687-byte"),
            ([setting, dict(setting, setting="Again")], {}, "already belongs to 'Mode'"),
            ([dict(setting, default="Maybe")], {}, "not one of the options"),
            ([dict(setting, options={"Big": 256})], {}, "does not fit"),
            ([dict(setting, options={"A": 1, "B": 1}, default="A")], {}, "given twice"),
            ([dict(setting, options={})], {}, "expected an object"),
            ([], {"title": ""}, "title is required"),
            ([], {"guid": "not-a-guid"}, "expected a GUID"),
            ([{"subtitle": "x" * 200}], {}, None),
        ]
        for items, extra, says in bad:
            with self.subTest(items=items, extra=extra):
                if says is None:
                    build(*items, **extra)  # a long text is a string, not an opcode: accepted
                    continue
                with self.assertRaisesRegex(forms.FormError, says):
                    build(*items, **extra)

    def test_refuses_two_form_sets_for_one_class(self):
        with self.assertRaisesRegex(forms.FormError, "class 2 has two form sets"):
            forms.form_sets_by_class({"form_sets": [form_set(), form_set()]})


if __name__ == "__main__":
    unittest.main()
