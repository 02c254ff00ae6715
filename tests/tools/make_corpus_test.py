#!/usr/bin/env python3
"""bench/make_corpus.py: exact sizes, the same bytes for the same arguments,
and files of the kind their names promise."""
import os
import subprocess
import sys
import tempfile
import unittest
import zlib

SCRIPT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "bench",
                      "make_corpus.py")


def make(folder, *args):
    return subprocess.run([sys.executable, SCRIPT, folder] + [str(a) for a in args],
                          capture_output=True, text=True)


def read_all(folder):
    return {n: open(os.path.join(folder, n), "rb").read() for n in sorted(os.listdir(folder))}


class MakeCorpus(unittest.TestCase):
    def setUp(self):
        self.tmp = tempfile.TemporaryDirectory()
        self.addCleanup(self.tmp.cleanup)

    def path(self, name):
        return os.path.join(self.tmp.name, name)

    def test_count_and_total_are_exact(self):
        for mib, count in [(0, 3), (0.001, 7), (1, 1), (1, 9), (0.5, 250)]:
            with self.subTest(mib=mib, count=count):
                folder = self.path("c-%s-%d" % (mib, count))
                self.assertEqual(make(folder, mib, count).returncode, 0)
                files = read_all(folder)
                self.assertEqual(len(files), count)
                self.assertEqual(sum(map(len, files.values())), round(mib * 1024 * 1024))

    def test_same_arguments_same_bytes_and_others_differ(self):
        for name in ("a", "b"):
            make(self.path(name), 1, 9)
        make(self.path("c"), 1, 10)
        a, b, c = (read_all(self.path(n)) for n in "abc")
        self.assertEqual(a, b)
        self.assertNotEqual(a["file000.txt"], c["file000.txt"])

    def test_each_kind_compresses_as_its_kind(self):
        make(self.path("k"), 1.5, 6)
        files = read_all(self.path("k"))
        self.assertEqual([n[-3:] for n in files], ["txt", "bin", "dat"] * 2)
        for name, data in files.items():
            ratio = len(zlib.compress(data, 6)) / len(data)
            with self.subTest(name=name, ratio=ratio):
                if name.endswith(".txt"):
                    data.decode("ascii")
                    self.assertIn(b"\r\n", data)
                    self.assertLess(ratio, 0.5)
                elif name.endswith(".bin"):
                    self.assertEqual(data[:4], b"TBL1")
                    self.assertLess(ratio, 0.5)
                else:
                    self.assertGreater(ratio, 0.99)

    def test_refuses_bad_arguments_and_a_folder_with_files(self):
        os.makedirs(self.path("full"))
        open(self.path("full/old.txt"), "w").close()
        for args in [("full", 1, 2), ("x", -1, 2), ("x", 1, 0), ("x", "lots", 2), ("x", 1)]:
            with self.subTest(args=args):
                r = make(self.path(args[0]), *args[1:])
                self.assertEqual(r.returncode, 2)
                self.assertTrue(r.stderr)
        self.assertEqual(os.listdir(self.path("full")), ["old.txt"])


if __name__ == "__main__":
    unittest.main()
