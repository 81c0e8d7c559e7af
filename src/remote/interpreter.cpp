#include "remote/interpreter.h"

#include "remote/field_values.h"

#include "panel/version.h"
#include "params/descriptor.h"
#include "params/interlock.h"
#include "params/number.h"
#include "params/units.h"

#include <algorithm>
#include <filesystem>
#include <numeric>
#include <utility>

namespace qlm::remote {

namespace {

int refusal_code(Rule rule) {
    switch (rule) {
    case Rule::out_of_range:
        return error::kOutOfRange;
    case Rule::prf_not_allowed:
        return error::kSettingsConflict;
    case Rule::not_a_number:
    case Rule::not_an_entry:
        break;
    }
    return error::kIllegalValue;
}

std::optional<ScpiError> delivery_error(const Sent& sent) {
    const std::string name = remote_field(sent.field).name;
    switch (sent.delivery) {
    case SendResult::delivered:
    case SendResult::withheld:
        return std::nullopt;
    case SendResult::busy:
        return ScpiError{error::kHardware, name + " not sent: instrument held by another program"};
    case SendResult::announce_refused:
    case SendResult::data_refused:
        break;
    }
    return ScpiError{error::kHardware, name + " not taken: instrument not reachable"};
}

ScpiError read_error(const ReadBack& read) {
    return {error::kHardware, read.result == ReadResult::busy ? "instrument held by another program"
                                                              : "instrument not reachable"};
}

std::filesystem::path from_utf8(const std::string& text) {
    return std::filesystem::path(std::u8string(text.begin(), text.end()));
}

std::string to_utf8(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

bool unsafe_name(const std::string& name) {
    if (name.empty() || name.find('\\') != std::string::npos || name.find(':') != std::string::npos)
        return true;
    const std::filesystem::path path = from_utf8(name);
    if (path.is_absolute() || path.has_root_path()) return true;
    for (const auto& part : path) {
        if (part == "..") return true;
    }
    std::string extension = path.extension().string();
    for (char& c : extension)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return extension != ".qini";
}

} // namespace

Interpreter::Interpreter(Host host) : host_(std::move(host)) {}

std::string Interpreter::answer_text(Field field, const std::string& text) {
    const RemoteField& remote = remote_field(field);
    if (remote.answers[0]) {
        if (const auto position = choice_position(field, text);
            position && *position < remote.answers.size() && remote.answers[*position])
            return remote.answers[*position];
    }
    if (remote.units != Units::none) {
        if (auto number = si_text(field, text)) return *number;
    }
    std::string out = text;
    for (char& c : out) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte <= 0x20 || byte > 0x7e || c == ';' || c == ',') c = '?';
    }
    return out.empty() ? "?" : out;
}

void Interpreter::push(Client& client, ScpiError error) {
    client.esr |= esr_bit(error.code);
    client.errors.push(std::move(error));
}

namespace {

// The commands a line holds at most: one more than its semicolons outside quotes.
std::size_t commands_in(const std::string& line) {
    std::size_t count = 1;
    char quote = 0;
    for (const char c : line) {
        if (quote) {
            if (c == quote) quote = 0;
        } else if (c == '"' || c == '\'') {
            quote = c;
        } else if (c == ';') {
            ++count;
        }
    }
    return count;
}

// What an outcome tells a client that caused it, as an error.
std::optional<ScpiError> error_of(const Outcome& outcome, const param_set& set) {
    if (const auto* refusal = std::get_if<Refused>(&outcome))
        return ScpiError{refusal_code(refusal->rule), refusal_detail(*refusal, set)};
    if (const auto* sent = std::get_if<Sent>(&outcome)) return delivery_error(*sent);
    if (const auto* read = std::get_if<ReadBack>(&outcome)) {
        // A width read as a list opens keeps the display's: no error of the command's.
        if (read->result != ReadResult::answered && read->kind != ReadKind::width)
            return read_error(*read);
    }
    if (const auto* imported = std::get_if<Imported>(&outcome)) {
        for (const ImportNote& note : imported->notes) {
            if (note.kind == ImportNote::not_applied)
                return ScpiError{error::kIllegalValue, std::string(remote_field(note.field).name) +
                                                           " of the file not applied"};
        }
    }
    return std::nullopt;
}

} // namespace

