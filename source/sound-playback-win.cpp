// Sound output through the Windows multimedia library.
#define WIN32_LEAN_AND_MEAN
#define NOMINMAX 1
#include <windows.h>

#include <mmsystem.h>

#include <cctype>
#include <clocale>
#include <cstring>
#include <string>

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

// The C locale's name ends in its code page: "English_United States.1252", ".utf8", ".UTF-8".
bool CLocaleUsesUtf8() {
    const char* name = std::setlocale(LC_CTYPE, nullptr);
    const char* dot = name != nullptr ? std::strrchr(name, '.') : nullptr;
    if (dot == nullptr) {
        return false;
    }
    std::string codePage;
    for (const char* c = dot + 1; *c != '\0' && *c != '@'; ++c) {
        if (*c != '-') {
            codePage += static_cast<char>(std::tolower(static_cast<unsigned char>(*c)));
        }
    }
    return codePage == "utf8" || codePage == "65001";
}

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
    if (length <= 0) {
        return {};
    }
    std::string narrow(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(codePage, flags, wide.data(), wideLength, narrow.data(), length, nullptr, nullptr);
    return narrow;
}
