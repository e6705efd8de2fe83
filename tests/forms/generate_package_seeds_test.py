"""The package-list seed generator: the companion must register exactly the lists the simulator publishes."""
import os
import sys
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "..", "forms", "builder"))
import generate_package_seeds as seeds  # noqa: E402


class WideLiteral(unittest.TestCase):
    def test_escapes_everything_that_could_change_meaning(self):
        cases = [
            ("Unknown", 'u"Unknown"'),
            ('say "hi" \\ ok?', 'u"say \\042hi\\042 \\134 ok\\077"'),
            ("a\nb\tc", 'u"a\\012b\\011c"'),
            ("1\x7f2", 'u"1\\1772"'),           # octal stops after three digits, so the 2 stays a 2
            ("\u00b0C", 'u"\\260C"'),
            ("\u20ac", 'u"\\u20AC"'),
            ("\U0001F600", 'u"\\U0001F600"'),
        ]
        for text, literal in cases:
            with self.subTest(text=text):
                self.assertEqual(seeds.wide_literal(text), literal)


class BuildLists(unittest.TestCase):
    SHARED = {"24": {"label": "Vendor", "text": "Unknown"}, "0x1A": {"label": "Revision", "text": "N/A"}}

    def build(self, *lists):
        return {item["class"]: item for item in seeds.build_lists({"strings": self.SHARED, "lists": list(lists)})}

    def test_shared_strings_with_per_list_overrides(self):
        lists = self.build({"class": 1, "strings": {"24": {"text": "Main vendor"}, "30": {"label": "New"}}},
                           {"class": "0x2", "strings": {"24": {"label": "Only the label"}}})
        self.assertEqual(lists[1]["strings"], [(24, "Main vendor"), (26, "N/A"), (30, "")])
        self.assertEqual(lists[2]["strings"], [(24, "Unknown"), (26, "N/A")])

    def test_languages_and_default_images(self):
        lists = self.build({"class": 1},
                           {"class": 2, "defaults": {"4": 2, "0x4B": "0x1"}, "languages": {"primary": "engfra"}},
                           {"class": 4, "default_image": False, "default_image_size": 686})
        self.assertEqual((lists[1]["primary"], lists[1]["secondary"], lists[1]["has_image"]), ("eng", "", True))
        self.assertEqual(len(lists[1]["image"]), seeds.SETUP_IMAGE_SIZE)
        self.assertEqual(lists[2]["primary"], "engfra")
        self.assertEqual([(i, v) for i, v in enumerate(lists[2]["image"]) if v], [(4, 2), (75, 1)])
        self.assertEqual((lists[4]["has_image"], len(lists[4]["image"])), (False, 686))

    def test_rejects_what_the_simulator_rejects(self):
        bad = [
            {"strings": {"0": {"label": "x", "text": "y"}}, "lists": [{"class": 1}]},
            {"strings": {"24": {"label": "x"}}, "lists": [{"class": 1}]},
            {"lists": [{"class": 1, "defaults": {"687": 1}}]},
            {"lists": [{"class": -1}]},
            {"lists": [{"class": "twelve"}]},
        ]
        for document in bad:
            with self.subTest(document=document):
                with self.assertRaises(ValueError):
                    seeds.build_lists(document)


class ListsWithForms(unittest.TestCase):
    SHARED = {"24": {"label": "Vendor", "text": "Unknown"}, "300": {"label": "Speed", "text": "N/A"}}

    def form_set(self, form_class, *items):
        return {"class": form_class, "guid": "B0CA6220-DAA8-43D6-9D4D-C49C34212A24", "title": f"Page {form_class}",
                "forms": [{"name": "main", "title": "Main", "items": list(items)}]}

    def setting(self, offset, default="On"):
        return {"setting": f"Byte {offset}", "offset": offset, "options": {"Off": 0, "On": 3}, "default": default}

    def test_form_texts_follow_the_driver_strings_and_defaults_come_from_the_settings(self):
        lists = seeds.build_lists({"strings": self.SHARED, "lists": [{"class": 1}, {"class": 2}]},
                                  {"form_sets": [self.form_set(2, {"text": 300}, self.setting(9))]})
        plain, forms = lists
        self.assertEqual((plain["form_package"], plain["first_label"]), (b"", 0))
        self.assertEqual(forms["first_label"], 0x200)
        texts = dict(forms["strings"])
        self.assertEqual(texts[24], "Unknown")
        self.assertIn("Speed", [text for string_id, text in forms["strings"] if string_id >= 0x200])
        self.assertEqual([(i, v) for i, v in enumerate(forms["image"]) if v], [(9, 3)])
        self.assertEqual(forms["form_package"][3], 0x02)

    def test_a_list_own_defaults_still_override_the_forms(self):
        lists = seeds.build_lists({"strings": self.SHARED, "lists": [{"class": 2, "defaults": {"9": 1}}]},
                                  {"form_sets": [self.form_set(2, self.setting(9))]})
        self.assertEqual(lists[0]["image"][9], 1)

    def test_refuses_forms_that_disagree_with_the_lists(self):
        bad = [
            ({"lists": [{"class": 1}]}, {"form_sets": [self.form_set(2)]}, "no package list has class 2"),
            ({"lists": [{"class": 1}, {"class": 2}]},
             {"form_sets": [self.form_set(1, self.setting(9)), self.form_set(2, self.setting(9, "Off"))]},
             "byte 9 of Setup belongs"),
            ({"lists": [{"class": 1}]}, {"form_sets": [self.form_set(1, {"text": 77})]}, "string 77 is not"),
        ]
        for document, forms, says in bad:
            with self.subTest(says=says):
                with self.assertRaisesRegex(ValueError, says):
                    seeds.build_lists(dict(document, strings=self.SHARED), forms)


class Render(unittest.TestCase):
    def test_tables_name_every_list_with_its_counts(self):
        lists = seeds.build_lists({"strings": {"24": {"label": "Vendor", "text": "Unknown"}},
                                   "lists": [{"class": 1}, {"class": 2, "defaults": {"4": 2}}]})
        text = seeds.render(lists)
        self.assertIn('{1, u"eng", u"", 1, 687, nullptr, 0, kStrings1, 1, nullptr, 0, 0},', text)
        self.assertIn('{2, u"eng", u"", 1, 687, kDefaults2, 1, kStrings2, 1, nullptr, 0, 0},', text)
        self.assertIn("{4, 0x02},", text)
        self.assertIn("const UINTN kPackageListSeedCount = 2;", text)

    def test_form_package_bytes_and_first_text_id(self):
        lists = [{"class": 2, "primary": "eng", "secondary": "", "has_image": True, "image": [0] * 687,
                  "strings": [(24, "x")], "form_package": bytes(range(18)), "first_label": 256}]
        text = seeds.render(lists)
        self.assertIn("kStrings2, 1, kForms2, 18, 256},", text)
        self.assertIn("    0x10, 0x11,\n};", text)


if __name__ == "__main__":
    unittest.main()
