#pragma once
// One run's front panel over the instrument: a console view that keeps every outcome, the
// file flow, and the read-back that every run starts with.

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
    // The outcomes from `from` on.
    std::vector<Outcome> outcomes_since(std::size_t from) const;
    std::size_t outcome_count() const { return view_.outcomes().size(); }

    Panel& panel() { return panel_; }
    ConsoleView& view() { return view_; }
    SetupFiles& files() { return files_; }

private:
    ConsoleView view_;
    Panel panel_;
    SetupFiles files_;
    std::size_t after_read_ = 0;
};

// The lines of the commands among `outcomes` that reached the instrument's data frame:
// "已发送 damping=150Ω（8 3 0）", or "未送达 ..." where it refused that frame. The fields
// they carried.
std::vector<Field> print_sent(std::ostream& out, const std::vector<Outcome>& outcomes);

} // namespace qlm::cli
