// Host status times as proof that nothing changed: a status read after the clock has moved
// past the stamp's tick pins the entry, since any later change gets a later stamp.
#pragma once

#include <sys/stat.h>

#include <ctime>

#include "kernel/fs/FileVersion.h"

// The clock the host stamps changes with, read before the status it is to judge.
timespec TovStampClock();

// Whether `status`, read after `clock` was taken, shows every later change. The stamp's
// trailing zero digits are taken as its granularity (a file system that keeps whole
// seconds stamps .000000000), so the clock must be a granule past it.
bool TovStampSettled(const struct stat& status, const timespec& clock);

// The same entry, unchanged: identity and both times equal.
bool TovSameStamp(const struct stat& a, const struct stat& b);

TovFileVersion TovVersionOfStatus(const struct stat& status, const timespec& clock);
