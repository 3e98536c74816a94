#!/usr/bin/env python3
"""Writes the archive of drive B:: a ZIP of stored members.

Usage: make_cfs_archive.py OUT NAME=PATH...
"""
import sys
import zipfile


def main(argv):
    if len(argv) < 2:
        sys.exit(__doc__)
    with zipfile.ZipFile(argv[1], "w", zipfile.ZIP_STORED) as archive:
        for member in argv[2:]:
            name, sep, path = member.partition("=")
            if not sep or not name or not path:
                sys.exit("bad member %r (want NAME=PATH)" % member)
            archive.write(path, arcname=name)


if __name__ == "__main__":
    main(sys.argv)
