#pragma once
// One run's front panel over the instrument: a console view, the file flow, and the
// read-back that every run starts with. The run drives the panel's operations one at a time
// to their end: the exchanges' waits sleep, and the upload's timer ticks as a loop here.

#include "cli/cli.h"
#include "files/setup_files.h"
#include "panel/panel.h"

namespace qlm::cli {

class Session {
public:
    explicit Session(Context& context);

    // The instrument's settings read back into the panel; false (said on stderr) when the
    // instrument refused the request or gave no answer.
    bool read_back();
    // The instrument did not take a frame since the read-back.
    bool connection_failed() const;
    // Runs one panel operation, started with the caller given, to its end (an import's
    // upload included); what it caused.
    std::vector<Outcome> perform(const std::function<void(Caller)>& operation);

    Panel& panel() { return panel_; }
    ConsoleView& view() { return view_; }
    SetupFiles& files() { return files_; }

private:
    Context& context_;
    ConsoleView view_;
    Panel panel_;
    SetupFiles files_;
    std::vector<Outcome> since_read_; // the operations' outcomes since the read-back
};

// The lines of the commands among `outcomes` that reached the instrument's data frame:
// "已发送 damping=150Ω（8 3 0）", or "未送达 ..." where it refused that frame. The fields
// they carried.
std::vector<Field> print_sent(std::ostream& out, const std::vector<Outcome>& outcomes);

} // namespace qlm::cli
