#pragma once
// The remote command set over the front panel: each command becomes the panel's own
// operation (a list entry chosen, a number confirmed, a read-back, an import, an export),
// so every rule holds for it as for the operator; what the panel answers to that operation
// becomes answers and errors. One Client per connection holds its error queue and status
// registers. A client's commands run in order, each once the one before it has ended;
// other clients' commands may run between them.

#include "files/setup_files.h"
#include "panel/panel.h"
#include "remote/command_table.h"
#include "remote/scpi_error.h"
#include "remote/scpi_parser.h"

#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace qlm::remote {

struct Host {
    Panel& panel;
    SetupFiles& files;
    // MMEMory:LOAD and STORe take files below this folder only.
    std::string folder;
    // The control the operator would have used shows the remote's value: the entry field the
    // number as typed, the list the entry chosen. May be empty.
    std::function<void(Field, const std::string&)> show_input;
};

class Client {
public:
    ErrorQueue errors;
    int esr = 0; // event status register
    int ese = 0; // its enable mask
    // Answers to send, each message ended by '\n'.
    std::string output;
    // Told when a command that waited (for the instrument, or *OPC? for the upload) has
    // ended and the line can go on.
    std::function<void()> on_ready;

    // A command of its line waits to end.
    bool waiting() const { return waiting_; }
    // A line is under way.
    bool in_line() const { return parser_.has_value(); }

private:
    friend class Interpreter;
    std::optional<MessageParser> parser_;
    std::vector<std::string> prefix_;
    std::vector<std::string> answers_;
    bool waiting_ = false;
    bool stepping_ = false; // inside its command's call: an end now needs no telling
    bool gone_ = false;     // its connection closed: nothing more of its line runs
};

class Interpreter {
public:
    explicit Interpreter(Host host);

    // A line holds at most this many commands; a longer one is refused whole (-223).
    static constexpr std::size_t kMaxCommands = 1000;

    enum class Progress {
        ended,   // the line has run; its answers are in the client's output
        waiting, // a command waits to end; Client::on_ready says when to go on
        more,    // commands are left
    };
    // A line to run, refused whole when it holds too many commands.
    void begin(const std::shared_ptr<Client>& client, std::string line);
    // Runs up to `commands` of the line's commands.
    Progress advance(const std::shared_ptr<Client>& client, std::size_t commands);
    // begin() and advance() to the end or the first wait. False when it waits: resume() it
    // once told.
    bool run(const std::shared_ptr<Client>& client, std::string line);
    bool resume(const std::shared_ptr<Client>& client);
    // A client gone (its connection closed): the command it runs completes, the rest of its
    // line is dropped.
    void forget(Client& client);

    // The current value of a parameter as a query answers it: "SING", "20", "5E-7".
    static std::string answer_text(Field field, const std::string& text);

private:
    void end_line(Client& client);
    // A caller for the panel whose outcomes' errors go to the client; `then` once the
    // operation has ended. The client waits for it when `waits`.
    Caller answering(const std::shared_ptr<Client>& client, bool waits,
                     std::function<void(Client&, const std::vector<Outcome>&)> then = {});
    void execute(const std::shared_ptr<Client>& client, const Command& command);
    void execute_common(const std::shared_ptr<Client>& client, const CommandEntry& entry,
                        const Command& command);
    void query_field(const std::shared_ptr<Client>& client, const RemoteField& field,
                     const Command& command);
    // `answer` once the instrument's value of `field` is known: at once when the display's is
    // confirmed, else after a read (-240 and no answer when it is not answered).
    void from_instrument(const std::shared_ptr<Client>& client, Field field,
                         std::function<void(Client&, const param_set&)> answer);
    void set_field(const std::shared_ptr<Client>& client, const RemoteField& field,
                   const Parameter& value);
    void file_command(const std::shared_ptr<Client>& client, Action action, const Parameter& name);
    static void push(Client& client, ScpiError error);

    Host host_;
};

} // namespace qlm::remote
