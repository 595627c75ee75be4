// The Windows side of the platform layer: the executable found through its module, URLs
// handed to the shell, the folder that keeps the player's state, and the log and message
// box that stand in for a terminal.
// windows.h first: the shell headers build on its types.
// clang-format off
#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>
// clang-format on

#include <io.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
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

// The folder for an installed game's state: %APPDATA%\Tessory; empty when the system
// names no such folder.
std::wstring RoamingFolder() {
    PWSTR found = nullptr;
    std::wstring folder;
    if (SHGetKnownFolderPath(FOLDERID_RoamingAppData, 0, nullptr, &found) == S_OK) folder = found;
    CoTaskMemFree(found);
    return folder.empty() ? folder : folder + L"\\Tessory";
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

// The system's own words for an error code, without the full stop and line break they end
// with.
std::wstring SystemMessage(DWORD error) {
    wchar_t* text = nullptr;
    FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring said = text ? text : L"error " + std::to_wstring(error);
    LocalFree(text);
    while (!said.empty() && (said.back() == L'\n' || said.back() == L'\r' || said.back() == L' ' ||
                             said.back() == L'.'))
        said.pop_back();
    return said;
}

void Box(const std::wstring& text, UINT icon) {
    MessageBoxW(nullptr, text.c_str(), L"Tessory", MB_OK | icon | MB_TASKMODAL);
}

void ShowRuntimeError(const String& text) {
    Box(WideOf(text), MB_ICONERROR);
}

bool stateFolderReady = true;

// Makes and enters `folder`; false, with the system's reason, when it cannot.
bool EnterFolder(const std::wstring& folder, std::wstring* why) {
    if (folder.empty()) {
        *why = L"Windows names no folder for application data";
        return false;
    }
    int made = SHCreateDirectoryExW(nullptr, folder.c_str(), nullptr);
    if (made != ERROR_SUCCESS && made != ERROR_ALREADY_EXISTS && made != ERROR_FILE_EXISTS) {
        *why = SystemMessage(static_cast<DWORD>(made));
        return false;
    }
    if (!SetCurrentDirectoryW(folder.c_str())) {
        *why = SystemMessage(GetLastError());
        return false;
    }
    return true;
}

// The log beside the state, opened by the program itself: a program started from a
// shortcut has no standard handles for the C runtime to reopen, so the descriptors
// behind the standard streams are pointed at the file instead.
void OpenLog() {
    FILE* log = _wfopen(L"tessory.log", L"a");
    if (!log) return;
    _dup2(_fileno(log), 1);
    _dup2(_fileno(log), 2);
    std::fclose(log);
#ifndef _UCRT
    // msvcrt marks a standard stream whose handle was missing at start with -2, and its
    // freopen refuses such a stream; the descriptor behind it is valid now.
    if (_fileno(stdout) < 0) stdout->_file = 1;
    if (_fileno(stderr) < 0) stderr->_file = 2;
#endif
    std::setvbuf(stdout, nullptr, _IOLBF, 4096);
    std::setvbuf(stderr, nullptr, _IONBF, 0);
    std::tm now = qoLocalTime(std::time(nullptr));
    char when[32];
    std::strftime(when, sizeof when, "%Y-%m-%d %H:%M:%S", &now);
    std::printf("Tessory %s started %s\n", qoProgramVersion, when);
}

}  // namespace

void qoStartPlatform() {
    qoShowRuntimeError = ShowRuntimeError;
    // The installer leaves this file beside the program: an installed game keeps the
    // player's state in the player's own folder, never beside a program in Program Files.
    std::wstring program = ProgramFolder();
    bool installed =
        GetFileAttributesW((program + L"/installed.txt").c_str()) != INVALID_FILE_ATTRIBUTES;
    std::wstring state = !installed && CanWriteIn(program) ? program : RoamingFolder(), why;
    if (!EnterFolder(state, &why)) {
        // Never the program's folder or wherever it was started instead: a state kept
        // there would be left behind, or lost, by the next install.
        stateFolderReady = false;
        std::wstring folder = state.empty() ? L"%APPDATA%\\Tessory" : state;
        for (wchar_t& c : folder) c = c == L'/' ? L'\\' : c;
        Box(L"Tessory cannot keep its settings and highscores in " + folder + L" (" + why +
                L").\n\nYou can play, but nothing is saved this time.",
            MB_ICONWARNING);
        return;
    }
    OpenLog();
}

bool qoStateFolderReady() {
    return stateFolderReady;
}

void qoTellPlayer(const std::string& text, bool problem) {
    std::fputs(text.c_str(), problem ? stderr : stdout);
    Box(WideOf(String::FromUtf8(text)), problem ? MB_ICONERROR : MB_ICONINFORMATION);
}

const char* const qoMendInstall = "Reinstall Tessory.";

std::tm qoLocalTime(std::time_t when) {
    std::tm local{};
    localtime_s(&local, &when);
    return local;
}

void qoTuneAllocator() {}

void qoZeroFill(void* block, size_t bytes) {
    std::memset(block, 0, bytes);
}
