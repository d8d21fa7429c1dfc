// The beat sound on Windows: the file handed to PlaySoundW, and the missing-file line in the ANSI code page.
#include <gtest/gtest.h>

#define WIN32_LEAN_AND_MEAN
#define NOMINMAX 1
#include <windows.h>

#include <mmsystem.h>

#include <algorithm>
#include <clocale>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

#include "plugin-session.h"
#include "test-platform.h"

namespace {

using spinbeat_test::PluginSession;

// ---------------------------------------------------------------------------
// Watching the module's calls into Windows
// ---------------------------------------------------------------------------

// The slot of the test module's import table through which it calls `function`, from whichever
// DLL it imports it.
ULONGLONG* ImportSlot(const char* function) {
    auto* base =
        reinterpret_cast<BYTE*>(GetModuleHandleW(spinbeat_test::TestModulePath().make_preferred().c_str()));
    if (base == nullptr) {
        throw std::runtime_error("the test module is not loaded");
    }
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    for (auto* entry = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress);
         entry->Name != 0; ++entry) {
        const auto* names = reinterpret_cast<const IMAGE_THUNK_DATA*>(base + entry->OriginalFirstThunk);
        auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + entry->FirstThunk);
        for (; names->u1.AddressOfData != 0; ++names, ++slots) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) {
                continue;
            }
            const auto* byName =
                reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
            if (std::strcmp(reinterpret_cast<const char*>(byName->Name), function) == 0) {
                return &slots->u1.Function;
            }
        }
    }
    throw std::runtime_error(std::string("the module does not import ") + function);
}

// While it lives, the loaded test module's calls of `function` go to `replacement`, and `real`
// holds where they went before. It must go before the module is unloaded.
template <typename Function>
class ImportPatch {
public:
    ImportPatch(const char* function, Function* replacement, Function*& real) : slot_(ImportSlot(function)) {
        saved_ = *slot_;
        real = reinterpret_cast<Function*>(saved_);
        Write(reinterpret_cast<ULONGLONG>(replacement));
    }
    ImportPatch(const ImportPatch&) = delete;
    ImportPatch& operator=(const ImportPatch&) = delete;
    ~ImportPatch() { Write(saved_); }

private:
    void Write(ULONGLONG value) {
        DWORD protection = 0;
        VirtualProtect(slot_, sizeof *slot_, PAGE_READWRITE, &protection);
        *slot_ = value;
        VirtualProtect(slot_, sizeof *slot_, protection, &protection);
    }

    ULONGLONG* slot_;
    ULONGLONG saved_ = 0;
};

struct SoundCall {
    std::wstring name;
    HMODULE module;
    DWORD flags;
    BOOL result;
};

decltype(PlaySoundW)* realPlaySoundW = nullptr;
std::vector<SoundCall> soundCalls;

BOOL WINAPI RecordingPlaySoundW(LPCWSTR name, HMODULE module, DWORD flags) {
    const BOOL result = realPlaySoundW(name, module, flags);
    soundCalls.push_back({name != nullptr ? name : L"", module, flags, result});
    return result;
}

// While it lives, the module's PlaySoundW calls are recorded on their way to winmm.
class PlaySoundRecorder {
public:
    PlaySoundRecorder() { soundCalls.clear(); }

private:
    ImportPatch<decltype(PlaySoundW)> patch_{"PlaySoundW", &RecordingPlaySoundW, realPlaySoundW};
};

// At 120 BPM, one beat at 500 ms and one at 1000 ms.
void RollTwoBeats(PluginSession& session) {
    session.Console("spinbeat_bpm 120");
    for (std::int64_t ms = 0; ms <= 1000; ms += 100) {
        session.RollAt(ms, 1.0F);
    }
}

// For messages: a path in UTF-8 always converts, where the ANSI code page may lack its characters.
std::string Utf8(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return {text.begin(), text.end()};
}

