#!/usr/bin/env python3
"""Checks that driver DLLs import from nothing but the image and the C and C++ runtime.

Each driver is given as FILE=EXPORT,EXPORT...: it must export (define in its dynamic symbol
table) each of those names. Every library a driver needs must be one of the runtime's, and
every symbol it leaves undefined must be a versioned symbol of the runtime, a weak reference,
or a symbol that the image defines in its dynamic symbol table. Prints what is wrong and
exits 1 otherwise.
"""
import argparse
import re
import subprocess
import sys

RUNTIME_LIBRARIES = {
    "libc.so.6", "libm.so.6", "libstdc++.so.6", "libgcc_s.so.1", "libpthread.so.0",
    "libdl.so.2", "librt.so.1",
}
RUNTIME_VERSIONS = re.compile(r"^(GLIBC|GLIBCXX|CXXABI|GCC)_")
# "   12: 0000000000001139    11 FUNC    GLOBAL DEFAULT   14 name@VERSION (3)"
SYMBOL = re.compile(r"^\s*\d+:\s+[0-9a-fA-F]+\s+\d+\s+(\w+)\s+(\w+)\s+(\w+)\s+(\S+)\s+(\S+)")


def dynamic_symbols(readelf, path):
    output = subprocess.run([readelf, "--dyn-syms", "--wide", path], check=True,
                            capture_output=True, text=True).stdout
    for line in output.splitlines():
        match = SYMBOL.match(line)
        if not match:
            continue
        _type, binding, _visibility, section, name = match.groups()
        if not name:
            continue
        base, _, version = name.partition("@")
        yield base, version.lstrip("@"), binding, section != "UND"


def needed_libraries(readelf, path):
    output = subprocess.run([readelf, "--dynamic", "--wide", path], check=True,
                            capture_output=True, text=True).stdout
    return re.findall(r"\(NEEDED\)\s+Shared library: \[([^\]]+)\]", output)


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--readelf", default="readelf")
    parser.add_argument("--image", required=True)
    parser.add_argument("drivers", nargs="+", metavar="FILE=EXPORTS")
    args = parser.parse_args()

    exported = {name for name, _, binding, defined in dynamic_symbols(args.readelf, args.image)
                if defined and binding in ("GLOBAL", "WEAK", "UNIQUE")}
    problems = []
    for spec in args.drivers:
        driver, _, names = spec.rpartition("=")
        symbols = list(dynamic_symbols(args.readelf, driver))
        defined = {name for name, _, _, is_defined in symbols if is_defined}
        for name in filter(None, names.split(",")):
            if name not in defined:
                problems.append(f"{driver}: does not export {name} (declare it TOV_DLL_EXPORT)")
        for library in needed_libraries(args.readelf, driver):
            if library not in RUNTIME_LIBRARIES:
                problems.append(f"{driver}: needs {library}, which is not the C or C++ runtime")
        for name, version, binding, is_defined in symbols:
            if is_defined or binding == "WEAK":
                continue
            if version and RUNTIME_VERSIONS.match(version):
                continue
            if name not in exported:
                problems.append(f"{driver}: imports {name}, which the image does not export")
    for problem in problems:
        print(problem, file=sys.stderr)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
