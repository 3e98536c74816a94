// The PC evaluator's disk part, run as the start of the file-system service: the logical
// drives and a 32 KiB write and read-back on drive C:.
#pragma once

namespace nZUEmbCfg {

// True when the file test was carried out (whatever its outcome); false when the file
// systems, drive C: or the test file could not be had. Everything goes to standard output.
bool runDriveAndFileTest();

}  // namespace nZUEmbCfg
