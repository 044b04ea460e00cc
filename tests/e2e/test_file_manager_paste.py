"""Copied files picked from the history paste into a real file manager as files: PCManFM under
openbox, Control+V typed into its window. A copy stays a copy (the files are duplicated) and a cut
stays a cut (the file is moved), also when the entry comes back after its program quit."""

import os
import subprocess
import unittest
import urllib.parse

from harness import DesktopTestCase, command_output, end_process, run_tool, type_keys, wait_until

OFFER_FORMATS = os.environ.get("BRIMBLE_OFFER_FORMATS", "offer_formats")


def uri(path):
    return "file://" + urllib.parse.quote(path)


def contents(path):
    try:
        with open(path) as source:
            return source.read()
    except OSError:
        return None


def files_offered(timeout=1.0):
    return command_output(["xclip", "-o", "-selection", "clipboard", "-t", "x-special/gnome-copied-files"],
                          timeout) or ""


class FileManagerPasteTest(DesktopTestCase):
    background = True
    inspector = False

    def setUp(self):
        super().setUp()
        self.folder = self.scratch_folder("brimble-files-")
        self.source = os.path.join(self.folder, "source")
        self.target = os.path.join(self.folder, "target")
        os.makedirs(self.source)
        os.makedirs(self.target)

    def make_file(self, name, data):
        path = os.path.join(self.source, name)
        with open(path, "w") as out:
            out.write(data)
        return path

    def offer_files(self, verb, paths, text=None):
        """Takes the clipboard as a file manager does when files are copied or cut."""
        gnome = os.path.join(self.folder, f"{verb}.gnome")
        with open(gnome, "w") as out:
            out.write("\n".join([verb] + [uri(p) for p in paths]))
        uris = os.path.join(self.folder, f"{verb}.uris")
        with open(uris, "w") as out:
            out.write("".join(uri(p) + "\r\n" for p in paths))
        args = [OFFER_FORMATS, os.path.join(self.folder, "asked.log")] + (["--text", text] if text else [])
        args += ["--file", "x-special/gnome-copied-files", gnome, "--file", "text/uri-list", uris]
        owner = subprocess.Popen(args, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True, env=self.app.env)
        self.addCleanup(end_process, owner)
        self.assertEqual(owner.stdout.readline().strip(), "ready")
        owner.stdout.close()
        return owner

    def open_file_manager(self):
        manager = subprocess.Popen(["pcmanfm", self.target], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                                   env=self.app.env)
        self.addCleanup(end_process, manager)
        window = wait_until(lambda: run_tool("xdotool", "search", "--onlyvisible", "--pid", str(manager.pid))
                            .stdout.split(), 20, 0.2, "the file manager's window")[-1]
        return window

    def paste_into(self, window):
        run_tool("xdotool", "windowactivate", "--sync", window)
        type_keys("ctrl+v")

    def test_copied_files_picked_from_the_history_paste_as_files(self):
        first = self.make_file("report one.txt", "one")
        second = self.make_file("report two.txt", "two")
        owner = self.offer_files("copy", [first, second], text=first + "\n" + second)
        wait_until(lambda: first + "\n" + second in self.app.texts(), 10, 0.05, "the files recorded")
        end_process(owner)
        self.app.copy_text("decoy")
        wait_until(lambda: "decoy" in self.app.texts(), 10, 0.05, "the decoy recorded")

        # Picked as a user does: the shortcut, a word, Down and Enter.
        run_tool("xdotool", "key", "--clearmodifiers", "ctrl+alt+v")
        type_keys("Down", "Return", text="report")
        wait_until(lambda: files_offered().startswith("copy\n"), 15, 0.1, "the files back on the clipboard")
        run_tool("xdotool", "key", "--clearmodifiers", "ctrl+alt+v")
        wait_until(lambda: self.app.main_window() is None, 10, 0.05, "the window hidden")

        self.paste_into(self.open_file_manager())
        pasted = [os.path.join(self.target, os.path.basename(p)) for p in (first, second)]
        wait_until(lambda: [contents(p) for p in pasted] == ["one", "two"], 15, 0.1, "the files pasted")
        # A copy, not a cut: the originals stay.
        self.assertTrue(os.path.exists(first) and os.path.exists(second))

    def test_cut_files_kept_alive_after_their_program_quit_are_moved(self):
        moved = self.make_file("moved.txt", "moving")
        owner = self.offer_files("cut", [moved])
        wait_until(lambda: moved in self.app.texts(), 10, 0.05, "the cut recorded")
        # The program that cut quits; Brimble keeps the cut on the clipboard as it was.
        end_process(owner)
        wait_until(lambda: files_offered().startswith("cut\n"), 15, 0.1, "the cut kept alive")

        self.paste_into(self.open_file_manager())
        landed = os.path.join(self.target, "moved.txt")
        wait_until(lambda: contents(landed) == "moving" and not os.path.exists(moved), 15, 0.1, "the file moved")


if __name__ == "__main__":
    unittest.main()
