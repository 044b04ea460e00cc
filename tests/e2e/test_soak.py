"""A long run of copies, texts and pictures, at the largest history limit with the window open:
the resident memory of Brimble and its WebKit processes levels off once the history is full,
the picture folder holds only the files that entries name and stays within its 60 MiB budget,
and the page still answers at the end.

BRIMBLE_SOAK_COPIES sets the number of copies: 1,500 by default (a few minutes, in CI), 20,000
for the full soak. The memory curve is printed as a table and written to soak-memory.txt in
BRIMBLE_E2E_ARTIFACTS."""

import os
import struct
import time
import unittest
import zlib

from harness import ARTIFACTS, wait_until
from stress import StressBrimble, burst, finish_burst, page_answers, sample_memory

MIB = 1024
BUDGET = 62914560
TEXTS_PER_PICTURE = 19


def noise_png(path, width, height):
    """A picture of random pixels: it does not compress, so each one costs its full size."""
    row_bytes = width * 3
    noise = os.urandom(row_bytes * height)
    raw = b"".join(b"\x00" + noise[y * row_bytes:(y + 1) * row_bytes] for y in range(height))

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)

    with open(path, "wb") as out:
        out.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0))
                  + chunk(b"IDAT", zlib.compress(raw, 1)) + chunk(b"IEND", b""))


class SoakTest(unittest.TestCase):

    def test_memory_stays_flat_and_the_picture_folder_within_budget(self):
        total = int(os.environ.get("BRIMBLE_SOAK_COPIES", "1500"))
        sample_every = max(250, total // 20)
        app = StressBrimble(settings={"historyLimit": 500})
        self.addCleanup(app.stop)
        app.start()
        app.page()
        picture = os.path.join(app.root, "picture.png")

        samples = []
        copies = pictures = missed_pictures = 0
        started = time.monotonic()
        next_sample = 0
        while copies < total:
            if copies >= next_sample:
                memory, rows = sample_memory(app)
                samples.append((copies, time.monotonic() - started, memory, rows, app.pictures_bytes()))
                next_sample += sample_every
            # A picture of its own every twentieth copy, the rest texts of a few kilobytes.
            noise_png(picture, 1200, 900)
            app.copy_file(picture, "image/png")
            copies += 1
            pictures += 1
            try:
                wait_until(lambda: app.history()[:1] and app.history()[0]["kind"] == "image", 10, 0.05,
                           "the picture")
            except AssertionError:
                missed_pictures += 1
            texts = min(TEXTS_PER_PICTURE, total - copies)
            if texts:
                copies += finish_burst(burst(f"soak {copies}", 100, count=texts, pad=2000, linger=0.3), 60)
            self.assertIsNone(app.process.poll(), "Brimble ended during the soak")
            # Each xclip ends once the next copy takes the clipboard; reaping keeps no zombies.
            app.helpers = [helper for helper in app.helpers if helper.poll() is None]
            self.assertLessEqual(app.pictures_bytes(), BUDGET)

        time.sleep(5)
        memory, rows = sample_memory(app)
        samples.append((copies, time.monotonic() - started, memory, rows, app.pictures_bytes()))
        self.report(samples, pictures, missed_pictures)

        history = app.history()
        self.assertLessEqual(len(history), 500)
        self.assertEqual(app.unreferenced_pictures(), [])
        self.assertEqual(app.stray_files(), [])
        self.assertLessEqual(app.pictures_bytes(), BUDGET)
        self.assertIsNotNone(page_answers(app, timeout=20), "the page did not answer after the soak")
        self.assertLess(missed_pictures, pictures // 10 + 1, "most pictures should have been recorded")
        # Once the history is full (500 entries), memory levels off. The program itself stays
        # within a narrow band; the web process rises and falls with its garbage collector, so
        # for all processes together the later half of the run must not sit above the earlier.
        full = [sample for sample in samples if sample[0] >= 750]
        if len(full) >= 4:
            program = [sample[3].get("brimble", 0) for sample in full]
            self.assertLess(max(program) - min(program), 64 * MIB, "the program's memory is not flat")
            half = len(full) // 2
            earlier = sorted(sample[2] for sample in full[:half])[half // 2]
            later = sorted(sample[2] for sample in full[half:])[(len(full) - half) // 2]
            self.assertLess(later, earlier * 1.25, "memory keeps rising after the history is full")

    @staticmethod
    def report(samples, pictures, missed):
        names = sorted({name for sample in samples for name in sample[3]})
        header = f"{'copies':>7} {'seconds':>8} {'total MiB':>10} " + " ".join(f"{name[:16]:>16}" for name in names)
        lines = [header + f" {'pictures MiB':>13}"]
        for copies, seconds, memory, rows, picture_bytes in samples:
            lines.append(f"{copies:>7} {seconds:>8.0f} {memory / MIB:>10.1f} "
                         + " ".join(f"{rows.get(name, 0) / MIB:>16.1f}" for name in names)
                         + f" {picture_bytes / 1048576:>13.1f}")
        lines.append(f"pictures copied {pictures}, not recorded in time {missed}")
        text = "\n".join(lines)
        print("\n" + text)
        try:
            with open(os.path.join(ARTIFACTS, "soak-memory.txt"), "w") as out:
                out.write(text + "\n")
        except OSError:
            pass


if __name__ == "__main__":
    unittest.main()
