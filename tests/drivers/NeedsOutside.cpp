// A DLL whose dynamic section makes the host loader take a library from outside the drive:
// built once naming it by its path, once with a search path that leads to it.
extern "C" int lbtestOutsideAnswer();

extern "C" int lbtestCallsOutside() {
    return lbtestOutsideAnswer();
}
