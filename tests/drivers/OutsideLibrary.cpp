// A library on the host outside any drive, which the DLLs of NeedsOutside.cpp name.
extern "C" int lbtestOutsideAnswer() {
    return 42;
}
