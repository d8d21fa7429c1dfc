// CopyFile2, which the C++ library's file copying calls: Windows' own where it has one (8 and later),
// else the same copy through CopyFileExW. wine 8's kernel32 lacks it.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

namespace {

using CopyFile2Function = HRESULT(WINAPI*)(PCWSTR, PCWSTR, COPYFILE2_EXTENDED_PARAMETERS*);

HRESULT WINAPI CopyFile2OrEx(PCWSTR source, PCWSTR target, COPYFILE2_EXTENDED_PARAMETERS* parameters) {
    const HMODULE kernel32 = GetModuleHandleW(L"kernel32.dll");
    if (kernel32 != nullptr) {
        if (const auto system = reinterpret_cast<CopyFile2Function>(
                reinterpret_cast<void*>(GetProcAddress(kernel32, "CopyFile2")))) {
            return system(source, target, parameters);
        }
    }
    const DWORD flags = parameters != nullptr ? parameters->dwCopyFlags : 0;
    BOOL* cancel = parameters != nullptr ? parameters->pfCancel : nullptr;
    if (CopyFileExW(source, target, nullptr, nullptr, cancel, flags)) {
        return S_OK;
    }
    return HRESULT_FROM_WIN32(GetLastError());
}

} // namespace

// Callers declare it imported, so they call through this pointer.
extern "C" CopyFile2Function __imp_CopyFile2 = &CopyFile2OrEx;
