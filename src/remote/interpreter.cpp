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

bool Interpreter::idle() const {
    return !host_.panel.uploading() && !host_.panel.busy();
}

void Interpreter::push(Client& client, ScpiError error) {
    client.esr |= esr_bit(error.code);
    client.errors.push(std::move(error));
}

void Interpreter::observe(const Outcome& outcome) {
    // Kept only while a line or a comparison may need it: the operator's own work is not
    // piled up here.
    if (running_ || check_waiters_ > 0) log_.push_back(outcome);
    if (const auto* sent = std::get_if<Sent>(&outcome)) {
        const auto watch = std::find_if(watches_.begin(), watches_.end(), [&](const Watch& each) {
            return each.field == sent->field;
        });
        if (watch != watches_.end()) {
            if (const auto client = watch->client.lock()) {
                if (const auto problem = delivery_error(*sent)) push(*client, *problem);
            }
            watches_.erase(watch);
        }
    }
}

void Interpreter::forget(Client& client) {
    if (client.wait_ == Client::Wait::check) --check_waiters_;
    client.wait_ = Client::Wait::none;
    client.gone_ = true;
    trim_log();
}

void Interpreter::trim_log() {
    if (check_waiters_ > 0 || running_) return;
    log_base_ += log_.size();
    log_.clear();
}

bool Interpreter::run(const std::shared_ptr<Client>& client, std::string line) {
    client->parser_.emplace(std::move(line));
    client->prefix_.clear();
    client->answers_.clear();
    return proceed(client);
}

bool Interpreter::resume(const std::shared_ptr<Client>& client) {
    return !client->parser_ || proceed(client);
}

bool Interpreter::proceed(const std::shared_ptr<Client>& client) {
    // Lines run one at a time (the server sees to it); a nested one would share the log.
    const bool outer = !std::exchange(running_, true);
    for (;;) {
        if (client->waiting() && !settle(*client)) {
            if (outer) running_ = false;
            trim_log();
            return false;
        }
        ScpiError error;
        const auto command = client->gone_ ? std::nullopt : client->parser_->next(error);
        if (!command) {
            if (error.code) push(*client, error);
            break;
        }
        execute(client, *command);
    }
    if (outer) running_ = false;
    if (!client->answers_.empty() && !client->gone_) {
        std::string message;
        for (const std::string& answer : client->answers_)
            message += (message.empty() ? "" : ";") + answer;
        client->output += message + "\n";
    }
    client->answers_.clear();
    client->parser_.reset();
    trim_log();
    return true;
}

// A waiting client goes on once what it waits for has happened.
bool Interpreter::settle(Client& client) {
    if (client.wait_ == Client::Wait::check) {
        for (std::size_t i = client.check_from_ - log_base_; i < log_.size(); ++i) {
            const auto* read = std::get_if<ReadBack>(&log_[i]);
            if (!read || read->kind != ReadKind::check) continue;
            client.wait_ = Client::Wait::none;
            --check_waiters_;
            if (read->result != ReadResult::answered) {
                push(client, read_error(*read));
                return true;
            }
            for (std::size_t j = i + 1; j < log_.size(); ++j) {
                const auto* compared = std::get_if<Compared>(&log_[j]);
                if (!compared) continue;
                std::string answer = std::to_string(compared->differences.size());
                for (const Difference& difference : compared->differences) {
                    answer += std::string(",") + remote_field(difference.field).name + "," +
                              answer_text(difference.field, difference.shown) + "," +
                              answer_text(difference.field, difference.instrument);
                }
                client.answers_.push_back(answer);
                return true;
            }
            return true;
        }
        return false;
    }
    if (!idle()) return false;
    client.wait_ = Client::Wait::none;
    const Client::Then then = std::exchange(client.then_, Client::Then::nothing);
    if (then == Client::Then::answer) client.answers_.push_back("1");
    if (then == Client::Then::set_bit) client.esr |= 0x01; // operation complete
    return true;
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
        if (command.query) return query_field(*client, remote_field(*entry->field), command);
        return set_field(client, remote_field(*entry->field), command.params.front());
    case Action::probe_freq:
        client->answers_.push_back(answer_text(Field::probe_freq, host_.panel.params().probe_freq));
        return;
    case Action::present: {
        const auto& presence = host_.panel.known().presence();
        client->answers_.push_back(presence && presence->answered ? "1" : "0");
        return;
    }
    case Action::read_back: {
        if (host_.panel.uploading())
            return push(*client, {error::kSettingsConflict, "INST:READ during an upload"});
        const std::size_t from = log_end();
        host_.panel.read_back();
        for (std::size_t i = from - log_base_; i < log_.size(); ++i) {
            const auto* read = std::get_if<ReadBack>(&log_[i]);
            if (read && read->kind == ReadKind::settings && read->result != ReadResult::answered)
                push(*client, read_error(*read));
        }
        return;
    }
    case Action::check:
        client->check_from_ = log_end();
        client->wait_ = Client::Wait::check;
        ++check_waiters_;
        host_.panel.check_instrument();
        return;
    case Action::load:
    case Action::store:
        return file_command(*client, entry->action, command.params.front());
    default:
        return execute_common(*client, *entry, command);
    }
}