void Interpreter::forget(Client& client) {
    client.gone_ = true;
}

void Interpreter::begin(const std::shared_ptr<Client>& client, std::string line) {
    client->prefix_.clear();
    client->answers_.clear();
    if (commands_in(line) > kMaxCommands) {
        push(*client, {error::kTooMuchData,
                       "more than " + std::to_string(kMaxCommands) + " commands in one line"});
        client->parser_.emplace(std::string());
        return;
    }
    client->parser_.emplace(std::move(line));
}

bool Interpreter::run(const std::shared_ptr<Client>& client, std::string line) {
    begin(client, std::move(line));
    return resume(client);
}

bool Interpreter::resume(const std::shared_ptr<Client>& client) {
    return advance(client, static_cast<std::size_t>(-1)) == Progress::ended;
}

Interpreter::Progress Interpreter::advance(const std::shared_ptr<Client>& client,
                                           std::size_t commands) {
    if (!client->parser_) return Progress::ended;
    for (std::size_t ran = 0; ran < commands; ++ran) {
        if (client->waiting_) return Progress::waiting;
        ScpiError error;
        const auto command = client->gone_ ? std::nullopt : client->parser_->next(error);
        if (!command) {
            if (error.code) push(*client, error);
            end_line(*client);
            return Progress::ended;
        }
        client->stepping_ = true;
        execute(client, *command);
        client->stepping_ = false;
    }
    return client->waiting_ ? Progress::waiting : Progress::more;
}

void Interpreter::end_line(Client& client) {
    if (!client.answers_.empty() && !client.gone_) {
        std::string message;
        for (const std::string& answer : client.answers_)
            message += (message.empty() ? "" : ";") + answer;
        client.output += message + "\n";
    }
    client.answers_.clear();
    client.parser_.reset();
}

Caller Interpreter::answering(const std::shared_ptr<Client>& client, bool waits,
                              std::function<void(Client&, const std::vector<Outcome>&)> then) {
    if (waits) client->waiting_ = true;
    const std::weak_ptr<Client> weak = client;
    Caller caller;
    caller.told = [this, weak](const Outcome& outcome) {
        const auto asker = weak.lock();
        if (asker && !asker->gone_) {
            if (auto problem = error_of(outcome, host_.panel.params())) push(*asker, *problem);
        }
        return true; // the client's, not the operator's
    };
    caller.done = [weak, waits, then = std::move(then)](const std::vector<Outcome>& outcomes) {
        const auto asker = weak.lock();
        if (!asker) return;
        if (then && !asker->gone_) then(*asker, outcomes);
        if (!waits) return;
        asker->waiting_ = false;
        if (!asker->stepping_ && asker->on_ready) asker->on_ready();
    };
    return caller;
}

void Interpreter::execute(const std::shared_ptr<Client>& client, const Command& command) {
    const CommandEntry* entry = find_command(command, client->prefix_);
    std::string written;
    for (const std::string& node : command.path)
        written += (written.empty() ? "" : ":") + node;
    if (!entry) return push(*client, {error::kUndefinedHeader, written});
    if (command.query ? !entry->queries : !entry->sets) {
        return push(*client, {error::kCommand, written + (command.query ? " has no query form"
                                                                        : " is a query only")});
    }
    const bool takes_value =
        !command.query && (entry->action == Action::field || entry->action == Action::ese ||
                           entry->action == Action::load || entry->action == Action::store);
    // A field's query takes MIN, MAX or DEF.
    const std::size_t most = takes_value || (command.query && entry->action == Action::field);
    if (command.params.size() > most) return push(*client, {error::kParameterNotAllowed, written});
    if (takes_value && command.params.empty())
        return push(*client, {error::kMissingParameter, written});

    switch (entry->action) {
    case Action::field:
        if (command.query) return query_field(client, remote_field(*entry->field), command);
        return set_field(client, remote_field(*entry->field), command.params.front());
    case Action::probe_freq:
        return from_instrument(client, Field::probe_freq, [](Client& each, const param_set& set) {
            each.answers_.push_back(answer_text(Field::probe_freq, set.probe_freq));
        });
    case Action::present: {
        const auto& presence = host_.panel.known().presence();
        client->answers_.push_back(presence && presence->answered ? "1" : "0");
        return;
    }
    case Action::read_back:
        if (host_.panel.uploading())
            return push(*client, {error::kSettingsConflict, "INST:READ during an upload"});
        host_.panel.read_back(answering(client, true));
        return;
    case Action::check:
        host_.panel.check_instrument(
            answering(client, true, [](Client& each, const std::vector<Outcome>& outcomes) {
                for (const Outcome& outcome : outcomes) {
                    const auto* compared = std::get_if<Compared>(&outcome);
                    if (!compared) continue;
                    std::string answer = std::to_string(compared->differences.size());
                    for (const Difference& difference : compared->differences) {
                        answer += std::string(",") + remote_field(difference.field).name + "," +
                                  answer_text(difference.field, difference.shown) + "," +
                                  answer_text(difference.field, difference.instrument);
                    }
                    each.answers_.push_back(answer);
                }
            }));
        return;
    case Action::restore:
        if (host_.panel.uploading())
            return push(*client, {error::kSettingsConflict, "INST:REST during an upload"});
        if (!host_.panel.kept())
            return push(*client, {error::kSettingsConflict, "INST:REST: no change to undo"});
        // The command ends as its upload starts; *OPC? waits for the upload.
        host_.panel.restore(answering(client, false));
        return;
    case Action::load:
    case Action::store:
        return file_command(client, entry->action, command.params.front());
    default:
        return execute_common(client, *entry, command);
    }
}

