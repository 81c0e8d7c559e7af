#pragma once
// One run's front panel over the instrument: a console view, a record of every frame, and
// the read-back that every run starts with.

#include "cli/cli.h"
#include "cli/recording_driver.h"
#include "panel/panel.h"

namespace qlm::cli {

class Session {
public:
    explicit Session(Context& context);

    // The instrument's settings read back into the panel; false (said on stderr) when the
    // instrument refused the request or gave no answer.
    bool read_back();
    // A frame was refused since the read-back (the connection message was shown).
    bool connection_failed() const { return view_.messages().size() > messages_after_read_; }

    Panel& panel() { return panel_; }
    ConsoleView& view() { return view_; }
    RecordingDriver& driver() { return driver_; }

private:
    RecordingDriver driver_;
    ConsoleView view_;
    Panel panel_;
    std::size_t messages_after_read_ = 0;
};

// Lines for the data frames handed over from call `from` on, each with the value the panel
// now shows for its field: "已发送 damping=150Ω（8 3 0）". The fields they carried.
std::vector<Field> print_sent(std::ostream& out, const RecordingDriver& driver, std::size_t from,
                              const param_set& shown);

} // namespace qlm::cli
