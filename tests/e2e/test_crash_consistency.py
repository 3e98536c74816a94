"""A short run of crash_stress.py: the image killed a few dozen times while the host tool
changes its settings; every file reads back with old or new values and the image boots
again after every kill. The long run is the script itself."""
import os
import time
import unittest

from controllers import TOOL
from crash_stress import Stress
from lifeboat_process import IMAGE
from netns import require_namespaces

KILLS = 36


def setUpModule():
    require_namespaces()


class CrashConsistency(unittest.TestCase):
    def test_settings_record_and_log_survive_kills(self):
        seed = int(os.environ.get("LIFEBOAT_STRESS_SEED", time.time()))
        lines = []
        stress = Stress(IMAGE, TOOL, seed, lines.append)
        try:
            stress.run(KILLS, during_boot=0.2, longest=0.25)
        finally:
            stress.close()
        self.assertEqual(stress.failures, [], "seed %d\n%s" % (seed, "\n".join(lines)))
        self.assertGreaterEqual(stress.kills, KILLS)
        self.assertEqual(stress.checks, stress.kills, seed)


if __name__ == "__main__":
    unittest.main()
