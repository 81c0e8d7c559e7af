// get, upload, export and compare: a read-back, then the display texts, the window's import
// and upload, its export, or the comparison with a file.
#include "cli/commands.h"
#include "cli/session.h"
#include "panel/json_text.h"
#include "panel/upload.h"
#include "params/descriptor.h"
#include "params/units.h"

namespace qlm::cli {

namespace {

// A settings file read before the instrument is reached, so that a bad file touches nothing.
std::optional<SettingsTexts> load(Context& context, const std::string& path, FileOp op) {
    ConsoleView view(context.out, context.err, {});
    SetupFiles files(context.files, [&view](const Outcome& outcome) { view.report(outcome, {}); });
    return files.load(path, op);
}

// The one file a command takes, or none after a usage error.
std::optional<std::string> one_file(const Args& args, Context& context, const char* command) {
    std::vector<std::string> given;
    std::string problem;
    const auto files = operands(args, {}, given, problem);
    if (!files) {
        usage_error(context, problem);
        return std::nullopt;
    }
    if (files->size() != 1) {
        usage_error(context, std::string(command) + " 需要一个设置文件");
        return std::nullopt;
    }
    return files->front();
}

// {"mode": "single", "gain": 20, ..., "display": {"mode": "单", "gain": "20dB", ...}}: numbers
// in SI base units, list names in English, and the display panel's texts with their units.
void print_json(std::ostream& out, const param_set& set) {
    out << "{\n";
    for (const Field field : kAllFields) {
        out << "  " << json_quoted(field_name(field)) << ": ";
        if (const char* name = english_name(field, set[field]))
            out << json_quoted(name);
        else if (const auto number = si_number(field, set[field]))
            out << *number;
        else
            out << "null";
        out << ",\n";
    }
    out << "  \"display\": {";
    const char* separator = "\n";
    for (const Field field : kAllFields) {
        out << separator << "    " << json_quoted(field_name(field)) << ": "
            << json_quoted(shown_text(field, set[field]));
        separator = ",\n";
    }
    out << "\n  }\n}\n";
}

} // namespace

int get_command(const Args& args, Context& context) {
    std::vector<std::string> given;
    std::string problem;
    const auto rest = operands(args, {"--json"}, given, problem);
    if (!rest) return usage_error(context, problem);
    if (!rest->empty()) return usage_error(context, "get 只接受 --json：" + rest->front());
    const bool json = !given.empty();
    Session session(context);
    if (!session.read_back()) return kUnreachable;
    const param_set& set = session.panel().params();
    if (json) {
        print_json(context.out, set);
        return kDone;
    }
    for (const Field field : kAllFields) {
        const std::string name = field_name(field);
        context.out << name << std::string(12 - name.size(), ' ') << shown_text(field, set[field])
                    << "\n";
    }
    return kDone;
}

// The window's import: the file's texts on the panel, then thirteen ticks 200 ms apart.
int upload_command(const Args& args, Context& context) {
    const auto path = one_file(args, context, "upload");
    if (!path) return kUsage;
    const auto texts = load(context, *path, FileOp::import);
    if (!texts) return kFileError;
    Session session(context);
    if (!session.read_back()) return kUnreachable;
    const auto outcomes = session.perform(
        [&](Caller caller) { session.panel().import_set(*texts, std::move(caller)); });
    const bool sent = !print_sent(context.out, outcomes).empty();
    if (session.connection_failed()) return kUnreachable;
    // Fields of the file that were not sent are named on stderr (the window's message).
    for (const Outcome& outcome : outcomes) {
        const auto* imported = std::get_if<Imported>(&outcome);
        if (!imported) continue;
        for (const ImportNote& note : imported->notes) {
            if (note.kind == ImportNote::not_applied) return sent ? kPartly : kRefused;
        }
    }
    return kDone;
}

int export_command(const Args& args, Context& context) {
    const auto path = one_file(args, context, "export");
    if (!path) return kUsage;
    Session session(context);
    if (!session.read_back()) return kUnreachable;
    return session.files().export_file(session.panel(), *path) ? kDone : kFileError;
}

int compare_command(const Args& args, Context& context) {
    const auto path = one_file(args, context, "compare");
    if (!path) return kUsage;
    const auto texts = load(context, *path, FileOp::compare);
    if (!texts) return kFileError;
    Session session(context);
    if (!session.read_back()) return kUnreachable;
    return session.files().compare(session.panel(), *texts).differences.empty() ? kDone : kDiffers;
}

} // namespace qlm::cli
