// The runtime's sub-process executable: the stand-in runtime starts no
// sub-processes, so it only has to exist and end.
#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) { return 0; }
