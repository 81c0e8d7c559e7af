// The read-back and the comparison with the instrument as the window runs them: start-up and
// the two menu items reach the labels, the lists and the entry fields.
#include "sim_cases.h"
#include "ui_rig.h"

#include "settings/settings_file.h"

#include <gtest/gtest.h>

using namespace qlm;
using namespace qlm::testing;

namespace {

const sim::Settings kExample = kExampleSettings;

QStringList list_texts(const UiRig& rig) {
    QStringList texts;
    for (const Field field : list_fields())
        texts << rig.list(field)->currentText();
    return texts;
}

QStringList entry_texts(const UiRig& rig) {
    return {rig.entry(Field::voltage)->text(), rig.entry(Field::pw)->text(),
            rig.entry(Field::gain)->text()};
}

} // namespace

TEST(ReadBack, StartUpAndTheMenuReachLabelsListsAndFields) {
    UiRig rig(kExample);
    rig.start();
    EXPECT_EQ(rig.display_texts(), (std::vector<QString>{"单", "20", "100", "内部", "1000", "30",
                                                         "6500", "MHz", "0.08", "150"}));
    EXPECT_EQ(entry_texts(rig), (QStringList{"100", "6500", "20"}));
    EXPECT_EQ(rig.waited, std::chrono::microseconds(150001));

    rig.instrument.set_settings({1, 60, 8, 1, 3, 1, 232, 3, 0, 2});
    rig.trigger(rig.ui().seting2);
    EXPECT_EQ(rig.display_texts(), (std::vector<QString>{"双", "10", "200", "外部", "500", "30",
                                                         "1000", "kHz", "0.50", "80"}));
    EXPECT_EQ(list_texts(rig), (QStringList{"双", "500Hz", "外部", "80", "30MHz", "1kHz"}));
    EXPECT_EQ(entry_texts(rig), (QStringList{"200", "1000", "10"}));
    EXPECT_TRUE(rig.applied().empty());
    EXPECT_TRUE(rig.messages.empty());
}

// "核对仪器参数": after a send the instrument refused, the message names the difference;
// the window shows nothing else of what it read.
TEST(CheckInstrument, TheMessageNamesTheDifferenceAndTheWindowStaysAsItWas) {
    UiRig rig;
    rig.start();
    rig.instrument.faults.data = true;
    rig.choose(Field::damping, 1); // damping 150, which the instrument does not take
    rig.instrument.faults = {};
    ASSERT_EQ(rig.message_texts(), std::vector<QString>{QString::fromUtf8(kConnectionFailed)});
    rig.messages.clear();
    const auto shown = rig.display_texts();
    const QStringList lists = list_texts(rig);
    const QStringList entries = entry_texts(rig);
    const int writes = rig.writes();

    rig.trigger(rig.ui().seting3);
    ASSERT_EQ(rig.messages.size(), 1u);
    EXPECT_EQ(rig.messages[0].title, "核对仪器参数");
    EXPECT_EQ(rig.messages[0].text, "以下参数与显示面板不一致：\n阻尼：显示 150Ω，仪器 50Ω");
    EXPECT_EQ(rig.display_texts(), shown);
    EXPECT_EQ(list_texts(rig), lists);
    EXPECT_EQ(entry_texts(rig), entries);
    EXPECT_EQ(rig.writes(), writes + 1); // the read request alone

    rig.choose(Field::damping, 1); // taken this time
    rig.trigger(rig.ui().seting3);
    ASSERT_EQ(rig.messages.size(), 2u);
    EXPECT_EQ(rig.messages[1].text, "仪器参数与显示面板一致。");
}

TEST(CheckInstrument, WithoutAnInstrumentOnlyTheConnectionMessage) {
    UiRig rig;
    rig.start();
    rig.instrument.faults.absent = true;
    rig.trigger(rig.ui().seting3);
    ASSERT_EQ(rig.messages.size(), 1u);
    EXPECT_EQ(rig.messages[0].title, "错误");
    EXPECT_EQ(rig.messages[0].text, "数据通信失败！仪器和计算机无法连接");
}

namespace {

// Another program's change, as the lock's count tells it.
struct ChangesLock : InstrumentLock {
    bool changed = false;
    bool try_acquire() override { return true; }
    void release() override {}
    bool changed_elsewhere() override { return changed; }
    void take_changes() override { changed = false; }
};

} // namespace

// After another program's change the window reads back by itself, but not during an upload
// or over an entry being typed in: then once that has ended. A failure is a hint, no box.
TEST(Follow, AnotherProgramsChangeIsReadBackWhenTheWindowIsIdle) {
    enum class Busy { no, uploading, typing, unreachable };
    for (const Busy busy : {Busy::no, Busy::uploading, Busy::typing, Busy::unreachable}) {
        const int what = static_cast<int>(busy);
        UiRig rig;
        ChangesLock lock;
        rig.lock = &lock;
        rig.start();
        rig.instrument.set_settings({0, 50, 4, 0, 4, 0, 200, 0, 1, 3}); // damping 150
        lock.changed = true;
        if (busy == Busy::uploading) {
            rig.open_answer = rig.config_dir.path() + "/set.qini";
            ASSERT_TRUE(save_settings_file(rig.open_answer, param_set().texts()).isEmpty());
            rig.trigger(rig.ui().open);
        }
        if (busy == Busy::typing) {
            rig.entry(Field::voltage)->setFocus();
            rig.type(rig.entry(Field::voltage), "3");
        }
        if (busy == Busy::unreachable) rig.instrument.faults.request = true;
        rig.window->follow_instrument();
        const bool waits = busy == Busy::uploading || busy == Busy::typing;
        EXPECT_EQ(rig.label("Label19"), waits || busy == Busy::unreachable ? "50" : "150") << what;
        EXPECT_EQ(lock.changed, waits) << what;
        EXPECT_TRUE(rig.messages.empty()) << what;
        if (!waits) {
            EXPECT_TRUE(rig.ui().panels[1]->text().startsWith(
                QString::fromUtf8("另一个程序改变了仪器参数")))
                << what;
        }
    }
}
