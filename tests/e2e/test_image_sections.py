"""The image executable carries drive B:'s archive and the built-in RTOS.INI."""
import io
import os
import subprocess
import tempfile
import unittest
import zipfile

from lifeboat_process import IMAGE

SOURCE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "image")


def section(name):
    with tempfile.TemporaryDirectory() as tmp:
        out = os.path.join(tmp, "section")
        subprocess.run(["objcopy", "--dump-section", name + "=" + out, IMAGE,
                        os.path.join(tmp, "copy")], check=True)
        with open(out, "rb") as f:
            return f.read()


class ImageSectionsTest(unittest.TestCase):
    def test_archive_of_drive_b(self):
        archive = zipfile.ZipFile(io.BytesIO(section(".CFS_B")))
        with open(os.path.join(SOURCE, "cfs", "ethernet.ini"), "rb") as f:
            expected = f.read()
        self.assertEqual(archive.read("ethernet.ini"), expected)
        # The three family drivers, the host network driver, the socket module and the
        # text-encoding library.
        self.assertEqual(sorted(n for n in archive.namelist() if n.endswith(".dll")),
                         ["bcm57xx.dll", "hostnet.dll", "i8254x.dll", "i8255x.dll",
                          "libiconv.dll", "wsock32.dll"])
        for info in archive.infolist():
            self.assertEqual(info.compress_type, zipfile.ZIP_STORED, info.filename)

    def test_built_in_rtos_ini(self):
        self.assertTrue(section("RTOSINI").startswith(b"[Filesystem]\r\nFatCacheSize=8\r\n"))


if __name__ == "__main__":
    unittest.main()