bool IsAscii(const std::string& text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// Outside code page 1252: a Latin A with macron, whose best-fit look-alike there is a plain A, then
// Cyrillic and Japanese.
const wchar_t* const kFolderOutsideTheCodePage = L"\u0100-\u0421\u043f\u0438\u043d-\u30d3\u30fc\u30c8";

// ---------------------------------------------------------------------------
// Playback
// ---------------------------------------------------------------------------

TEST(WindowsBeatSound, EachBeatHandsTheFileByItsUtf16PathToAnAsynchronousPlaySoundW) {
    PluginSession session;
    const std::filesystem::path folder = session.data.path() / kFolderOutsideTheCodePage;
    std::filesystem::create_directory(folder);
    std::filesystem::copy_file(spinbeat_test::GeneratedSound(), folder / "timesup.wav");
    const std::wstring expected = folder.native() + L"\\timesup.wav";

    // One backslash between folder and name, whether or not the folder ends with one.
    for (const std::wstring& dataFolder : {folder.native(), folder.native() + L"\\"}) {
        SCOPED_TRACE(Utf8(dataFolder));
        session.host.SetDataFolder(dataFolder);
        PlaySoundRecorder recorder;
        RollTwoBeats(session);
        session.RollAt(1100, 0.0F);

        ASSERT_EQ(soundCalls.size(), 2U);
        for (const SoundCall& call : soundCalls) {
            EXPECT_TRUE(call.name == expected) << Utf8(call.name);
            EXPECT_EQ(call.module, nullptr);
            // SND_ASYNC: the call returns at once while the sound plays on winmm's thread.
            EXPECT_EQ(call.flags, static_cast<DWORD>(SND_FILENAME | SND_ASYNC));
            EXPECT_TRUE(call.result) << "winmm refused the sound";
        }
    }
    EXPECT_EQ(session.MissingSoundLines(), 0U);
}

// Only the module loads winmm in these programs; a player thread left running in unmapped code is
// reported by wine as an unhandled page fault, which fails the test.
TEST(WindowsBeatSound, UnloadingWhileTheSoundPlaysDoesNotCrashTheHost) {
    PluginSession session(spinbeat_test::ModulePath());
    session.InstallSound();
    session.Console("spinbeat_bpm -1");
    // The second tick beats at once; the module goes while winmm's thread is still playing.
    session.RollAt(0, 1.0F);
    session.RollAt(1, 1.0F);
    session.host.UnloadPlugin(*session.plugin);
    EXPECT_FALSE(spinbeat_test::IsModuleLoaded(spinbeat_test::ModulePath()));
    // Time for the player thread to finish, or to fault.
    Sleep(300);
}

TEST(WindowsBeatSoundDeathTest, TheProcessEndsWhileTheModuleIsStillLoadedAndPlaying) {
    spinbeat_test::TempDir data;
    std::filesystem::copy_file(spinbeat_test::GeneratedSound(), data.path() / "timesup.wav");
    EXPECT_EXIT(
        {
            // A host that never unloads the module: the process ends with the sound still playing.
            auto* host = new pluginsdk::host::Host(data.path());
            host->SetFreeplay(true);
            host->SetRoll(host->AddCar(), 1.0F);
            host->LoadPlugin(spinbeat_test::ModulePath());
            host->ExecuteConsoleLine("spinbeat_bpm -1");
            host->Tick();
            host->Tick();
            std::exit(0);
        },
        testing::ExitedWithCode(0), "");
}

// ---------------------------------------------------------------------------
// The missing-file line
// ---------------------------------------------------------------------------

// Each conversion of the module's WideCharToMultiByte: what it asked for, and whether it got it.
struct Conversion {
    UINT codePage;
    DWORD flags;
    int result;
};

decltype(WideCharToMultiByte)* realWideCharToMultiByte = nullptr;
std::vector<Conversion> conversions;

int WINAPI RecordingWideCharToMultiByte(UINT codePage, DWORD flags, LPCWCH wide, int wideLength, LPSTR narrow,
                                        int narrowLength, LPCCH defaultChar, LPBOOL usedDefault) {
    const int result = realWideCharToMultiByte(codePage, flags, wide, wideLength, narrow, narrowLength,
                                               defaultChar, usedDefault);
    conversions.push_back({codePage, flags, result});
    return result;
}

// A conversion Windows refuses outright, whatever the code page and flags.
int WINAPI RefusedWideCharToMultiByte(UINT, DWORD, LPCWCH, int, LPSTR, int, LPCCH, LPBOOL) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
}
decltype(WideCharToMultiByte)* underRefusal = nullptr;

// The C runtime's code page of the C locale, which its locale's name need not show.
extern "C" __declspec(dllimport) unsigned int __cdecl ___lc_codepage_func(void);
decltype(___lc_codepage_func)* realLcCodepage = nullptr;
unsigned int __cdecl Utf8CLocaleCodePage() { return CP_UTF8; }

// "Use Unicode UTF-8 for worldwide language support" makes it the ANSI code page.
decltype(GetACP)* realGetACP = nullptr;
UINT WINAPI Utf8AnsiCodePage() { return CP_UTF8; }

