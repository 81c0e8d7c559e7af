#pragma once
// qlm5120rx-cli serve: the front panel as a SCPI server over TCP, until Ctrl+C or SIGTERM.

#include "cli/cli.h"

#include <string>
#include <vector>

namespace qlm::cli {

// `folder`: where MMEMory files live unless --files names another.
int serve_command(const std::vector<std::string>& args, Context& context,
                  const std::string& folder);

} // namespace qlm::cli
