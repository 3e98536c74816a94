"""Installation and the Debian package: cpack builds lifeboat_VERSION_ARCH.deb with every
file in its usual place, and the host tool, the image, the unit and the dissector work from an
extracted copy."""
import fnmatch
import glob
import gzip
import os
import re
import shutil
import subprocess
import sys
import tempfile
import unittest

from lifeboat_process import HEALTHY, Image
from netns import SKIP

BUILD = os.environ.get("LIFEBOAT_BUILD", "")

# Where each installed file lies below the prefix.
INSTALLED = {
    "bin/tesselcfg": True,  # executable
    "libexec/lifeboat/lifeboat.exe": True,
    "lib/systemd/system/lifeboat.service": False,
    "lib/*/wireshark/plugins/lifeboat.lua": False,
    "share/doc/lifeboat/README.md": False,
    "share/doc/lifeboat/architecture.md": False,
    "share/doc/lifeboat/security.md": False,
    "share/man/man1/tesselcfg.1.gz": False,
    "share/bash-completion/completions/tesselcfg": False,
}

# Completes the words as bash would at the end of the line; prints the candidates.
COMPLETE = r"""
source "$1"; shift
COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1))
_tesselcfg
printf '%s\n' "${COMPREPLY[@]}"
"""


def run(*args, **kw):
    return subprocess.run(list(args), stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                          text=True, timeout=300, **kw)


def project_version():
    with open(os.path.join(BUILD, "CMakeCache.txt")) as f:
        return re.search(r"^CMAKE_PROJECT_VERSION:STATIC=(.*)$", f.read(), re.M).group(1)


def setUpModule():
    missing = [p for p in ("cpack", "dpkg-deb") if shutil.which(p) is None]
    if missing:
        print("SKIP: not installed: " + ", ".join(missing), file=sys.stderr)
        sys.exit(SKIP)


class PackageTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls._tmp = tempfile.TemporaryDirectory(prefix="lifeboat-deb-")
        cls.addClassCleanup(cls._tmp.cleanup)
        made = run("cpack", "-G", "DEB", "-B", cls._tmp.name, cwd=BUILD)
        if made.returncode != 0:
            raise AssertionError(made.stdout)
        debs = glob.glob(os.path.join(cls._tmp.name, "*.deb"))
        if len(debs) != 1:
            raise AssertionError("expected one package: %s\n%s" % (debs, made.stdout))
        cls.deb = debs[0]
        cls.root = os.path.join(cls._tmp.name, "root")
        extracted = run("dpkg-deb", "-x", cls.deb, cls.root)
        if extracted.returncode != 0:
            raise AssertionError(extracted.stdout)

    def control(self, field):
        return run("dpkg-deb", "-f", self.deb, field).stdout.strip()

    def test_name_version_dependencies_and_contents(self):
        version = project_version()
        self.assertEqual(os.path.basename(self.deb),
                         "lifeboat_%s_%s.deb" % (version, self.control("Architecture")))
        self.assertEqual((self.control("Package"), self.control("Version")),
                         ("lifeboat", version))
        depends = self.control("Depends")
        for library in ("libc6", "libstdc++6", "libsystemd0"):
            self.assertIn(library, depends)

        listing = run("dpkg-deb", "-c", self.deb).stdout.splitlines()
        files = {line.split()[-1]: line.split()[0] for line in listing
                 if not line.startswith("d")}
        for pattern, executable in INSTALLED.items():
            matches = fnmatch.filter(files, "./usr/" + pattern)
            self.assertEqual(len(matches), 1, (pattern, sorted(files)))
            self.assertEqual(files[matches[0]][3] == "x", executable, matches[0])
        self.assertEqual(len(files), len(INSTALLED), sorted(files))

    def test_extracted_programs_run(self):
        tool = run(os.path.join(self.root, "usr/bin/tesselcfg"), "--help")
        self.assertEqual(tool.returncode, 0, tool.stdout)
        self.assertIn("Usage: tesselcfg [OPTIONS] SUBCOMMAND\n", tool.stdout)
        self.assertIn("discover", tool.stdout)
        image = os.path.join(self.root, "usr/libexec/lifeboat/lifeboat.exe")
        usage = run(image, "--help")
        self.assertEqual(usage.returncode, 0, usage.stdout)
        self.assertIn("--disk DIR", usage.stdout)
        version = project_version()
        self.assertEqual(run(os.path.join(self.root, "usr/bin/tesselcfg"), "--version").stdout,
                         "tesselcfg %s\n" % version)
        self.assertEqual(run(image, "--version").stdout, "lifeboat.exe %s\n" % version)
        # The installed image carries its drive B: (drivers included) and boots.
        with Image(image=image) as controller:
            self.assertTrue(controller.wait_for("\nSystem state: %s\n" % HEALTHY),
                            controller.output)
            self.assertEqual(controller.power_off(), 0, controller.output)

        with gzip.open(os.path.join(self.root, "usr/share/man/man1/tesselcfg.1.gz"), "rt") as f:
            page = f.read()
        self.assertIn('.TH TESSELCFG "1"', page)
        self.assertIn(project_version(), page)
        self.assertIn(".SS discover", page)  # a section per subcommand

        if shutil.which("tshark"):
            plugin = glob.glob(os.path.join(self.root, "usr/lib/*/wireshark/plugins/lifeboat.lua"))
            protocols = run("tshark", "-G", "protocols", "-X", "lua_script:" + plugin[0]).stdout
            self.assertIn("\tlifeboat\n", protocols)

    def test_bash_completion_asks_the_installed_tool(self):
        completion = os.path.join(self.root, "usr/share/bash-completion/completions/tesselcfg")
        env = dict(os.environ, PATH=os.path.join(self.root, "usr/bin") + ":" +
                   os.environ["PATH"])
        for words, expected in ((["se"], ["set-ip", "set-name", "set-comment"]),
                                (["apply", "--d"], ["--dry-run"]),
                                (["--json", "set-name", "--m"], ["--mac"]),
                                (["-t", "3", "protection", "--reboot", ""], ["on", "off"]),
                                (["set-ip", ""], ["static", "dhcp"])):
            done = run("bash", "-c", COMPLETE, "complete", completion, "tesselcfg", *words,
                       env=env)
            self.assertEqual(done.stdout.split(), expected, (words, done.stdout))

    def test_unit_names_the_installed_image(self):
        with open(os.path.join(self.root, "usr/lib/systemd/system/lifeboat.service")) as f:
            unit = f.read()
        for line in ("Type=notify",
                     "ExecStart=/usr/libexec/lifeboat/lifeboat.exe --disk %S/lifeboat",
                     "StateDirectory=lifeboat", "CapabilityBoundingSet="):
            self.assertIn("\n" + line + "\n", unit)
        if shutil.which("systemd-analyze"):
            # Verified against the extracted image (the installed path does not exist here).
            copy = os.path.join(self._tmp.name, "lifeboat.service")
            with open(copy, "w") as f:
                f.write(unit.replace("=/usr/", "=" + self.root + "/usr/"))
            verified = run("systemd-analyze", "verify", "--man=no", copy)
            self.assertEqual(verified.returncode, 0, verified.stdout)
            self.assertEqual(verified.stdout, "")

    def test_install_with_another_prefix(self):
        prefix = os.path.join(self._tmp.name, "prefix")
        installed = run("cmake", "--install", BUILD, "--prefix", prefix)
        self.assertEqual(installed.returncode, 0, installed.stdout)
        with open(os.path.join(prefix, "lib/systemd/system/lifeboat.service")) as f:
            self.assertIn("\nExecStart=%s/libexec/lifeboat/lifeboat.exe " % prefix, f.read())
        self.assertTrue(os.access(os.path.join(prefix, "bin/tesselcfg"), os.X_OK))


if __name__ == "__main__":
    unittest.main()
