// A DLL that imports a function nobody offers.
void lbtestNoSuchFunction();

extern "C" void lbtestCallsTheMissingFunction() {
    lbtestNoSuchFunction();
}
