#!/usr/bin/env python3
"""Crash consistency under SIGKILL: the host tool changes a controller's settings in a loop
(host name, comment, IP settings, lock and unlock) while the image is killed at random
moments, in the middle of a change or of its start-up. After each kill:

  - C:\\zu-rt.ini parses, and every value the change touched holds its old or its new value
    (every other value its old one);
  - the reboot record (nvdata.bin) is absent or a whole record, and the error log
    (errlog.txt) is within its ring;
  - the image boots again to its system state.

Prints kills, checks and failures; exits 1 when anything failed. Everything runs in two
network namespaces the script makes (the image in one, the tool in the other), which are
removed at the end, also on Ctrl-C or SIGTERM.

    sudo LIFEBOAT_BUILD=build tests/e2e/crash_stress.py --kills 2000
"""
import argparse
import os
import random
import signal
import struct
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from lifeboat_process import Image  # noqa: E402
from netns import Network  # noqa: E402

PASSWORD = "Harbour-7\n"
RECORD_SIZE = 48
RECORD_VERSION = 3
RECORD_KINDS = (0, 1, 4)
ERROR_LOG_LIMIT = 65536

# The values a change may touch: (section, key), names as the image writes them.
HOST_NAME = ("systemsettings", "host_name")
COMMENT = ("systemsettings", "comment")
IP = ("tcp_stack_config", "ip_address")
MASK = ("tcp_stack_config", "subnet_mask")
GATEWAY = ("tcp_stack_config", "gateway")
PASSWORD_KEY = ("security", "rootpassword")
WATCHED = (HOST_NAME, COMMENT, IP, MASK, GATEWAY, PASSWORD_KEY)


def comment_text(data):
    """The stored form of comment bytes: per byte "0" plus the low, then the high nibble."""
    return "".join(chr(0x30 + (b & 0x0F)) + chr(0x30 + (b >> 4)) for b in data)


class Broken(Exception):
    """A file that does not read back."""


def find_file(directory, *names):
    """The host path of a drive path, its names matched without regard to case."""
    for name in names:
        if not os.path.isdir(directory):
            return None
        match = [n for n in os.listdir(directory) if n.lower() == name.lower()]
        if not match:
            return None
        directory = os.path.join(directory, match[0])
    return directory


def parse_settings(disk):
    """C:\\zu-rt.ini as {(section, key): value}, names lower-cased; {} when absent. Raises
    Broken for a file the image's reader would not take line for line."""
    path = find_file(disk, "zu-rt.ini")
    if path is None:
        return {}
    with open(path, "rb") as f:
        data = f.read()
    if b"\0" in data:
        raise Broken("zu-rt.ini holds NUL bytes")
    if data and not data.endswith(b"\r\n"):
        raise Broken("zu-rt.ini ends in the middle of a line: %r" % data[-40:])
    values, section = {}, None
    for number, line in enumerate(data.decode("latin-1").split("\r\n")[:-1], 1):
        text = line.strip()
        if not text or text[0] in ";#":
            continue
        if text.startswith("["):
            if not text.endswith("]"):
                raise Broken("zu-rt.ini line %d: %r" % (number, line))
            section = text[1:-1].strip().lower()
        elif "=" in text and section is not None:
            key, value = text.split("=", 1)
            values[(section, key.strip().lower())] = value.strip()
        else:
            raise Broken("zu-rt.ini line %d: %r" % (number, line))
    return values


def check_record(disk):
    path = find_file(disk, "zu-rt", "system", "nvdata.bin")
    if path is None:
        return
    with open(path, "rb") as f:
        data = f.read()
    if len(data) != RECORD_SIZE:
        raise Broken("nvdata.bin holds %d bytes, not a %d-byte record" % (len(data), RECORD_SIZE))
    version, _, kind, errors = struct.unpack_from("<4I", data)
    if version != RECORD_VERSION or kind not in RECORD_KINDS or errors > 1000:
        raise Broken("nvdata.bin: version %d, kind %d, %d system-error reboots"
                     % (version, kind, errors))


def check_error_log(disk):
    path = find_file(disk, "zu-rt", "system", "errlog.txt")
    if path is None:
        return
    size = os.path.getsize(path)
    if size > ERROR_LOG_LIMIT:
        raise Broken("errlog.txt holds %d bytes, beyond its %d-byte ring" % (size, ERROR_LOG_LIMIT))
    with open(path, "rb") as f:
        f.read()


