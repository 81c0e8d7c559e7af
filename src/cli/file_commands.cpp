// get, upload, export and compare: a read-back, then the display texts, the window's import
// and upload, its export, or the comparison with a file.
#include "cli/commands.h"
#include "cli/session.h"
#include "link/upload.h"
#include "params/descriptor.h"

namespace qlm::cli {

namespace {

std::optional<SettingsTexts> load(Context& context, const std::string& path, const char* failed) {
    FileRead file = context.files.load(path);
    if (!file.texts) context.err << failed << path << "\n" << file.error << "\n";
    return file.texts;
}

} // namespace

int get_command(const Args& args, Context& context) {
    bool json = false;
    for (const std::string& arg : args) {
        if (arg != "--json" || json) return usage_error(context, "get 只接受 --json：" + arg);
        json = true;
    }
    Session session(context);
    if (!session.read_back()) return kUnreachable;
    const param_set& set = session.panel().params();
    if (json) {
        context.out << "{";
        const char* separator = "\n";
        for (const Field field : kAllFields) {
            context.out << separator << "  " << json_string(descriptor(field).name) << ": "
                        << json_string(set[field]);
            separator = ",\n";
        }
        context.out << "\n}\n";
        return kDone;
    }
    for (const Field field : kAllFields) {
        const std::string name = descriptor(field).name;
        context.out << name << std::string(12 - name.size(), ' ') << shown_text(field, set[field])
                    << "\n";
    }
    return kDone;
}

// The window's import: the file's texts on the panel, then thirteen ticks 200 ms apart.
int upload_command(const Args& args, Context& context) {
    if (args.size() != 1) return usage_error(context, "upload 需要一个设置文件");
    const auto texts = load(context, args[0], "导入失败：");
    if (!texts) return kFileError;
    Session session(context);
    if (!session.read_back()) return kUnreachable;
    const std::size_t from = session.driver().calls().size();
    session.panel().import_set(*texts);
    // A tick that ran long is followed at once, as a timer's next tick would be.
    Clock::time_point next = context.now();
    while (session.view().timer_running()) {
        next += std::chrono::milliseconds(Upload::kIntervalMs);
        const Clock::time_point now = context.now();
        if (next > now)
            context.sleep(std::chrono::duration_cast<std::chrono::microseconds>(next - now));
        session.panel().tick();
    }
    print_sent(context.out, session.driver(), from, session.panel().params());
    return session.connection_failed() ? kUnreachable : kDone;
}

int export_command(const Args& args, Context& context) {
    if (args.size() != 1) return usage_error(context, "export 需要一个设置文件");
    Session session(context);
    if (!session.read_back()) return kUnreachable;
    const std::string problem = context.files.save(args[0], session.panel().params().texts());
    if (!problem.empty()) {
        context.err << "导出失败：" << args[0] << "\n" << problem << "\n";
        return kFileError;
    }
    return kDone;
}

int compare_command(const Args& args, Context& context) {
    if (args.size() != 1) return usage_error(context, "compare 需要一个设置文件");
    const auto texts = load(context, args[0], "读取失败：");
    if (!texts) return kFileError;
    Session session(context);
    if (!session.read_back()) return kUnreachable;
    const auto found = differences(param_set::from_texts(*texts), session.panel().params());
    if (found.empty()) {
        context.out << "仪器参数与文件一致。\n";
        return kDone;
    }
    context.out << "以下参数与文件不一致：\n";
    for (const Difference& d : found) {
        const ParamDescriptor& param = descriptor(d.field);
        context.out << param.name << "（" << param.title << "）：文件 "
                    << shown_text(d.field, d.shown) << "，仪器 "
                    << shown_text(d.field, d.instrument) << "\n";
    }
    return kDiffers;
}

} // namespace qlm::cli
