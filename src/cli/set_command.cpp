// set NAME VALUE ...: each pair as the operator sets it in the window. The pairs are first
// validated on what the instrument holds; one refusal and nothing of the run is sent.
#include "cli/commands.h"
#include "cli/session.h"
#include "panel/texts.h"
#include "params/descriptor.h"
#include "params/units.h"

namespace qlm::cli {

namespace {

std::string names() {
    std::string out;
    for (const Field field : kAllFields) {
        if (descriptor(field).code) out += std::string(out.empty() ? "" : " ") + field_name(field);
    }
    return out;
}

std::string entries(Field field) {
    std::string out;
    for (const Choice& choice : descriptor(field).choices) {
        out += (out.empty() ? "" : " ") + list_text(field, choice.text);
        if (choice.word) out += std::string("/") + choice.word;
    }
    return out;
}

// The pairs, or the usage error's message.
std::optional<std::vector<Change>> parse(Args args, std::string& problem) {
    // "--" may stand first; the values themselves may start with a minus ("voltage -150").
    if (!args.empty() && args.front() == "--") args.erase(args.begin());
    if (args.empty() || args.size() % 2 != 0) {
        problem = "set 需要成对的参数名和值";
        return std::nullopt;
    }
    std::vector<Change> pairs;
    for (std::size_t i = 0; i < args.size(); i += 2) {
        const std::string& name = args[i];
        const auto field = field_named(name);
        if (!field || !descriptor(*field).code) {
            problem = "未知参数：" + name + "（可设置：" + names() + "）";
            return std::nullopt;
        }
        // English names, any case, unit suffixes: as the field's own text. What the panel
        // takes already stays as written, for its messages.
        const bool listed = choice_position(*field, args[i + 1]).has_value();
        const std::string value = listed ? args[i + 1] : script_value(*field, args[i + 1]);
        if (!descriptor(*field).choices.empty()) {
            if (!choice_position(*field, value)) {
                problem = name + " 没有取值 " + args[i + 1] + "（可选：" + entries(*field) + "）";
                return std::nullopt;
            }
        } else if (value.empty()) {
            problem = name + " 的值为空";
            return std::nullopt;
        }
        pairs.push_back({*field, value});
    }
    return pairs;
}

} // namespace

int set_command(const Args& args, Context& context) {
    std::string problem;
    const auto pairs = parse(args, problem);
    if (!pairs) return usage_error(context, problem);
    Session session(context);
    if (!session.read_back()) return kUnreachable;

    // What each field last went to the instrument as; the rest is only shown.
    param_set sent = session.panel().params();
    bool sent_any = false;
    for (std::size_t i = 0; i < pairs->size(); ++i) {
        const Change& pair = (*pairs)[i];
        // The rest of the run checked again on what the instrument now holds (the PRF list
        // fetches the width as it opens), so that a refusal never follows a send unseen.
        session.perform([&](Caller caller) { session.panel().open_list(pair.field, caller); });
        const std::vector<Change> rest(pairs->begin() + static_cast<std::ptrdiff_t>(i),
                                       pairs->end());
        std::vector<Refused> refused;
        session.perform([&](Caller caller) {
            caller.told = [](const Outcome&) { return true; }; // said here, below
            refused = session.panel().refuse(rest, caller);
        });
        for (const Refused& each : refused) {
            context.err << field_name(each.field) << " " << each.value << "："
                        << texts::refusal(each) << "\n";
        }
        if (!refused.empty()) {
            context.err << (sent_any ? "其余参数未发送。\n" : "未发送任何参数。\n");
            return session.connection_failed() ? kUnreachable : sent_any ? kPartly : kRefused;
        }
        const auto outcomes =
            session.perform([&](Caller caller) { session.panel().apply(pair, false, caller); });
        for (const Field field : print_sent(context.out, outcomes)) {
            sent[field] = session.panel().params()[field];
            sent_any = true;
        }
    }
    const param_set& shown = session.panel().params();
    for (const Field field : kAllFields) {
        if (shown[field] != sent[field])
            context.out << texts::display_only_line(field, shown[field]) << "\n";
    }
    return session.connection_failed() ? kUnreachable : kDone;
}

} // namespace qlm::cli
