// Every driver fault against every operation of the window: the messages the operator sees
// and the display left behind. The simulator's four fault modes run in process; a missing
// library and a library without ReadPort1 go through the real EasyD12 binding.
#include "ui_rig.h"

#include "link/easyd12.h"
#include "params/choices.h"

#include <gtest/gtest.h>

#include <QDir>

#include <filesystem>
#include <memory>

using namespace qlm;
using namespace qlm::testing;

namespace {

using Shown = std::array<QString, 10>;
const char* const kLabels[] = {"Label14", "Label3", "Label15", "Label16", "Label20",
                               "Label17", "Label2", "Label36", "Label21", "Label19"};
enum Slot { mode, gain, voltage, trigger, prf, lpf, pw, hpf, probe, damping };

Shown display(const UiRig& rig) {
    Shown shown;
    for (std::size_t i = 0; i < shown.size(); ++i) shown[i] = rig.label(kLabels[i]);
    return shown;
}

Shown texts(std::initializer_list<const char*> list) {
    Shown shown;
    std::size_t i = 0;
    for (const char* text : list) shown[i++] = QString::fromUtf8(text);
    return shown;
}

// The instrument at start-up, and as it reads after it was changed behind the window's back.
const sim::Settings kAtStart{0, 70, 4, 0, 4, 1, 100, 25, 1, 3};
const Shown kAtStartShown = texts({"单", "20", "100", "内部", "1000", "30", "6500", "MHz", "0.08", "150"});
const sim::Settings kLater{1, 40, 8, 1, 2, 0, 244, 1, 0, 4};
const Shown kLaterShown = texts({"双", "-10", "200", "外部", "200", "10", "500", "kHz", "1.00", "400"});
// No open.qini: the window's initial texts.
const Shown kInitialShown = texts({"单", "0", "100", "内部", "1000", "10", "200", "MHz", "5.0", "50"});

const char kImportFile[] =
    "\"\xcb\xab\"\r\n\"-20\"\r\n\"300\"\r\n\"\xcd\xe2\xb2\xbf\"\r\n\"2000\"\r\n\"30\"\r\n"
    "\"1500\"\r\n\"kHz\"\r\n\"0.33\"\r\n\"80\"\r\n";
const Shown kImportShown = texts({"双", "-20", "300", "外部", "2000", "30", "1500", "kHz", "0.33", "80"});

enum class Driver { simulator, missing_library, write_only_library };

struct Fault {
    const char* name;
    Driver driver;
    sim::Faults faults;
    // What the operator can tell.
    bool sends_refused;   // every command's announce fails: one message each
    bool requests_refused; // every read request fails: one message each
    bool answers_arrive;   // a read-back decodes something
    bool commands_arrive;  // the instrument takes the data frames
};

const Fault kFaults[] = {
    {"none", Driver::simulator, {}, false, false, true, true},
    {"absent", Driver::simulator, {true, false, false, false}, true, true, false, false},
    {"data", Driver::simulator, {false, true, false, false}, false, false, true, false},
    {"request", Driver::simulator, {false, false, true, false}, false, true, false, true},
    {"answer", Driver::simulator, {false, false, false, true}, false, false, false, true},
    {"missing library", Driver::missing_library, {}, true, true, false, false},
    {"library without ReadPort1", Driver::write_only_library, {}, true, true, false, false},
};

#ifdef _WIN32
constexpr const char* kWriteOnlyLibrary = "libEasyD12_write_only.dll";
#else
constexpr const char* kWriteOnlyLibrary = "libEasyD12_write_only.so";
#endif

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

void type_and_confirm(UiRig& rig, EntryField* field, const char* text, QPushButton* button) {
    field->clear();
    rig.type(field, text);
    if (button) QTest::mouseClick(button, Qt::LeftButton);
    else rig.press(field, Qt::Key_Return);
}

struct Operation {
    const char* name;
    int sends;         // commands it issues
    int requests;      // read requests it issues
    bool whole_read;   // a read-back of all settings (else of the width only)
    std::function<void(UiRig&)> run;
    std::function<void(Shown&)> shows; // what it puts on display by itself
};

const std::vector<Operation>& operations() {
    static const std::vector<Operation> table = {
        {"work mode list", 1, 0, false, [](UiRig& r) { r.choose(1, 1); },
         [](Shown& d) { d[mode] = "双"; }},
        {"trigger list", 1, 0, false, [](UiRig& r) { r.choose(3, 1); },
         [](Shown& d) { d[trigger] = QString::fromUtf8("外部"); }},
        {"damping list", 1, 0, false, [](UiRig& r) { r.choose(4, 0); },
         [](Shown& d) { d[damping] = "400"; }},
        {"low-pass list", 1, 0, false, [](UiRig& r) { r.choose(5, 0); },
         [](Shown& d) { d[lpf] = "30"; }},
        {"high-pass list", 1, 0, false, [](UiRig& r) { r.choose(6, 0); },
         [](Shown& d) { d[hpf] = "kHz"; }},
        // The list fetches the width as it opens, then sends the choice.
        {"PRF list choice", 1, 1, false, [](UiRig& r) { r.choose(2, 2); },
         [](Shown& d) { d[prf] = "500"; }},
        {"PRF list opening", 0, 1, false,
         [](UiRig& r) {
             r.combo(2)->showPopup();
             r.combo(2)->hidePopup();
         },
         [](Shown&) {}},
        {"gain by Enter", 1, 0, false,
         [](UiRig& r) { type_and_confirm(r, r.ui().Text3, "-7", nullptr); },
         [](Shown& d) { d[gain] = "-7"; }},
        {"gain by button", 1, 0, false,
         [](UiRig& r) { type_and_confirm(r, r.ui().Text3, "-7", r.ui().Command11); },
         [](Shown& d) { d[gain] = "-7"; }},
        {"voltage by Enter", 1, 0, false,
         [](UiRig& r) { type_and_confirm(r, r.ui().Text1, "260", nullptr); },
         [](Shown& d) { d[voltage] = "250"; }},
        {"voltage by button", 1, 0, false,
         [](UiRig& r) { type_and_confirm(r, r.ui().Text1, "260", r.ui().Command12); },
         [](Shown& d) { d[voltage] = "250"; }},
        {"width by Enter", 1, 0, false,
         [](UiRig& r) { type_and_confirm(r, r.ui().Text2, "1010", nullptr); },
         [](Shown& d) {
             d[pw] = "1000";
             d[probe] = "0.50";
         }},
        {"width by button", 1, 0, false,
         [](UiRig& r) { type_and_confirm(r, r.ui().Text2, "1010", r.ui().Command13); },
         [](Shown& d) {
             d[pw] = "1000";
             d[probe] = "0.50";
         }},
        {"menu read-back", 0, 1, true, [](UiRig& r) { r.trigger(r.ui().seting2); },
         [](Shown&) {}},
        {"import and upload", 9, 0, false,
         [](UiRig& r) {
             r.open_answer = r.write_file("import.qini", kImportFile);
             r.trigger(r.ui().open);
             EXPECT_TRUE(r.ui().ProgressBar1->isVisibleTo(r.window.get()));
             EXPECT_EQ(r.run_upload(), 13);
         },
         [](Shown& d) { d = kImportShown; }},
    };
    return table;
}

int failure_messages(const UiRig& rig, std::size_t from) {
    int count = 0;
    for (std::size_t i = from; i < rig.messages.size(); ++i) {
        EXPECT_EQ(rig.messages[i].title, QString::fromUtf8("错误"));
        EXPECT_EQ(rig.messages[i].text, QString::fromUtf8(kConnectionFailedText));
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
        EXPECT_EQ(display(bench.rig), fault.answers_arrive ? kAtStartShown : kInitialShown);
        EXPECT_TRUE(bench.rig.instrument.applied().empty()); // start-up sends no command
        // The binding says once why it cannot work, and only when it cannot.
        EXPECT_EQ(bench.complaints.size(), fault.driver == Driver::simulator ? 0u : 1u);
    }
}

TEST(FaultTable, EveryOperationUnderEveryFault) {
    for (const Fault& fault : kFaults) {
        for (const Operation& operation : operations()) {
            SCOPED_TRACE(std::string(fault.name) + " / " + operation.name);
            Bench bench(fault);
            bench.start();
            UiRig& rig = bench.rig;
            // The instrument changes behind the window's back, so a read-back shows.
            rig.instrument.set_settings(kLater);
            const Shown before = display(rig);
            const std::size_t messages_before = rig.messages.size();
            const std::size_t applied_before = rig.instrument.applied().size();

            operation.run(rig);

            Shown expected = before;
            if (fault.answers_arrive && operation.requests > 0) {
                if (operation.whole_read) expected = kLaterShown;
                else expected[pw] = kLaterShown[pw];
            }
            operation.shows(expected);
            EXPECT_EQ(display(rig), expected);

            const int expected_messages = (fault.sends_refused ? operation.sends : 0) +
                                          (fault.requests_refused ? operation.requests : 0);
            EXPECT_EQ(failure_messages(rig, messages_before), expected_messages);
            EXPECT_EQ(rig.instrument.applied().size() - applied_before,
                      fault.commands_arrive ? static_cast<std::size_t>(operation.sends) : 0u);
            EXPECT_EQ(rig.instrument.violations(), 0);
            EXPECT_EQ(rig.instrument.rejected_values(), 0);

            // Whatever failed, the panel is usable afterwards: no upload left running, the
            // controls enabled, the lists showing the display after a menu read-back.
            EXPECT_FALSE(rig.window->Timer1()->isActive());
            EXPECT_FALSE(rig.ui().ProgressBar1->isVisibleTo(rig.window.get()));
            EXPECT_TRUE(rig.ui().Command11->isEnabled());
            EXPECT_TRUE(rig.combo(1)->isEnabled());
            if (operation.whole_read) {
                for (const ChoiceList& list : choice_lists()) {
                    EXPECT_EQ(rig.window->findChild<ChoiceCombo*>(list.name)->currentText(),
                              QString::fromStdString(
                                  list_text(list.field, rig.window->params()[list.field])));
                }
            }
        }
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
        EXPECT_EQ(failure_messages(rig, messages_before), fault.requests_refused ? 1 : 0);
        rig.run_upload();
        EXPECT_FALSE(rig.ui().ProgressBar1->isVisibleTo(rig.window.get()));
        EXPECT_TRUE(rig.combo(6)->isEnabled());
        EXPECT_EQ(rig.instrument.violations(), 0);
    }
}
