"""The host tool's command line as a newcomer meets it: its name and version, and usage
errors that say what is wrong and end with status 2. Nothing here reaches the network: the
tool stops before it sends."""
import os
import re
import subprocess
import unittest

from controllers import TOOL


def tesselcfg(*args):
    done = subprocess.run([TOOL, *args], stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                          text=True, timeout=30)
    return done.returncode, done.stdout, done.stderr


def project_version():
    with open(os.path.join(os.environ.get("LIFEBOAT_BUILD", ""), "CMakeCache.txt")) as f:
        return re.search(r"^CMAKE_PROJECT_VERSION:STATIC=(.*)$", f.read(), re.M).group(1)


class ToolUsage(unittest.TestCase):
    def test_name_and_version(self):
        self.assertEqual(tesselcfg("--version"), (0, "tesselcfg %s\n" % project_version(), ""))
        status, out, _ = tesselcfg("set-name", "--help")
        self.assertEqual(status, 0)
        self.assertIn("Usage: tesselcfg set-name [OPTIONS] name\n", out)

    def test_usage_errors_say_what_is_wrong(self):
        for args, message in (
                (["discover", "-t", "0"],
                 "tesselcfg: --timeout: needs a number of seconds above 0, not '0'\n"
                 "Run 'tesselcfg discover --help' for more information.\n"),
                (["reset", "--mac", "02:00:00:00:00:01", "--wait", "1e999"],
                 "tesselcfg: --wait: needs a number of seconds above 0, not '1e999'\n"
                 "Run 'tesselcfg reset --help' for more information.\n"),
                (["--json", "frobnicate", "--mac", "02:00:00:00:00:01"],
                 "tesselcfg: no command named 'frobnicate' (tesselcfg --help lists the "
                 "commands)\n"),
                ([], "tesselcfg: a command is needed (tesselcfg --help lists the commands)\n"),
                (["ping"], "tesselcfg: --mac is required\n"
                           "Run 'tesselcfg ping --help' for more information.\n"),
                (["ping", "--mac", "02:00:00:00:01"],
                 "tesselcfg: not a MAC address: 02:00:00:00:01\n")):
            self.assertEqual(tesselcfg(*args), (2, "", message), args)


if __name__ == "__main__":
    unittest.main()
