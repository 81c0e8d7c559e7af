#include "link/paths.h"

#ifdef _WIN32
#include "link/wide.h"

#include <windows.h>
#else
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace qlm {

#ifdef _WIN32
std::string program_folder() {
    std::wstring buffer(32768, L'\0');
    const DWORD size =
        GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (size == 0 || size >= buffer.size()) return {};
    buffer.resize(size);
    const std::string path = narrow(buffer);
    const auto slash = path.find_last_of("\\/");
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

std::string join_path(const std::string& folder, const std::string& name) {
    return folder + "\\" + name;
}

bool file_exists(const std::string& path) {
    const DWORD attributes = GetFileAttributesW(widen(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::string wow64_system_folder() {
    wchar_t buffer[MAX_PATH] = {};
    const UINT size = GetSystemWow64DirectoryW(buffer, MAX_PATH);
    if (size == 0 || size >= MAX_PATH) return {};
    return narrow(std::wstring(buffer, size));
}

#else
std::string program_folder() {
    char buffer[PATH_MAX];
    const ssize_t size = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (size <= 0) return {};
    const std::string path(buffer, static_cast<std::size_t>(size));
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

std::string join_path(const std::string& folder, const std::string& name) {
    return folder + "/" + name;
}

bool file_exists(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

std::string wow64_system_folder() {
    return {};
}

#endif

} // namespace qlm
