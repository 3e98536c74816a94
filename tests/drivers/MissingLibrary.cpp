// A DLL that needs a library the loader will not find.
void lbtestInAbsentLibrary();

extern "C" void lbtestCallsTheAbsentLibrary() {
    lbtestInAbsentLibrary();
}
