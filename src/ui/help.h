#pragma once
// Opens the help document "5120.CHM" from the current folder.

#include <QString>

namespace qlm {

constexpr const char* kHelpFile = "5120.CHM";

// An empty text when the viewer started, else what is missing.
QString open_help_document();

} // namespace qlm
