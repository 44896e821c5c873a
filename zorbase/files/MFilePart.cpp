// MFilePart: the base's record conversions do nothing.
#include <zorbase/files/MFilePart.h>

void MFilePart::SWAP_IN(unsigned char*) {}

void MFilePart::SWAP_OUT(unsigned char*) {}
