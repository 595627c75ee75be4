// What Windows itself reads from the packages, for wine_packaging.py: a program's version
// strings and manifest, the controls of a window and their text, a button pressed.
// Commands come on standard input, one a line, fields parted by tabs; each answer ends
// with a line ".", so that one start under Wine serves a test.
#include <windows.h>

#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

namespace {

std::string Utf8(const std::wstring& w) {
    std::string s(WideCharToMultiByte(CP_UTF8, 0, w.c_str(), -1, nullptr, 0, nullptr, nullptr), 0);
    WideCharToMultiByte(CP_UTF8, 0, w.c_str(), -1, &s[0], int(s.size()), nullptr, nullptr);
    s.resize(s.size() - 1);
    return s;
}

std::wstring Wide(const std::string& s) {
    std::wstring w(MultiByteToWideChar(CP_UTF8, 0, s.c_str(), -1, nullptr, 0), 0);
    MultiByteToWideChar(CP_UTF8, 0, s.c_str(), -1, &w[0], int(w.size()));
    w.resize(w.size() - 1);
    return w;
}

void Version(const std::wstring& path) {
    std::vector<char> data(GetFileVersionInfoSizeW(path.c_str(), nullptr));
    WORD* language;
    UINT size;
    if (data.empty() || !GetFileVersionInfoW(path.c_str(), 0, DWORD(data.size()), data.data()) ||
        !VerQueryValueW(data.data(), L"\\VarFileInfo\\Translation", (void**)&language, &size))
        return;
    for (const wchar_t* name :
         {L"ProductName", L"FileDescription", L"CompanyName", L"LegalCopyright",
          L"OriginalFilename", L"InternalName", L"FileVersion", L"ProductVersion"}) {
        wchar_t key[128], *value;
        swprintf(key, 128, L"\\StringFileInfo\\%04x%04x\\%ls", language[0], language[1], name);
        if (VerQueryValueW(data.data(), key, (void**)&value, &size))
            std::printf("%s=%s\n", Utf8(name).c_str(), Utf8(value).c_str());
    }
}

void Manifest(const std::wstring& path) {
    HMODULE module = LoadLibraryExW(path.c_str(), nullptr,
                                    LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    HRSRC found = module ? FindResourceW(module, MAKEINTRESOURCEW(1), RT_MANIFEST) : nullptr;
    if (found)
        std::printf("%.*s\n", int(SizeofResource(module, found)),
                    (const char*)LockResource(LoadResource(module, found)));
    if (module) FreeLibrary(module);
}

std::wstring Text(HWND window) {
    DWORD_PTR length = 0;
    SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 2000, &length);
    std::wstring text(length + 1, L'\0');
    SendMessageTimeoutW(window, WM_GETTEXT, length + 1, LPARAM(&text[0]), SMTO_ABORTIFHUNG, 2000,
                        &length);
    text.resize(length);
    return text;
}

// The visible controls of the visible top-level window whose title starts so (an
// installer's title changes from page to page), as "class<tab>text without &".
std::vector<std::pair<HWND, std::string>> Controls(const std::wstring& title) {
    std::pair<std::wstring, HWND> top{title, nullptr};
    EnumWindows(
        [](HWND window, LPARAM top) -> BOOL {
            auto* wanted = (std::pair<std::wstring, HWND>*)top;
            if (IsWindowVisible(window) && Text(window).rfind(wanted->first, 0) == 0)
                wanted->second = window;
            return !wanted->second;
        },
        LPARAM(&top));
    std::vector<std::pair<HWND, std::string>> found;
    if (!top.second) return found;
    EnumChildWindows(
        top.second,
        [](HWND child, LPARAM list) {
            wchar_t text[64];
            std::wstring line(text, GetClassNameW(child, text, 64));
            line += L'\t';
            for (wchar_t c : Text(child))
                if (c != L'&') line += c == L'\r' || c == L'\n' ? L' ' : c;
            if (IsWindowVisible(child))
                ((std::vector<std::pair<HWND, std::string>>*)list)->push_back({child, Utf8(line)});
            return TRUE;
        },
        LPARAM(&found));
    return found;
}

}  // namespace

int main() {
    for (std::string line; std::getline(std::cin, line);) {
        size_t tab = line.find('\t'), second = line.find('\t', tab + 1);
        std::string command = line.substr(0, tab);
        std::wstring arg =
            Wide(tab == std::string::npos ? "" : line.substr(tab + 1, second - tab - 1));
        if (command == "version") Version(arg);
        if (command == "manifest") Manifest(arg);
        for (auto& control : Controls(arg)) {
            if (command == "controls") std::printf("%s\n", control.second.c_str());
            if (command == "press" && control.second == "Button\t" + line.substr(second + 1))
                PostMessageW(control.first, BM_CLICK, 0, 0);  // the button named by the third field
        }
        std::printf(".\n");
        std::fflush(stdout);
    }
}
