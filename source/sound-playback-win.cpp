// Sound output through the Windows multimedia library.
#define WIN32_LEAN_AND_MEAN
#define NOMINMAX 1
#include <windows.h>

#include <mmsystem.h>

// ___lc_codepage_func: the code page of the C runtime's current locale.
#include <clocale>

#include "sound-playback.h"

namespace {

// winmm plays on a thread of its own, which may still be playing when this module is unloaded. Were
// winmm unloaded with us, that thread would go on in unmapped code: so winmm stays until the process
// ends. Stopping the sound at unload instead would wait for that thread under the loader lock, which
// the thread may need itself to finish.
void KeepWinmmLoaded() {
    static const bool pinned = [] {
        HMODULE winmm = nullptr;
        return GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_PIN, L"winmm.dll", &winmm) != FALSE;
    }();
    static_cast<void>(pinned);
}

// UTF-8 when the C locale uses it, else the code page the file functions use.
UINT LogCodePage() {
    if (___lc_codepage_func() == CP_UTF8) {
        return CP_UTF8;
    }
    return AreFileApisANSI() ? CP_ACP : CP_OEMCP;
}

} // namespace

void PlaySoundFile(const std::filesystem::path& file) {
    KeepWinmmLoaded();
    PlaySoundW(file.c_str(), nullptr, SND_FILENAME | SND_ASYNC);
}

std::string PathForLog(const std::filesystem::path& path) {
    const std::wstring& wide = path.native();
    if (wide.empty()) {
        return {};
    }
    const UINT codePage = LogCodePage();
    const int wideLength = static_cast<int>(wide.size());
    // Characters the code page lacks become its default character, never a look-alike that would
    // name another folder. UTF-8 lacks none and takes no such flag.
    const DWORD flags = codePage == CP_UTF8 ? 0 : WC_NO_BEST_FIT_CHARS;
    const int length =
        WideCharToMultiByte(codePage, flags, wide.data(), wideLength, nullptr, 0, nullptr, nullptr);
    if (length <= 0) {
        return {};
    }
    std::string narrow(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(codePage, flags, wide.data(), wideLength, narrow.data(), length, nullptr, nullptr);
    return narrow;
}
