// The Windows library entry: the library has no set-up or tear-down of its
// own, so every notification succeeds and nothing else happens.
#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) {
    return TRUE;
}
