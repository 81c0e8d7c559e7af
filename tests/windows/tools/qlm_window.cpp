// qlm-window list | wait TEXT [SECONDS] | gone TEXT [SECONDS] | close TEXT
// Finds visible top-level windows whose title contains TEXT (or, for "class:NAME", whose
// window class is NAME). "wait" returns when one is
// there (printing the seconds it took), "gone" when none is left, "close" posts WM_CLOSE
// to each, as the system menu's Close does. Exit status 0 on success, 1 otherwise.
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

namespace {

struct Window {
    HWND handle;
    std::wstring title;
    std::wstring class_name;
};

BOOL CALLBACK collect(HWND handle, LPARAM list) {
    if (!IsWindowVisible(handle)) return TRUE;
    wchar_t title[512] = {};
    wchar_t class_name[256] = {};
    GetWindowTextW(handle, title, 512);
    GetClassNameW(handle, class_name, 256);
    reinterpret_cast<std::vector<Window>*>(list)->push_back({handle, title, class_name});
    return TRUE;
}

std::vector<Window> matching(const wchar_t* text) {
    std::vector<Window> all;
    EnumWindows(collect, reinterpret_cast<LPARAM>(&all));
    const std::wstring wanted = text ? text : L"";
    const bool by_class = wanted.rfind(L"class:", 0) == 0;
    std::vector<Window> found;
    for (const Window& window : all) {
        const bool match =
            by_class ? window.class_name == wanted.substr(6)
                     : !window.title.empty() && window.title.find(wanted) != std::wstring::npos;
        if (match) found.push_back(window);
    }
    return found;
}

void print_utf8(const std::wstring& line) {
    const std::wstring with_end = line + L"\n";
    const int size =
        WideCharToMultiByte(CP_UTF8, 0, with_end.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string bytes(size > 0 ? size : 1, '\0');
    WideCharToMultiByte(CP_UTF8, 0, with_end.c_str(), -1, bytes.data(), size, nullptr, nullptr);
    std::fputs(bytes.c_str(), stdout);
    std::fflush(stdout);
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    const std::wstring command = argc > 1 ? argv[1] : L"";
    const wchar_t* text = argc > 2 ? argv[2] : nullptr;
    const double seconds = argc > 3 ? std::wcstod(argv[3], nullptr) : 60.0;
    if (command == L"list") {
        for (const Window& window : matching(nullptr))
            print_utf8(window.title + L"\t" + window.class_name);
        return 0;
    }
    if (!text) {
        std::fputs("usage: qlm-window list | wait TEXT [SECONDS] | gone TEXT [SECONDS] | "
                   "close TEXT\n",
                   stderr);
        return 2;
    }
    if (command == L"close") {
        const std::vector<Window> found = matching(text);
        for (const Window& window : found)
            PostMessageW(window.handle, WM_CLOSE, 0, 0);
        return found.empty() ? 1 : 0;
    }
    const bool want_window = command == L"wait";
    if (!want_window && command != L"gone") return 2;
    const ULONGLONG start = GetTickCount64();
    while (true) {
        const bool there = !matching(text).empty();
        const double elapsed = (GetTickCount64() - start) / 1000.0;
        if (there == want_window) {
            std::printf("%.2f\n", elapsed);
            return 0;
        }
        if (elapsed > seconds) return 1;
        Sleep(50);
    }
}
