// Sound output through the Windows multimedia library.
#define WIN32_LEAN_AND_MEAN
#define NOMINMAX 1
#include <windows.h>

#include <mmsystem.h>

#include <algorithm>
#include <string>

#include "sound-playback.h"

// The UCRT's, declared by its <locale.h> where the Windows SDK's headers are used.
extern "C" __declspec(dllimport) unsigned int __cdecl ___lc_codepage_func(void);

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

// The C runtime's own answer: the code page of the C locale's character type.
bool CLocaleUsesUtf8() { return ___lc_codepage_func() == CP_UTF8; }

// UTF-8 when the C locale uses it, else the code page the file functions use, by its number:
// CP_ACP and CP_OEMCP would hide which one it is.
UINT LogCodePage() {
    if (CLocaleUsesUtf8()) {
        return CP_UTF8;
    }
    return AreFileApisANSI() ? GetACP() : GetOEMCP();
}

// The code pages for which WideCharToMultiByte refuses WC_NO_BEST_FIT_CHARS (ERROR_INVALID_FLAGS):
// UTF-8, UTF-7, GB 18030, ISO-2022 and ISCII, and the symbol code page.
bool RefusesNoBestFit(UINT codePage) {
    return codePage == CP_UTF8 || codePage == CP_UTF7 || codePage == 54936 || codePage == 42 ||
           (codePage >= 50220 && codePage <= 50229) || (codePage >= 57002 && codePage <= 57011);
}

// Characters outside ASCII as the replacement character, for a path no code page would take.
std::string AsciiWithReplacements(const std::wstring& wide) {
    std::string narrow;
    narrow.reserve(wide.size());
    for (const wchar_t c : wide) {
        // The second half of a surrogate pair is no character of its own.
        if (c < 0xDC00 || c > 0xDFFF) {
            narrow += c < 0x80 ? static_cast<char>(c) : '?';
        }
    }
    return narrow;
}

} // namespace

void PlaySoundFile(const std::filesystem::path& file) {
    KeepWinmmLoaded();
    PlaySoundW(file.c_str(), nullptr, SND_FILENAME | SND_ASYNC);
}

// winmm stays loaded and lets its sound play out: nothing to let go of.
void ReleaseSoundOutput() noexcept {}

std::string PathForLog(const std::filesystem::path& path) {
    const std::wstring& wide = path.native();
    if (wide.empty()) {
        return {};
    }
    const UINT codePage = LogCodePage();
    const int wideLength = static_cast<int>(wide.size());
    // Characters the code page lacks become its default character, never a look-alike that would
    // name another folder. Where Windows refuses the flag, it would refuse the whole line.
    const DWORD flags = RefusesNoBestFit(codePage) ? 0 : WC_NO_BEST_FIT_CHARS;
    const int length =
        WideCharToMultiByte(codePage, flags, wide.data(), wideLength, nullptr, 0, nullptr, nullptr);
    std::string narrow(static_cast<std::size_t>(std::max(length, 0)), '\0');
    // The line names its path even when the code page will not convert it at all.
    if (length <= 0 || WideCharToMultiByte(codePage, flags, wide.data(), wideLength, narrow.data(), length,
                                           nullptr, nullptr) != length) {
        return AsciiWithReplacements(wide);
    }
    return narrow;
}
