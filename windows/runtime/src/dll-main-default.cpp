// The DllMain of a DLL that has none of its own; the linker takes this only when nothing else defines it.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD, void*) { return TRUE; }
