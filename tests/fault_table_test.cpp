// Every driver fault against the window's start-up and an upload from a file: the messages
// the operator sees, the display, the bar and the controls. (Every fault against every
// operation is the panel's fault table.) The simulator's four fault modes run in process; a
// missing library and a library without ReadPort1 go through the real EasyD12 binding.
#include "sim_cases.h"
#include "ui_rig.h"

#include "link/easyd12.h"
#include "link/paths.h"
#include "panel/texts.h"

#include <gtest/gtest.h>

#include <QDir>

#include <filesystem>
#include <memory>

using namespace qlm;
using namespace qlm::testing;

namespace {

using Shown = std::vector<QString>;

Shown texts(std::initializer_list<const char*> list) {
    Shown shown;
    for (const char* text : list)
        shown.push_back(QString::fromUtf8(text));
    return shown;
}

// The instrument at start-up.
const sim::Settings kAtStart = kExampleSettings;
const Shown kAtStartShown =
    texts({"单", "20", "100", "内部", "1000", "30", "6500", "MHz", "0.08", "150"});
// No open.qini: the window's initial texts.
const Shown kInitialShown =
    texts({"单", "0", "100", "内部", "1000", "10", "200", "MHz", "5.0", "50"});

const char kImportFile[] =
    "\"\xcb\xab\"\r\n\"-20\"\r\n\"300\"\r\n\"\xcd\xe2\xb2\xbf\"\r\n\"2000\"\r\n\"30\"\r\n"
    "\"1500\"\r\n\"kHz\"\r\n\"0.33\"\r\n\"80\"\r\n";

struct Bench {
    std::vector<std::string> complaints;
    std::unique_ptr<EasyD12Driver> binding;
    UiRig rig{kAtStart};

    explicit Bench(const Fault& fault) {
        rig.instrument.faults = fault.faults;
        const auto complain = [this](const std::string& line) { complaints.push_back(line); };
        if (fault.driver == Driver::missing_library)
            binding = std::make_unique<EasyD12Driver>(
                LibraryLocation{rig.config_dir.path().toStdString(), "libEasyD12.so"}, complain);
        if (fault.driver == Driver::write_only_library)
            binding = std::make_unique<EasyD12Driver>(
                LibraryLocation{program_folder(), kWriteOnlyLibrary}, complain);
    }
    ~Bench() { rig.window.reset(); } // before the binding goes

    void start() {
        UsbDriver& driver = binding ? static_cast<UsbDriver&>(*binding) : rig.instrument;
        rig.window = std::make_unique<MainWindow>(driver, rig.seams());
        rig.window->start();
    }
};

// The error boxes from `from` on, all with `text`.
int failure_messages(const UiRig& rig, std::size_t from, const char* text = kConnectionFailed) {
    int count = 0;
    for (std::size_t i = from; i < rig.messages.size(); ++i) {
        EXPECT_EQ(rig.messages[i].title, QString::fromUtf8("错误"));
        EXPECT_EQ(rig.messages[i].text, QString::fromUtf8(text));
        ++count;
    }
    return count;
}

} // namespace

TEST(FaultTable, StartUp) {
    for (const Fault& fault : kFaults) {
        SCOPED_TRACE(fault.name);
        Bench bench(fault);
        bench.start();
        EXPECT_EQ(failure_messages(bench.rig, 0), fault.requests_refused ? 1 : 0);
        EXPECT_EQ(bench.rig.display_texts(), fault.answers_arrive ? kAtStartShown : kInitialShown);
        EXPECT_TRUE(bench.rig.instrument.applied().empty()); // start-up sends no command
        // The binding says once why it cannot work, and only when it cannot.
        EXPECT_EQ(bench.complaints.size(), fault.driver == Driver::simulator ? 0u : 1u);
    }
}

// A read-back that fails while an upload runs halts it; the controls come back.
TEST(FaultTable, RefusedReadBackDuringAnUploadStopsIt) {
    for (const Fault& fault : kFaults) {
        SCOPED_TRACE(fault.name);
        Bench bench(fault);
        bench.start();
        UiRig& rig = bench.rig;
        rig.open_answer = rig.write_file("import.qini", kImportFile);
        rig.trigger(rig.ui().open);
        rig.tick();
        rig.tick();
        const std::size_t messages_before = rig.messages.size();
        rig.trigger(rig.ui().seting2);
        EXPECT_EQ(rig.window->Timer1()->isActive(), !fault.requests_refused);
        // A request taken and never answered says so; the upload goes on.
        const bool unanswered = !fault.requests_refused && !fault.answers_arrive;
        EXPECT_EQ(failure_messages(rig, messages_before,
                                   unanswered ? texts::kNoAnswer : kConnectionFailed),
                  fault.requests_refused || unanswered ? 1 : 0);
        rig.run_upload();
        EXPECT_FALSE(rig.ui().ProgressBar1->isVisibleTo(rig.window.get()));
        EXPECT_TRUE(rig.list(Field::hpf_unit)->isEnabled());
        EXPECT_EQ(rig.instrument.violations(), 0);
    }
}
