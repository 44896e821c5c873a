/* The code of the fixture libraries: one exported function, no runtime. */
__declspec(dllexport) int zb_fixture(void) { return 1; }
