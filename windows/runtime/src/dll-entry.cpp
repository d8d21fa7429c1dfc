// The entry point of a DLL: the module's initializers at load, before its DllMain; its exit functions
// and destructors at unload, after it.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include "module-startup.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, void* reserved);

extern "C" BOOL WINAPI _DllMainCRTStartup(HINSTANCE instance, DWORD reason, void* reserved) {
    if (reason == DLL_PROCESS_ATTACH) {
        if (!msvc_compat::InitializeModule(msvc_compat::ModuleKind::Dll)) {
            return FALSE;
        }
        if (!DllMain(instance, reason, reserved)) {
            msvc_compat::UninitializeModule();
            return FALSE;
        }
        return TRUE;
    }
    const BOOL result = DllMain(instance, reason, reserved);
    if (reason == DLL_PROCESS_DETACH) {
        msvc_compat::UninitializeModule();
    }
    return result;
}
