"""The package-list seed generator: the companion must register exactly the lists the simulator publishes."""
import os
import sys
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "..", "efi", "seeds"))
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


class Render(unittest.TestCase):
    def test_tables_name_every_list_with_its_counts(self):
        lists = seeds.build_lists({"strings": {"24": {"label": "Vendor", "text": "Unknown"}},
                                   "lists": [{"class": 1}, {"class": 2, "defaults": {"4": 2}}]})
        text = seeds.render(lists)
        self.assertIn('{1, u"eng", u"", 1, 687, nullptr, 0, kStrings1, 1},', text)
        self.assertIn('{2, u"eng", u"", 1, 687, kDefaults2, 1, kStrings2, 1},', text)
        self.assertIn("{4, 0x02},", text)
        self.assertIn("const UINTN kPackageListSeedCount = 2;", text)


if __name__ == "__main__":
    unittest.main()
