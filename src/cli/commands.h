#pragma once
// The commands of one run, and what they share.

#include "cli/cli.h"

#include <optional>
#include <string>
#include <vector>

namespace qlm::cli {

using Args = std::vector<std::string>; // after the command's name

// A usage error: the message, then how to get help; kUsage.
int usage_error(Context& context, const std::string& message);

int get_command(const Args& args, Context& context);
int set_command(const Args& args, Context& context);
int upload_command(const Args& args, Context& context);
int export_command(const Args& args, Context& context);
int compare_command(const Args& args, Context& context);

// The arguments that are not options: "--" ends the options; before it an argument that
// starts with "-" must be one of `options` (given once; collected into `given`). None, with
// the usage error's message, otherwise.
std::optional<Args> operands(const Args& args, const std::vector<std::string>& options,
                             std::vector<std::string>& given, std::string& problem);

} // namespace qlm::cli