class WindowsMissingSoundLine : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(GetACP(), 1252U) << "an English Windows, as wine-run makes it";
        ASSERT_EQ(GetOEMCP(), 437U);
        ASSERT_TRUE(AreFileApisANSI());
        ASSERT_TRUE(IsAscii(session.data.path().string())) << session.data.path().string();
    }
    void TearDown() override { SetFileApisToANSI(); }

    // The line logged for one beat with the data folder `name` inside the test's folder.
    std::string LineForFolder(const std::wstring& name) {
        const std::filesystem::path folder = session.data.path() / name;
        std::filesystem::create_directory(folder);
        session.host.SetDataFolder(folder);
        const std::size_t before = session.host.ConsoleLineCount();
        PlaySoundRecorder recorder;
        conversions.clear();
        const ImportPatch<decltype(WideCharToMultiByte)> patch(
            "WideCharToMultiByte", &RecordingWideCharToMultiByte, realWideCharToMultiByte);
        RollTwoBeats(session);
        session.RollAt(1100, 0.0F);
        EXPECT_TRUE(soundCalls.empty());
        const std::vector<std::string> lines = session.host.ConsoleLines();
        EXPECT_EQ(lines.size(), before + 2) << "one line per beat";
        return lines.size() > before ? lines[before] : std::string();
    }

    // Every conversion named the code page by its number, with the flags Windows takes for it.
    static void ExpectConversions(UINT codePage, DWORD flags) {
        ASSERT_FALSE(conversions.empty());
        for (const Conversion& conversion : conversions) {
            EXPECT_EQ(conversion.codePage, codePage);
            EXPECT_EQ(conversion.flags, flags) << "code page " << conversion.codePage;
            EXPECT_GT(conversion.result, 0);
        }
    }

    std::string Prefix() const { return "SOUND FILE NOT FOUND: " + session.data.path().string() + "\\"; }

    PluginSession session;
};

TEST_F(WindowsMissingSoundLine, CharactersOutsideTheCodePageBecomeItsReplacementCharacter) {
    // One replacement character for each, and no look-alike.
    const std::string folder = std::string(1, '?') + "-" + std::string(4, '?') + "-" + std::string(3, '?');
    EXPECT_EQ(LineForFolder(kFolderOutsideTheCodePage), Prefix() + folder + "\\timesup.wav");
    EXPECT_TRUE(session.LinesStartingWith("SPINBEAT ERROR").empty());
    ExpectConversions(1252, WC_NO_BEST_FIT_CHARS);
}

TEST_F(WindowsMissingSoundLine, CharactersOfTheCodePageBecomeItsBytes) {
    // U+00E9 is 0xE9 in code page 1252, where UTF-8 would have written two bytes.
    EXPECT_EQ(LineForFolder(L"caf\u00e9"), Prefix() + "caf\xE9\\timesup.wav");
}

TEST_F(WindowsMissingSoundLine, FileFunctionsSwitchedToOemUseTheOemCodePage) {
    SetFileApisToOEM();
    // U+00E9 is 0x82 in code page 437.
    EXPECT_EQ(LineForFolder(L"caf\u00e9"), Prefix() + "caf\x82\\timesup.wav");
    ExpectConversions(437, WC_NO_BEST_FIT_CHARS);
}

// Windows refuses WC_NO_BEST_FIT_CHARS for UTF-8: passed the flag, the line would lose its path.
TEST_F(WindowsMissingSoundLine, AUtf8CLocaleGetsUtf8WithoutTheBestFitFlag) {
    // The test and the module share the one C runtime, ucrtbase, and so its locale.
    struct RestoreCLocale {
        ~RestoreCLocale() { std::setlocale(LC_ALL, "C"); }
    } restore;
    ASSERT_NE(std::setlocale(LC_ALL, ".UTF-8"), nullptr);
    EXPECT_EQ(LineForFolder(L"caf\u00e9"), Prefix() + "caf\xC3\xA9\\timesup.wav");
    ExpectConversions(CP_UTF8, 0);
}

TEST_F(WindowsMissingSoundLine, APathNoCodePageTakesIsStillNamedWithReplacementCharacters) {
    const ImportPatch<decltype(WideCharToMultiByte)> refuse("WideCharToMultiByte",
                                                            &RefusedWideCharToMultiByte, underRefusal);
    EXPECT_EQ(LineForFolder(L"caf\u00e9-\u30d3"), Prefix() + "caf?-?\\timesup.wav");
}

TEST_F(WindowsMissingSoundLine, TheCRuntimeSaysWhetherTheCLocaleIsUtf8) {
    ASSERT_STREQ(std::setlocale(LC_CTYPE, nullptr), "C");
    const ImportPatch<decltype(___lc_codepage_func)> utf8("___lc_codepage_func", &Utf8CLocaleCodePage,
                                                          realLcCodepage);
    EXPECT_EQ(LineForFolder(L"caf\u00e9"), Prefix() + "caf\xC3\xA9\\timesup.wav");
    ExpectConversions(CP_UTF8, 0);
}

TEST_F(WindowsMissingSoundLine, AUtf8AnsiCodePageGetsUtf8WithoutTheBestFitFlag) {
    const ImportPatch<decltype(GetACP)> acp("GetACP", &Utf8AnsiCodePage, realGetACP);
    EXPECT_EQ(LineForFolder(L"caf\u00e9"), Prefix() + "caf\xC3\xA9\\timesup.wav");
    ExpectConversions(CP_UTF8, 0);
}

} // namespace
