// get, upload, export and compare: a read-back, then the display texts, the window's import
// and upload, its export, or the comparison with a file.
#include "cli/commands.h"
#include "cli/session.h"
#include "link/upload.h"
#include "params/descriptor.h"

namespace qlm::cli {

namespace {

// A settings file read before the instrument is reached, so that a bad file touches nothing.
std::optional<SettingsTexts> load(Context& context, const std::string& path, FileOp op) {
    ConsoleView view(context.out, context.err, {});
    SetupFiles files(context.files, [&view](const Outcome& outcome) { view.report(outcome); });
    return files.load(path, op);
}

bool upload_ended(const std::vector<Outcome>& outcomes) {
    for (const Outcome& outcome : outcomes) {
        if (std::holds_alternative<UploadFinished>(outcome) ||
            std::holds_alternative<UploadStopped>(outcome))
            return true;
    }
    return false;
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
    const auto texts = load(context, args[0], FileOp::import);
    if (!texts) return kFileError;
    Session session(context);
    if (!session.read_back()) return kUnreachable;
    const std::size_t from = session.outcome_count();
    session.panel().import_set(*texts);
    // A tick that ran long is followed at once, as a timer's next tick would be.
    Clock::time_point next = context.now();
    while (!upload_ended(session.outcomes_since(from))) {
        next += std::chrono::milliseconds(Upload::kIntervalMs);
        const Clock::time_point now = context.now();
        if (next > now)
            context.sleep(std::chrono::duration_cast<std::chrono::microseconds>(next - now));
        session.panel().tick();
    }
    print_sent(context.out, session.outcomes_since(from));
    return session.connection_failed() ? kUnreachable : kDone;
}

int export_command(const Args& args, Context& context) {
    if (args.size() != 1) return usage_error(context, "export 需要一个设置文件");
    Session session(context);
    if (!session.read_back()) return kUnreachable;
    return session.files().export_file(session.panel(), args[0]) ? kDone : kFileError;
}

int compare_command(const Args& args, Context& context) {
    if (args.size() != 1) return usage_error(context, "compare 需要一个设置文件");
    const auto texts = load(context, args[0], FileOp::compare);
    if (!texts) return kFileError;
    Session session(context);
    if (!session.read_back()) return kUnreachable;
    return session.files().compare(session.panel(), *texts).differences.empty() ? kDone : kDiffers;
}

} // namespace qlm::cli