void Interpreter::execute_common(Client& client, const CommandEntry& entry,
                                 const Command& command) {
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
    case Action::wai:
        client.then_ = entry.action == Action::wai ? Client::Then::nothing
                       : command.query             ? Client::Then::answer
                                                   : Client::Then::set_bit;
        client.wait_ = Client::Wait::operations;
        return;
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

void Interpreter::query_field(Client& client, const RemoteField& field, const Command& command) {
    const param_set& set = host_.panel.params();
    if (command.params.empty()) {
        client.answers_.push_back(answer_text(field.field, set[field.field]));
        return;
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
    const std::size_t from = log_end();
    const bool entry = descriptor(field.field).numeric != nullptr;
    if (entry) {
        // As the operator types it into the entry field and presses Enter.
        panel.show_emphasis(field.field);
        if (host_.show_input) host_.show_input(field.field, text);
    }
    panel.apply(Change{field.field, text});
    // A list shows the entry the display took (a refused PRF leaves it as it was).
    if (!entry && host_.show_input) host_.show_input(field.field, panel.params()[field.field]);
    errors_since(client, from, field.field);
}

void Interpreter::errors_since(const std::shared_ptr<Client>& client, std::size_t from,
                               Field field) {
    bool sent = false, refused = false;
    for (std::size_t i = from - log_base_; i < log_.size(); ++i) {
        const Outcome& outcome = log_[i];
        if (const auto* refusal = std::get_if<Refused>(&outcome)) {
            refused = true;
            push(*client,
                 {refusal_code(refusal->rule), refusal_detail(*refusal, host_.panel.params())});
        } else if (const auto* each = std::get_if<Sent>(&outcome)) {
            if (each->field == field) sent = true;
            if (const auto problem = delivery_error(*each)) push(*client, *problem);
        }
    }
    // Queued behind another exchange: its result comes later.
    if (!sent && !refused && host_.panel.busy()) watches_.push_back({client, field});
}

void Interpreter::file_command(Client& client, Action action, const Parameter& name) {
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
    const std::size_t from = log_end();
    if (action == Action::store) {
        fs::create_directories(path.parent_path(), problem); // a missing folder is made

        if (!host_.files.export_file(host_.panel, file))
            push(client, {error::kMassStorage, "cannot write the file"});
        return;
    }
    if (host_.panel.uploading())
        return push(client, {error::kSettingsConflict, "MMEM:LOAD during an upload"});
    if (!host_.files.import_file(host_.panel, file)) {
        if (!fs::exists(path, problem)) return push(client, {error::kFileNotFound, name.text});
        return push(client, {error::kMassStorage, "cannot read the file"});
    }
    for (std::size_t i = from - log_base_; i < log_.size(); ++i) {
        const auto* imported = std::get_if<Imported>(&log_[i]);
        if (!imported) continue;
        for (const ImportNote& note : imported->notes) {
            if (note.kind == ImportNote::not_applied)
                push(client, {error::kIllegalValue, std::string(remote_field(note.field).name) +
                                                        " of the file not applied"});
        }
    }
}

} // namespace qlm::remote
