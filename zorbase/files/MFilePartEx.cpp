// MFilePartEx: the base's record conversions do nothing.
#include <zorbase/files/MFilePartEx.h>

void MFilePartEx::SWAP_IN(unsigned char*) {}

void MFilePartEx::SWAP_OUT(unsigned char*) {}
