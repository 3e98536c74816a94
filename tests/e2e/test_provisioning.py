"""Provisioning from a manifest: tesselcfg apply against several controllers on one bridge,
one of them locked, one in the manifest that is not running, and one running that the
manifest does not list."""
import json
import os
import tempfile
import unittest

from controllers import Controllers
from netns import require_namespaces

PASSWORD = "Harbour-7\n"


def setUpModule():
    require_namespaces()


def settings(image):
    """The bytes of C:\\zu-rt.ini (none when the controller has not written it)."""
    for name in os.listdir(image.disk):
        if name.lower() == "zu-rt.ini":
            with open(os.path.join(image.disk, name), "rb") as f:
                return f.read()
    return None


def section(image, name):
    keys, inside = {}, False
    for line in (settings(image) or b"").decode("latin-1").splitlines():
        line = line.strip()
        if line.startswith("["):
            inside = line[1:-1].lower() == name.lower()
        elif inside and "=" in line:
            key, value = line.split("=", 1)
            keys[key.strip().lower()] = value.strip()
    return keys


class Provisioning(Controllers):
    def setUp(self):
        super().setUp()
        switch = self.net.namespace("s")
        _, port = self.net.link(self.host, "10.78.0.5/24", switch)
        ports, self.macs, self.images = [port], [], []
        for i in range(4):
            ns = self.net.namespace("c%d" % i)
            dev, port = self.net.link(ns, "10.78.0.%d/24" % (11 + i), switch)
            ports.append(port)
            self.macs.append(self.net.mac(ns, dev))
            if i < 3:  # the fourth is in the manifest, but not running
                self.images.append(self.boot(ns))
        self.net.bridge(switch, ports)
        for image in self.images:
            self.wait_running(image)
        self.password_file = self.write_file("password", PASSWORD)

    def write_file(self, name, text):
        path = os.path.join(tempfile.mkdtemp(prefix="lifeboat-apply-"), name)
        self.addCleanup(os.unlink, path)
        with open(path, "w") as f:
            f.write(text)
        return path

    def ping(self, mac):
        return self.tool_json("ping", "--mac", mac)

    def test_a_manifest_applied_then_again(self):
        a, b, c, ghost = self.macs
        self.assertEqual(self.tool("set-name", "old-a", "--mac", a)[0], 0)
        self.assertEqual(self.tool("lock", "--mac", b, "--password-stdin", stdin=PASSWORD)[0], 0)
        manifest = self.write_file("site.csv", (
            "mac,hostName,comment,ip,gateway,protectReboot,locked\n"
            "%s,cell-1,\"Line 1, north\",10.78.0.51/24,10.78.0.1,on,\n"
            "%s,cell-2,Line 2,,,,on\n"
            "%s,ghost,,,,,\n") % (a, b.lower(), ghost.replace(":", "-")))
        before = [settings(image) for image in self.images]

        status, out, err = self.tool("apply", manifest, "--dry-run")
        self.assertEqual(status, 3, out + err)
        for line in (
                "%s (line 2, answers on 10.78.0.11): changes" % a,
                "  host name: \"old-a\" -> \"cell-1\"",
                "  comment: \"\" -> \"Line 1, north\"",
                "  IP settings: static 10.78.0.51/24, gateway 10.78.0.1, DNS server 0.0.0.0: "
                "sent, as it cannot be read back (now IP configured: no)",
                "  reboot protection: off -> on",
                "%s (line 3, answers on 10.78.0.12): locked: unlocked for the changes and "
                "locked again" % b,
                "  lock: locked, as wanted",
                "Did not answer (in the manifest):\n  %s (line 4)" % ghost,
                "Answered, not in the manifest (left alone):\n  %s 10.78.0.13" % c,
                "Note: Stored IP settings cannot be read back"):
            self.assertIn(line, out)
        self.assertEqual([settings(image) for image in self.images], before)

        status, out, err = self.tool("apply", manifest, "--password-file", self.password_file)
        self.assertEqual(status, 3, out + err)
        self.assertIn("%s: as wanted\n  unlock: ACK\n  IP configuration: ACK\n  lock: ACK\n" % b,
                      out)
        self.assertIn("2 of 3 controllers as wanted, 1 did not answer", out)
        found = {ctl["mac"]: ctl for ctl in self.tool_json("discover")}
        self.assertEqual([(found[m]["hostName"], found[m]["comment"], found[m]["locked"],
                           found[m]["ipConfigured"]) for m in (a, b, c)],
                         [("cell-1", "Line 1, north", False, True),
                          ("cell-2", "Line 2", True, False), ("", "", False, False)])
        self.assertTrue(self.tool_json("state", "--mac", a)["protectReboot"])
        stored = section(self.images[0], "TCP_Stack_Config")
        self.assertEqual((stored["ip_address"], stored["subnet_mask"], stored["gateway"]),
                         ("10.78.0.51", "255.255.255.0", "10.78.0.1"))
        self.assertEqual(settings(self.images[2]), before[2])  # not in the manifest

        # The same wishes as JSON, without the controller that is not running: nothing the
        # controllers report changes, and the locked one is not even unlocked.
        again = self.write_file("site.json", json.dumps([
            {"mac": a, "hostName": "cell-1", "comment": "Line 1, north",
             "ip": "10.78.0.51/24", "gateway": "10.78.0.1", "protectReboot": "on"},
            {"mac": b, "hostName": "cell-2", "comment": "Line 2", "locked": True}], indent=1))
        applied = [settings(image) for image in self.images]
        status, out, err = self.tool("--json", "apply", again)
        self.assertEqual(status, 0, out + err)
        result = json.loads(out)
        self.assertEqual(result["exitStatus"], 0)
        self.assertEqual((result["silent"], [u["mac"] for u in result["unlisted"]]), ([], [c]))
        first, second = result["controllers"]
        self.assertEqual([(i["item"], i["state"]) for i in first["items"]],
                         [("host name", "right"), ("comment", "right"), ("IP settings", "send"),
                          ("reboot protection", "right")])
        self.assertEqual([s["what"] for s in first["steps"]], ["IP configuration"])
        self.assertEqual((second["changes"], second["steps"], second["asWanted"]),
                         (False, [], True))
        self.assertEqual([settings(image) for image in self.images], applied)

    def test_a_wrong_password_and_a_bad_manifest_change_nothing(self):
        a, b, _, _ = self.macs
        self.assertEqual(self.tool("lock", "--mac", b, "--password-stdin", stdin=PASSWORD)[0], 0)
        manifest = self.write_file("site.csv", "mac,hostName\n%s,cell-1\n%s,cell-2\n" % (a, b))
        before = settings(self.images[1])
        status, out, err = self.tool("apply", manifest, "--password-stdin", stdin="harbour-7\n")
        self.assertEqual(status, 1, out + err)
        self.assertIn("%s: not as wanted\n  unlock: NAK: StatusAccessDenied (1): wrong password\n"
                      "  host name is \"\", not \"cell-2\"\n" % b, out)
        self.assertIn("%s: as wanted\n" % a, out)
        self.assertTrue(self.ping(b)["locked"])
        self.assertEqual(settings(self.images[1]), before)

        # Refused before anything is sent.
        for text, problem in (
                ("mac,hostName\n%s,x\n%s,y\n" % (a, a.lower()),
                 "line 3: %s is listed on line 2 already" % a),
                ("mac,name\n%s,x\n" % a, "line 1: unknown column \"name\""),
                ("[{\"mac\": \"%s\",\n  \"ip\": \"10.78.0.51\"}]" % a,
                 "line 2: ip: not ADDRESS/PREFIX")):
            bad = self.write_file("bad", text)
            status, out, err = self.tool("apply", bad)
            self.assertEqual((status, out), (2, ""), err)
            self.assertIn(problem, err)
        self.assertEqual(self.ping(a)["hostName"], "cell-1")


if __name__ == "__main__":
    unittest.main()
