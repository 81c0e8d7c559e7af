#pragma once
// UTF-8 to and from the UTF-16 of the Windows calls.

#ifdef _WIN32
#include <string>

namespace qlm {

std::wstring widen(const std::string& text);
std::string narrow(const std::wstring& wide);

} // namespace qlm
#endif
