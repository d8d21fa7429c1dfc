// Sound output through the Windows multimedia library.
#define WIN32_LEAN_AND_MEAN
#define NOMINMAX 1
#include <windows.h>

#include <mmsystem.h>

// ___lc_codepage_func: the code page of the C runtime's current locale.
#include <clocale>

#include "sound-playback.h"

namespace {

// A sound still playing when the module unloads would run on in winmm's thread into unmapped code.
struct StopAtUnload {
    StopAtUnload() = default;
    StopAtUnload(const StopAtUnload&) = delete;
    StopAtUnload& operator=(const StopAtUnload&) = delete;
    ~StopAtUnload() { PlaySoundW(nullptr, nullptr, 0); }
};
StopAtUnload stopAtUnload;

// UTF-8 when the C locale uses it, else the code page the file functions use.
UINT LogCodePage() {
    if (___lc_codepage_func() == CP_UTF8) {
        return CP_UTF8;
    }
    return AreFileApisANSI() ? CP_ACP : CP_OEMCP;
}

} // namespace

void PlaySoundFile(const std::filesystem::path& file) {
    PlaySoundW(file.c_str(), nullptr, SND_FILENAME | SND_ASYNC);
}

std::string PathForLog(const std::filesystem::path& path) {
    const std::wstring& wide = path.native();
    if (wide.empty()) {
        return {};
    }
    const UINT codePage = LogCodePage();
    const int wideLength = static_cast<int>(wide.size());
    // Without flags, characters the code page lacks become its default character.
    const int length =
        WideCharToMultiByte(codePage, 0, wide.data(), wideLength, nullptr, 0, nullptr, nullptr);
    if (length <= 0) {
        return {};
    }
    std::string narrow(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(codePage, 0, wide.data(), wideLength, narrow.data(), length, nullptr, nullptr);
    return narrow;
}
