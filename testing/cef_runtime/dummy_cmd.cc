// What ComSpec names while the browser runtime is in use: a command
// interpreter that runs nothing and ends.
#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) { return 0; }
