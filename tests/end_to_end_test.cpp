// The real window over the real binding and the drop-in simulator library beside this
// program, configured only by the environment as a demo is. ctest runs this program
// once per configuration, with a filter naming it.
#include "ui_rig.h"

#include "link/easyd12.h"
#include "settings/settings_file.h"

#include <QFile>

#include <gtest/gtest.h>

using namespace qlm;
using namespace qlm::testing;

namespace {

QStringList trace_lines() {
    QFile file(qEnvironmentVariable("EASYD12_SIM_TRACE"));
    if (!file.open(QIODevice::ReadOnly)) return {};
    return QString::fromLatin1(file.readAll()).split('\n', Qt::SkipEmptyParts);
}

const QString kAnnounce = "W 01020304050102030405010203040504 0";

// The rig's seams and temporary folders, with the binding in place of the simulator.
struct LibraryRig : UiRig {
    EasyD12Driver driver;
    MainWindow& start_with_library() {
        QFile::remove(qEnvironmentVariable("EASYD12_SIM_TRACE"));
        window = std::make_unique<MainWindow>(driver, seams());
        window->start();
        return *window;
    }
};

} // namespace

// EASYD12_SIM_STATE=0,70,4,0,4,1,100,25,1,3
TEST(EndToEnd, StartUpChoiceAndImportThroughTheLibrary) {
    LibraryRig rig;
    rig.start_with_library();
    EXPECT_EQ(
        rig.window->panel().params().texts(),
        (SettingsTexts{"单", "20", "100", "内部", "1000", "30", "6500", "MHz", "0.08", "150"}));
    QStringList trace = trace_lines();
    ASSERT_EQ(trace.size(), 3);
    EXPECT_EQ(trace[0], "W 01020304050102030405010203040503 0");
    EXPECT_TRUE(trace[1].startsWith("R 0046040004016419010300"));
    EXPECT_EQ(trace[1], trace[2]);
    // The drop-in library tells it is the simulator, without a frame of its own.
    EXPECT_TRUE(rig.window->windowTitle().endsWith("（模拟仪器）"));

    rig.choose(Field::damping, 1);
    trace = trace_lines();
    EXPECT_EQ(trace.mid(3), (QStringList{kAnnounce, "W 01020304050102030405010803000000 0"}));
    EXPECT_EQ(rig.label("Label19"), "150");

    const QString path = rig.config_dir.path() + "/set.qini";
    ASSERT_TRUE(save_settings_file(
                    path, {"双", "20", "100", "外部", "1000", "30", "6500", "MHz", "0.08", "150"})
                    .isEmpty());
    rig.open_answer = path;
    rig.trigger(rig.ui().open);
    EXPECT_EQ(rig.run_upload(), 13);
    trace = trace_lines().mid(5);
    ASSERT_EQ(trace.size(), 18);
    // The file's PRF of 1000 Hz goes out as the 500 Hz its width allows, with a word to the
    // operator.
    const QStringList data{"00010000", "01460000", "02040000", "03010000", "04030000",
                           "05010000", "06641900", "07010000", "08030000"};
    for (int i = 0; i < 9; ++i) {
        EXPECT_EQ(trace[2 * i], kAnnounce);
        EXPECT_EQ(trace[2 * i + 1], "W 0102030405010203040501" + data[i] + "00 0");
    }
    ASSERT_EQ(rig.messages.size(), 1u);
    EXPECT_EQ(rig.messages[0].title, "导入设置");
}

// EASYD12_SIM_FAULT=absent
TEST(EndToEnd, AbsentInstrumentOneMessagePerExchange) {
    LibraryRig rig;
    rig.start_with_library();
    EXPECT_EQ(rig.messages.size(), 1u);
    rig.choose(Field::damping, 1);
    EXPECT_EQ(rig.messages.size(), 2u);
    EXPECT_EQ(rig.label("Label19"), "150");
    EXPECT_EQ(trace_lines().size(), 2); // two refused frames, nothing more
}
