#pragma once
// The remote command set over the front panel: each command becomes the panel's own
// operation (a list entry chosen, a number confirmed, a read-back, an import, an export),
// so every rule holds for it as for the operator; what the panel reports becomes answers
// and errors. One Client per connection holds its error queue and status registers.

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

    // Stopped in the middle of a line (*OPC?, *WAI, a comparison) until the panel is idle.
    bool waiting() const { return wait_ != Wait::none; }

private:
    friend class Interpreter;
    enum class Wait { none, operations, check };
    std::optional<MessageParser> parser_;
    std::vector<std::string> prefix_;
    std::vector<std::string> answers_;
    Wait wait_ = Wait::none;
    bool gone_ = false; // its connection closed: nothing more of its line runs
    enum class Then { nothing, answer, set_bit };
    Then then_ = Then::nothing; // once the operations have finished
    std::size_t check_from_ = 0;
};

class Interpreter {
public:
    explicit Interpreter(Host host);

    // Runs a line's commands. False when it stopped to wait: resume() it once idle().
    bool run(const std::shared_ptr<Client>& client, std::string line);
    bool resume(const std::shared_ptr<Client>& client);
    // No upload and no exchange running or queued.
    bool idle() const;
    // Every outcome the panel reports, as its view gets it.
    void observe(const Outcome& outcome);
    // A client gone (its connection closed): the command it runs completes, the rest of its
    // line is dropped, and nothing is kept for it any more.
    void forget(Client& client);

    // The current value of a parameter as a query answers it: "SING", "20", "5E-7".
    static std::string answer_text(Field field, const std::string& text);

private:
    struct Watch {
        std::weak_ptr<Client> client;
        Field field;
    };

    bool proceed(const std::shared_ptr<Client>& client);
    bool settle(Client& client);
    void execute(const std::shared_ptr<Client>& client, const Command& command);
    void execute_common(Client& client, const CommandEntry& entry, const Command& command);
    void query_field(Client& client, const RemoteField& field, const Command& command);
    void set_field(const std::shared_ptr<Client>& client, const RemoteField& field,
                   const Parameter& value);
    void file_command(Client& client, Action action, const Parameter& name);
    void check_result(Client& client);
    // What the panel reported from `from` on about a change of `field`, as errors.
    void errors_since(const std::shared_ptr<Client>& client, std::size_t from, Field field);
    static void push(Client& client, ScpiError error);
    std::size_t log_end() const { return log_base_ + log_.size(); }
    void trim_log();

    Host host_;
    std::deque<Outcome> log_; // what the panel reported while someone may need it
    std::size_t log_base_ = 0;
    int check_waiters_ = 0;
    bool running_ = false;       // a line runs: what the panel reports is kept for it
    std::vector<Watch> watches_; // sends queued behind another exchange
};

} // namespace qlm::remote
