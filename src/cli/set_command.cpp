// set NAME VALUE ...: each pair as the operator sets it in the window. The pairs are first
// rehearsed on a panel that sends nothing; one refusal and nothing of the run is sent.
#include "cli/commands.h"
#include "cli/session.h"
#include "params/descriptor.h"

namespace qlm::cli {

namespace {

struct Pair {
    Field field;
    std::string value;
    std::optional<std::size_t> position; // the list entry; none for the typed three
};

std::string names() {
    std::string out;
    for (const Field field : kAllFields) {
        if (descriptor(field).code)
            out += std::string(out.empty() ? "" : " ") + descriptor(field).name;
    }
    return out;
}

std::string entries(Field field) {
    std::string out;
    for (const Choice& choice : descriptor(field).choices)
        out += (out.empty() ? "" : " ") + list_text(field, choice.text);
    return out;
}

// A list entry chosen in the opened list (the PRF list fetches the width as it opens), or a
// number typed and confirmed with Enter.
void apply(Panel& panel, const Pair& pair) {
    if (pair.position) {
        panel.open_list(pair.field);
        panel.choose(pair.field, static_cast<int>(*pair.position));
    } else {
        panel.confirm(pair.field, pair.value, ConfirmedBy::enter);
    }
}

// The pairs, or the usage error's message.
std::optional<std::vector<Pair>> parse(const Args& args, std::string& problem) {
    if (args.empty() || args.size() % 2 != 0) {
        problem = "set 需要成对的参数名和值";
        return std::nullopt;
    }
    std::vector<Pair> pairs;
    for (std::size_t i = 0; i < args.size(); i += 2) {
        const std::string& name = args[i];
        const std::string& value = args[i + 1];
        const auto field = field_named(name);
        if (!field || !descriptor(*field).code) {
            problem = "未知参数：" + name + "（可设置：" + names() + "）";
            return std::nullopt;
        }
        Pair pair{*field, value, std::nullopt};
        if (!descriptor(*field).choices.empty()) {
            pair.position = choice_position(*field, value);
            if (!pair.position) {
                problem = name + " 没有取值 " + value + "（可选：" + entries(*field) + "）";
                return std::nullopt;
            }
        } else if (value.empty()) {
            problem = name + " 的值为空";
            return std::nullopt;
        }
        pairs.push_back(pair);
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

    // The rehearsal starts from what the instrument holds, as the real run does.
    RehearsalDriver nothing_sent;
    ConsoleView quiet(nullptr, {});
    Panel rehearsal(nothing_sent, quiet);
    rehearsal.apply_settings_fields(session.panel().params().texts());
    bool refused = false;
    for (const Pair& pair : *pairs) {
        const std::size_t before = quiet.messages().size();
        apply(rehearsal, pair);
        for (std::size_t i = before; i < quiet.messages().size(); ++i) {
            context.err << descriptor(pair.field).name << " " << pair.value << "："
                        << quiet.messages()[i] << "\n";
            refused = true;
        }
    }
    if (refused) {
        context.err << "未发送任何参数。\n";
        return kRefused;
    }

    // What each field last went to the instrument as; the rest is only shown.
    param_set sent = session.panel().params();
    for (const Pair& pair : *pairs) {
        const std::size_t from = session.driver().calls().size();
        const std::size_t messages = session.view().messages().size();
        apply(session.panel(), pair);
        const param_set& shown = session.panel().params();
        for (const Field field : print_sent(context.out, session.driver(), from, shown))
            sent[field] = shown[field];
        // Refused now, after the rehearsal took it: the instrument changed meanwhile.
        for (std::size_t i = messages; i < session.view().messages().size(); ++i) {
            if (session.view().messages()[i] != kConnectionFailedText) return kRefused;
        }
    }
    const param_set& shown = session.panel().params();
    for (const Field field : kAllFields) {
        if (shown[field] != sent[field])
            context.out << "仅显示 " << descriptor(field).name << "="
                        << shown_text(field, shown[field])
                        << (descriptor(field).code ? "（未发送）\n" : "（由脉冲宽度得出）\n");
    }
    return session.connection_failed() ? kUnreachable : kDone;
}

} // namespace qlm::cli
