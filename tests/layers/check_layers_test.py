#!/usr/bin/env python3
"""The layer check on a copy of the source tree: passes as the tree stands, and
fails, naming file and line, on each include planted against the order."""

import os
import shutil
import subprocess
import sys
import tempfile
import unittest

SOURCE_ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
CHECK = os.path.join(SOURCE_ROOT, "scripts", "check_layers.py")
FOLDERS = ["app", "base", "burning", "catalogue", "cli", "drive", "files", "metadata",
           "picture", "playback", "settings", "tools", "widgets"]


class LayerCheck(unittest.TestCase):
    def setUp(self):
        self.root = tempfile.mkdtemp(prefix="layers-")
        for folder in FOLDERS:
            shutil.copytree(os.path.join(SOURCE_ROOT, folder), os.path.join(self.root, folder),
                            ignore=shutil.ignore_patterns("CMakeLists.txt"))

    def tearDown(self):
        shutil.rmtree(self.root)

    def run_check(self):
        return subprocess.run([sys.executable, CHECK, self.root], capture_output=True, text=True)

    def plant(self, file, include):
        """Adds an include as the file's second line; returns that line's number."""
        path = os.path.join(self.root, file)
        with open(path) as text:
            lines = text.readlines()
        lines.insert(1, f'#include "{include}"\n')
        with open(path, "w") as text:
            text.writelines(lines)
        return 2

    def assert_refused(self, file, include):
        line = self.plant(file, include)
        result = self.run_check()
        self.assertEqual(result.returncode, 1, result.stderr)
        self.assertIn(f"{file}:{line}:", result.stderr)
        self.assertIn(include, result.stderr)

    def test_the_tree_as_it_stands_passes(self):
        result = self.run_check()
        self.assertEqual(result.returncode, 0, result.stderr)

    def test_core_including_a_higher_tier_fails(self):
        self.assert_refused("catalogue/song_list.h", "tools/song_search.h")

    def test_core_including_its_own_tier_fails(self):
        self.assert_refused("tools/song_search.cpp", "burning/disc_burner.h")

    def test_core_including_qt_side_fails(self):
        self.assert_refused("catalogue/list_file.cpp", "catalogue/ui/song_grid.h")

    def test_lists_including_the_main_window_fails(self):
        self.assert_refused("catalogue/ui/song_grid.cpp", "app/ui/main_window.h")

    def test_a_dialog_including_the_main_window_fails(self):
        self.assert_refused("tools/ui/find_dialog.cpp", "app/ui/main_window.h")

    def test_widgets_including_a_subsystem_fails(self):
        self.assert_refused("widgets/ui/prompts.cpp", "catalogue/song_list.h")
        self.assert_refused("widgets/ui/glyphs.cpp", "drive/scsi_device.h")

    def test_ui_sideways_fails(self):
        self.assert_refused("playback/ui/random_dialog.cpp", "tools/ui/find_dialog.h")

    def test_command_line_tool_including_a_window_fails(self):
        self.assert_refused("cli/main.cpp", "widgets/ui/prompts.h")

    def test_a_folder_outside_the_table_fails(self):
        os.makedirs(os.path.join(self.root, "extras"))
        with open(os.path.join(self.root, "extras", "x.cpp"), "w") as text:
            text.write('#include "base/safe_open.h"\n')
        result = self.run_check()
        self.assertEqual(result.returncode, 1)
        self.assertIn("extras/x.cpp", result.stderr)

    def test_downward_includes_pass(self):
        self.plant("tools/ui/find_dialog.cpp", "catalogue/ui/song_grid.h")
        self.plant("burning/iso_layout.cpp", "base/safe_open.h")
        self.plant("app/ui/main_window.cpp", "burning/ui/burn_dialog.h")
        self.plant("widgets/ui/prompts.cpp", "settings/ini_file.h")
        result = self.run_check()
        self.assertEqual(result.returncode, 0, result.stderr)


if __name__ == "__main__":
    unittest.main()
