#!/usr/bin/env python3
"""The include check itself: it must pass on the tree and fail on includes that run up a layer
or across two ui folders."""
import os
import subprocess
import sys
import tempfile
import unittest

CHECK = os.path.join(os.path.dirname(__file__), "..", "..", "tools", "check_layers.py")


def run(tree):
    with tempfile.TemporaryDirectory() as top:
        for path, text in tree.items():
            os.makedirs(os.path.join(top, os.path.dirname(path)), exist_ok=True)
            with open(os.path.join(top, path), "w") as f:
                f.write(text)
        return subprocess.run([sys.executable, CHECK, top], capture_output=True, text=True)


class CheckLayers(unittest.TestCase):
    def test_downward_includes_pass(self):
        r = run({"items/alarms.cpp": '#include "settings/settings.h"\n#include "items/x.h"\n',
                 "views/generalview.cpp": '#include "toolkit/window/dc.h"\n'})
        self.assertEqual(r.returncode, 0, r.stdout)

    def test_upward_include_fails(self):
        r = run({"settings/settings.cpp": '#include "shell/mainwindow.h"\n'})
        self.assertEqual(r.returncode, 1)
        self.assertIn("settings/settings.cpp", r.stdout)

    def test_ui_folders_never_include_each_other(self):
        r = run({"cities/ui/worldtimeview.cpp": '#include "items/ui/alarmsview.h"\n'})
        self.assertEqual(r.returncode, 1)

    def test_a_ui_folder_may_use_its_own_logic_but_the_logic_not_its_ui(self):
        self.assertEqual(run({"astro/ui/moonview.cpp": '#include "astro/moon.h"\n'}).returncode, 0)
        self.assertEqual(run({"astro/moon.cpp": '#include "astro/ui/moonview.h"\n'}).returncode, 1)

    def test_a_folder_without_a_layer_is_reported(self):
        self.assertEqual(run({"misc/thing.cpp": "\n"}).returncode, 1)


if __name__ == "__main__":
    unittest.main()