void Interpreter::execute_common(const std::shared_ptr<Client>& waiter, const CommandEntry& entry,
                                 const Command& command) {
    Client& client = *waiter;
    switch (entry.action) {
    case Action::idn:
        client.answers_.push_back(std::string("Kavronix,QLM-5120RX,0,") + program_version());
        return;
    case Action::rst:
        // The instrument has no reset of its own: nothing is sent (see docs/remote-control.md).
        return;
    case Action::cls:
        client.errors.clear();
        client.esr = 0;
        return;
    case Action::esr:
        client.answers_.push_back(std::to_string(std::exchange(client.esr, 0)));
        return;
    case Action::ese: {
        if (command.query) {
            client.answers_.push_back(std::to_string(client.ese));
            return;
        }
        const Parameter& value = command.params.front();
        const auto text = value.kind == Parameter::Kind::number && value.suffix.empty()
                              ? number_text(value.number, 0)
                              : std::nullopt;
        const auto mask = text ? parse_decimal(*text) : std::nullopt;
        if (!mask || mask->den != 1 || mask->num < 0 || mask->num > 255)
            return push(client, {error::kOutOfRange, "*ESE 0 to 255"});
        client.ese = static_cast<int>(mask->num);
        return;
    }
    case Action::opc:
    case Action::wai: {
        // The client's own commands have ended (they run in turn); an upload may not have.
        client.waiting_ = true;
        const std::weak_ptr<Client> weak = waiter;
        const Action action = entry.action;
        const bool query = command.query;
        host_.panel.after_upload([weak, action, query] {
            const auto each = weak.lock();
            if (!each) return;
            if (action == Action::opc && query) each->answers_.push_back("1");
            if (action == Action::opc && !query) each->esr |= 0x01; // operation complete
            each->waiting_ = false;
            if (!each->stepping_ && each->on_ready) each->on_ready();
        });
        return;
    }
    case Action::stb: {
        int status = client.errors.count() ? 0x04 : 0;
        if (client.esr & client.ese) status |= 0x20;
        client.answers_.push_back(std::to_string(status));
        return;
    }
    case Action::error_next:
        client.answers_.push_back(client.errors.next().answer());
        return;
    case Action::error_count:
        client.answers_.push_back(std::to_string(client.errors.count()));
        return;
    case Action::version:
        client.answers_.push_back("1999.0");
        return;
    default:
        return;
    }
}

void Interpreter::from_instrument(const std::shared_ptr<Client>& client, Field field,
                                  std::function<void(Client&, const param_set&)> answer) {
    Panel& panel = host_.panel;
    if (panel.confirmed(field)) return answer(*client, panel.params());
    panel.read_instrument(answering(
        client, true, [&panel, answer](Client& each, const std::vector<Outcome>& outcomes) {
            const auto* read = std::get_if<ReadBack>(&outcomes.back());
            if (!read || read->result != ReadResult::answered) return;
            if (const auto set = panel.instrument_set()) answer(each, *set);
        }));
}