class Stress:
    def __init__(self, image, tool, seed, log):
        self.image_path = image
        self.tool_path = tool
        self.random = random.Random(seed)
        self.log = log
        self.kills = self.checks = 0
        self.failures = []
        self.landed = 0  # kills after which the change was found made
        self.partial = 0  # a change of several values cut between two of its writes
        self.net = Network("cs")
        self.disk = tempfile.TemporaryDirectory(prefix="lifeboat-stress-")
        self.image = None

    def setup(self):
        self.controller = self.net.namespace("c")
        self.host = self.net.namespace("h")
        dev, _ = self.net.link(self.controller, "10.75.0.2/24", self.host, "10.75.0.5/24")
        self.mac = self.net.mac(self.controller, dev)

    def close(self):
        if self.image is not None:
            self.image.close()
            self.image = None
        self.net.close()
        self.disk.cleanup()

    def boot(self):
        self.image = Image(wrapper=self.net.exec_prefix(self.controller), disk=self.disk.name,
                           args=("--manage-host-interfaces",), image=self.image_path)

    def kill(self):
        self.image.proc.kill()
        self.image.proc.wait()
        self.image.close()
        self.image = None
        self.kills += 1

    def tool(self, args, stdin=None):
        return subprocess.Popen(
            list(self.net.exec_prefix(self.host)) +
            [self.tool_path, "--timeout", "1", *args, "--mac", self.mac],
            stdin=subprocess.PIPE if stdin else subprocess.DEVNULL,
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def change(self, locked):
        """A change the tool makes: (its arguments, stdin, {value: new value}). A locked
        controller refuses every change but the unlock."""
        n = self.random.randrange(1 << 30)
        kind = "unlock" if locked and self.random.random() < 0.5 else self.random.choice(
            ("name", "comment", "ip", "lock", "unlock"))
        if kind == "name":
            name = "cell-%d" % n
            return ["set-name", name], None, {HOST_NAME: name}
        if kind == "comment":
            text = "Press %d line %d" % (n, n % 97)
            return (["set-comment", text], None,
                    {COMMENT: comment_text(text.encode().ljust(64, b"\0"))})
        if kind == "ip":
            address = "10.76.%d.%d" % (n % 250, 1 + (n >> 8) % 250)
            gateway = "10.76.%d.254" % (n % 250)
            return (["set-ip", "static", address + "/24", "--gateway", gateway], None,
                    {IP: address, MASK: "255.255.255.0", GATEWAY: gateway})
        if kind == "lock":
            return ["lock", "--password-stdin"], PASSWORD, {PASSWORD_KEY: "(set)"}
        return ["unlock", "--password-stdin"], PASSWORD, {PASSWORD_KEY: None}

    def fail(self, what):
        self.failures.append(what)
        self.log("FAIL %d: %s" % (self.kills, what))

    def watched(self):
        values = parse_settings(self.disk.name)
        state = {key: values.get(key) for key in WATCHED}
        if state[PASSWORD_KEY] is not None:
            state[PASSWORD_KEY] = "(set)"
        # Every IpConfig writes the comment it read back: an empty one is stored as zeros.
        if state[COMMENT] is not None and set(state[COMMENT]) <= {"0"}:
            state[COMMENT] = None
        return state

    def check(self, before, touched):
        """After a kill: the files read back, and each value is its old or its new one."""
        self.checks += 1
        try:
            after = self.watched()
            check_record(self.disk.name)
            check_error_log(self.disk.name)
        except Broken as broken:
            self.fail(str(broken))
            return before
        changed = 0
        for key in WATCHED:
            allowed = [before[key]] + ([touched[key]] if key in touched else [])
            if after[key] not in allowed:
                self.fail("%s/%s is %r, neither of %r" % (key[0], key[1], after[key], allowed))
            changed += key in touched and after[key] != before[key]
        wanted = sum(touched[k] != before[k] for k in touched)
        if 0 < changed < wanted:
            self.partial += 1
        elif 0 < changed == wanted:
            self.landed += 1
        return after

    def boots(self):
        self.boot()
        if not self.image.wait_for("\nSystem state: ", 30):
            self.fail("no system state after the kill; console:\n" + self.image.output[-2000:])
            return False
        return True

    def run(self, kills, during_boot, longest):
        self.setup()
        state = self.watched()
        if not self.boots():
            return
        started = time.monotonic()
        reported = 0
        while self.kills < kills:
            if self.random.random() < during_boot:
                # Somewhere in start-up: the reboot record is read and cleared there.
                self.kill()
                state = self.check(state, {})
                self.boot()
                time.sleep(self.random.uniform(0, longest))
                self.kill()
                state = self.check(state, {})
            else:
                args, stdin, touched = self.change(state[PASSWORD_KEY] is not None)
                tool = self.tool(args, stdin)
                if stdin:
                    tool.stdin.write(stdin.encode())
                    tool.stdin.close()
                time.sleep(self.random.uniform(0, longest))
                self.kill()
                try:
                    tool.wait(10)
                except subprocess.TimeoutExpired:
                    tool.kill()
                    tool.wait()
                state = self.check(state, touched)
            if not self.boots():
                return
            if self.kills // 100 > reported:
                reported = self.kills // 100
                self.log("%d kills, %d checks, %d failures, %.0f s"
                         % (self.kills, self.checks, len(self.failures),
                            time.monotonic() - started))


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--kills", type=int, default=1000, help="kills to make (default 1000)")
    parser.add_argument("--seed", type=int, default=None, help="random seed (default: time)")
    parser.add_argument("--during-boot", type=float, default=0.2,
                        help="share of kills made during start-up (default 0.2)")
    parser.add_argument("--longest", type=float, default=0.25,
                        help="longest wait in seconds before a kill (default 0.25)")
    build = os.environ.get("LIFEBOAT_BUILD", "build")
    parser.add_argument("--image", default=os.environ.get("LIFEBOAT_IMAGE") or
                        os.path.join(build, "lifeboat.exe"))
    parser.add_argument("--tool", default=os.path.join(build, "tools", "tesselcfg"))
    options = parser.parse_args(argv)
    if os.geteuid() != 0:
        print("needs root to create network namespaces", file=sys.stderr)
        return 77
    seed = options.seed if options.seed is not None else int(time.time())
    stress = Stress(os.path.abspath(options.image), os.path.abspath(options.tool), seed,
                    lambda line: print(line, flush=True))

    def interrupted(signum, _frame):
        raise KeyboardInterrupt()

    signal.signal(signal.SIGTERM, interrupted)
    print("seed %d, %d kills" % (seed, options.kills), flush=True)
    try:
        stress.run(options.kills, options.during_boot, options.longest)
    except KeyboardInterrupt:
        print("interrupted", flush=True)
    finally:
        stress.close()
    print("kills %d, checks %d, failures %d; changes made before the kill %d, cut between "
          "two of their values %d" % (stress.kills, stress.checks, len(stress.failures),
                                      stress.landed, stress.partial), flush=True)
    return 1 if stress.failures else 0


if __name__ == "__main__":
    sys.exit(main())
