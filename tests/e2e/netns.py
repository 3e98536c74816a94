"""Network namespaces for end-to-end tests: controllers and the host tool each in their own,
joined by veth pairs (and a bridge for several controllers), with no default route.

Names carry the process id, so tests that run in parallel never meet; everything made is
removed again, also when a test fails."""
import json
import os
import subprocess
import sys

SKIP = 77  # ctest's skip code for these tests


def _run(*args, check=True):
    return subprocess.run(list(args), check=check, stdout=subprocess.PIPE,
                          stderr=subprocess.PIPE, text=True, timeout=30)


def require_namespaces():
    """Ends the test program with the skip code where namespaces cannot be made."""
    probe = "lbprobe%d" % os.getpid()
    reason = None
    if os.geteuid() != 0:
        reason = "needs root to create network namespaces"
    else:
        made = _run("ip", "netns", "add", probe, check=False)
        if made.returncode != 0:
            reason = "cannot create network namespaces: " + made.stderr.strip()
        else:
            _run("ip", "netns", "del", probe, check=False)
    if reason:
        print("SKIP: " + reason, file=sys.stderr)
        sys.exit(SKIP)


class Network:
    """Namespaces and links of one test; close() removes them."""

    def __init__(self, tag):
        self._prefix = "lb%d%s" % (os.getpid() % 100000, tag)
        self._namespaces = []
        self._links = 0

    def namespace(self, name):
        ns = self._prefix + name
        _run("ip", "netns", "add", ns)
        self._namespaces.append(ns)
        _run("ip", "-n", ns, "link", "set", "lo", "up")
        return ns

    def link(self, ns_a, address_a, ns_b, address_b=None):
        """A veth pair between two namespaces; returns the interface names. An address of
        None leaves that end without one (a bridge port)."""
        self._links += 1
        a = "%sa%d" % (self._prefix[:8], self._links)
        b = "%sb%d" % (self._prefix[:8], self._links)
        _run("ip", "link", "add", a, "netns", ns_a, "type", "veth", "peer", "name", b,
             "netns", ns_b)
        for ns, dev, address in ((ns_a, a, address_a), (ns_b, b, address_b)):
            if address:
                _run("ip", "-n", ns, "addr", "add", address, "dev", dev)
            _run("ip", "-n", ns, "link", "set", dev, "up")
        return a, b

    def bridge(self, ns, ports):
        """A bridge in `ns` over the given interfaces of that namespace."""
        name = "br" + self._prefix[-6:]
        _run("ip", "-n", ns, "link", "add", name, "type", "bridge")
        for port in ports:
            _run("ip", "-n", ns, "link", "set", port, "master", name)
        _run("ip", "-n", ns, "link", "set", name, "up")
        return name

    def mac(self, ns, dev):
        shown = json.loads(_run("ip", "-n", ns, "-j", "link", "show", "dev", dev).stdout)
        return shown[0]["address"].upper()

    def exec_prefix(self, ns):
        return ("ip", "netns", "exec", ns)

    def close(self):
        for ns in reversed(self._namespaces):
            _run("ip", "netns", "del", ns, check=False)
        self._namespaces = []