// A value the display shows unconfirmed is answered from the instrument.
void Interpreter::query_field(const std::shared_ptr<Client>& asker, const RemoteField& field,
                              const Command& command) {
    Client& client = *asker;
    const param_set& set = host_.panel.params();
    if (command.params.empty()) {
        const Field which = field.field;
        return from_instrument(asker, which, [which](Client& each, const param_set& values) {
            each.answers_.push_back(answer_text(which, values[which]));
        });
    }
    const auto limit = limit_word(command.params.front());
    if (!limit || *limit == Limit::up || *limit == Limit::down)
        return push(client, {error::kIllegalValue, std::string(field.name) + "? MIN|MAX|DEF"});
    std::string text;
    ScpiError error;
    if (!limit_text(field.field, *limit, set, text, error)) return push(client, error);
    client.answers_.push_back(answer_text(field.field, text));
}

void Interpreter::set_field(const std::shared_ptr<Client>& client, const RemoteField& field,
                            const Parameter& value) {
    Panel& panel = host_.panel;
    // A remote client is no operator at the keyboard: it does not stop an upload.
    if (panel.uploading())
        return push(*client, {error::kSettingsConflict,
                              std::string(field.name) + " not set during an upload"});
    std::string text;
    ScpiError error;
    if (!value_text(field.field, value, panel.params(), text, error)) return push(*client, error);
    const bool entry = descriptor(field.field).numeric != nullptr;
    if (entry) {
        // As the operator types it into the entry field and presses Enter.
        panel.show_emphasis(field.field);
        if (host_.show_input) host_.show_input(field.field, text);
    }
    panel.apply(Change{field.field, text}, true, answering(client, true));
    // A list shows the entry the display took (a refused PRF leaves it as it was).
    if (!entry && host_.show_input) host_.show_input(field.field, panel.params()[field.field]);
}

void Interpreter::file_command(const std::shared_ptr<Client>& asker, Action action,
                               const Parameter& name) {
    Client& client = *asker;
    if (name.kind != Parameter::Kind::string)
        return push(client, {error::kIllegalValue, "a file name in quotes"});
    if (unsafe_name(name.text))
        return push(client, {error::kFileName, "a .qini name below the remote folder"});
    namespace fs = std::filesystem;
    if (host_.folder.empty()) return push(client, {error::kFileName, "no remote folder set"});
    std::error_code problem;
    const fs::path root = fs::weakly_canonical(from_utf8(host_.folder), problem);
    const fs::path path = fs::weakly_canonical(root / from_utf8(name.text), problem);
    const auto [end, at] = std::mismatch(root.begin(), root.end(), path.begin(), path.end());
    if (problem || end != root.end())
        return push(client, {error::kFileName, "a .qini name below the remote folder"});
    const std::string file = to_utf8(path);
    if (action == Action::store) {
        // What the instrument holds, read first; nothing is written without its answer.
        host_.panel.read_instrument(answering(
            asker, true, [this, path, file](Client& each, const std::vector<Outcome>& outcomes) {
                const auto* read = std::get_if<ReadBack>(&outcomes.back());
                const auto set = host_.panel.instrument_set();
                if (!read || read->result != ReadResult::answered || !set) return;
                std::error_code made;
                fs::create_directories(path.parent_path(), made); // a missing folder is made
                Caller quiet; // the client's: no box for the operator
                quiet.told = [](const Outcome&) { return true; };
                if (!host_.files.export_file(host_.panel, file, quiet, set->texts()))
                    push(each, {error::kMassStorage, "cannot write the file"});
            }));
        return;
    }
    if (host_.panel.uploading())
        return push(client, {error::kSettingsConflict, "MMEM:LOAD during an upload"});
    // The command ends with the import; *OPC? waits for its upload.
    if (!host_.files.import_file(host_.panel, file, answering(asker, false))) {
        if (!fs::exists(path, problem)) return push(client, {error::kFileNotFound, name.text});
        return push(client, {error::kMassStorage, "cannot read the file"});
    }
}

} // namespace qlm::remote
