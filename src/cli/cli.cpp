#include "cli/cli.h"

#include "cli/commands.h"
#include "panel/version.h"

#include <algorithm>
#include <map>

namespace qlm::cli {

int usage_error(Context& context, const std::string& message) {
    context.err << "qlm5120rx-cli：" << message << "\n"
                << "用法：qlm5120rx-cli get|set|upload|export|compare|serve|journal|sheet ...，"
                   "qlm5120rx-cli --help 查看说明\n";
    return kUsage;
}

int run(const std::vector<std::string>& args, Context& context) {
    for (const std::string& arg : args) {
        if (arg == "--") break;
        if (arg == "--help" || arg == "-h") {
            context.out << help_text();
            return kDone;
        }
        if (arg == "--version") {
            context.out << "qlm5120rx-cli " << program_version() << "\n";
            return kDone;
        }
    }
    if (args.empty()) return usage_error(context, "缺少命令");
    if (args.front() == "serve") {
        if (!context.serve) return usage_error(context, "这个程序没有远程控制服务");
        return context.serve(Args(args.begin() + 1, args.end()));
    }
    using Command = int (*)(const Args&, Context&);
    static const std::map<std::string, Command> commands{
        {"get", get_command},       {"set", set_command},         {"upload", upload_command},
        {"export", export_command}, {"compare", compare_command},
    };
    if (const auto more = context.more_commands.find(args.front());
        more != context.more_commands.end())
        return more->second(Args(args.begin() + 1, args.end()), context);
    const auto command = commands.find(args.front());
    if (command == commands.end()) return usage_error(context, "未知命令：" + args.front());
    return command->second(Args(args.begin() + 1, args.end()), context);
}

std::optional<Args> operands(const Args& args, const std::vector<std::string>& options,
                             std::vector<std::string>& given, std::string& problem) {
    Args out;
    bool ended = false;
    for (const std::string& arg : args) {
        if (!ended && arg == "--") {
            ended = true;
        } else if (!ended && arg.size() > 1 && arg.front() == '-') {
            if (std::find(options.begin(), options.end(), arg) == options.end() ||
                std::find(given.begin(), given.end(), arg) != given.end()) {
                problem = "未知或重复的选项：" + arg + "（文件名以 - 开头时，请在它前面写 --）";
                return std::nullopt;
            }
            given.push_back(arg);
        } else {
            out.push_back(arg);
        }
    }
    return out;
}

} // namespace qlm::cli
