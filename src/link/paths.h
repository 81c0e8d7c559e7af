#pragma once
// Paths of the running program and of files, in UTF-8.

#include <string>

namespace qlm {

// The folder of the running executable, without a trailing separator; empty if unknown.
std::string program_folder();

// `folder` joined with `name` by the platform's separator.
std::string join_path(const std::string& folder, const std::string& name);

bool file_exists(const std::string& path);

// The system folder of 32-bit programs on 64-bit Windows (SysWOW64); empty elsewhere.
std::string wow64_system_folder();

} // namespace qlm
