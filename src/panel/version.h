#pragma once
// The program's version, from the build's project version ("1.1").

namespace qlm {

const char* program_version();

} // namespace qlm
