// The Windows side of the platform layer: the executable found through its module, URLs
// handed to the shell, the folder that keeps the player's state, and the log and message
// box that stand in for a terminal.
// windows.h first: the shell headers build on its types.
// clang-format off
#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>
// clang-format on

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "runtime/errors.h"
#include "runtime/platform.h"

String qoExecutablePath() {
    std::wstring buffer(32768, L'\0');
    DWORD n = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n == 0 || n >= buffer.size()) return String();
    for (DWORD i = 0; i < n; ++i) {
        if (buffer[i] == L'\\') buffer[i] = L'/';
    }
    return String(reinterpret_cast<const Char*>(buffer.data()), static_cast<int>(n));
}

bool qoOpenUrlExternally(const String& url) {
    std::wstring text(reinterpret_cast<const wchar_t*>(url.Data()),
                      static_cast<size_t>(url.Length()));
    if (text.find(L'\0') != std::wstring::npos) return false;
    // ShellExecute answers a value above 32 on success.
    auto result = reinterpret_cast<INT_PTR>(
        ShellExecuteW(nullptr, L"open", text.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
    if (result <= 32) {
        std::fprintf(stderr, "[host] could not open %s\n", url.ToUtf8().c_str());
        return false;
    }
    return true;
}

namespace {

std::wstring WideOf(const String& text) {
    return std::wstring(reinterpret_cast<const wchar_t*>(text.Data()),
                        static_cast<size_t>(text.Length()));
}

std::wstring ProgramFolder() {
    std::wstring path = WideOf(qoExecutablePath());
    size_t slash = path.rfind(L'/');
    return slash == std::wstring::npos ? L"." : path.substr(0, slash);
}

std::wstring RoamingFolder() {
    PWSTR found = nullptr;
    std::wstring folder;
    if (SHGetKnownFolderPath(FOLDERID_RoamingAppData, 0, nullptr, &found) == S_OK) folder = found;
    CoTaskMemFree(found);
    return folder.empty() ? L"." : folder + L"\\Tessory";
}

// Whether a file can be made in `folder`: tried, not guessed from its attributes.
bool CanWriteIn(const std::wstring& folder) {
    std::wstring probe = folder + L"/.tessory-write-test-" + std::to_wstring(GetCurrentProcessId());
    HANDLE file = CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    CloseHandle(file);
    return true;
}

void ShowRuntimeError(const String& text) {
    MessageBoxW(nullptr, WideOf(text).c_str(), L"Tessory", MB_OK | MB_ICONERROR | MB_TASKMODAL);
}

}  // namespace

void qoStartPlatform() {
    // The installer leaves this file beside the program: an installed game keeps the
    // player's state in the player's own folder, never beside a program in Program Files.
    std::wstring program = ProgramFolder();
    bool installed =
        GetFileAttributesW((program + L"/installed.txt").c_str()) != INVALID_FILE_ATTRIBUTES;
    std::wstring state = !installed && CanWriteIn(program) ? program : RoamingFolder();
    SHCreateDirectoryExW(nullptr, state.c_str(), nullptr);
    SetCurrentDirectoryW(state.c_str());
    // A GUI program has no console: what it prints goes to its log beside the state.
    if (_wfreopen(L"tessory.log", L"a", stdout)) std::setvbuf(stdout, nullptr, _IOLBF, 4096);
    if (_wfreopen(L"tessory.log", L"a", stderr)) std::setvbuf(stderr, nullptr, _IONBF, 0);
    qoShowRuntimeError = ShowRuntimeError;
}

std::tm qoLocalTime(std::time_t when) {
    std::tm local{};
    localtime_s(&local, &when);
    return local;
}

void qoTuneAllocator() {}

void qoZeroFill(void* block, size_t bytes) {
    std::memset(block, 0, bytes);
}
