// The library MissingLibrary needs; tests never put it where the loader looks.
void lbtestInAbsentLibrary() {}
