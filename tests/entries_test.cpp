// The voltage, width and gain fields, typed into as an operator would.
#include "ui_rig.h"

#include "ui/colours.h"

#include <QApplication>
#include <QClipboard>

#include <gtest/gtest.h>

using namespace qlm;
using namespace qlm::testing;

namespace {

using Command3 = std::array<std::uint8_t, 3>;

struct Typed {
    const char* keys;
    bool by_button;
    const char* field_after;
    const char* label_after; // nullptr: unchanged
    std::optional<Command3> sent;
    const char* message;     // nullptr: none
};

// Clears the field, types the keys, confirms by Enter or by the button.
void enter(UiRig& rig, EntryField* field, QPushButton* button, const Typed& typed) {
    field->setFocus();
    field->clear();
    rig.type(field, QString::fromUtf8(typed.keys));
    if (typed.by_button) QTest::mouseClick(button, Qt::LeftButton);
    else rig.press(field, Qt::Key_Return);
}

void check(UiRig& rig, EntryField* field, QPushButton* button, const char* label,
           const std::vector<Typed>& cases) {
    for (const Typed& typed : cases) {
        rig.messages.clear();
        const QString before = rig.label(label);
        const std::size_t sent_before = rig.applied().size();
        enter(rig, field, button, typed);
        const std::string what = std::string(typed.keys) + (typed.by_button ? " button" : " Enter");
        EXPECT_EQ(field->text(), QString::fromUtf8(typed.field_after)) << what;
        EXPECT_EQ(rig.label(label), typed.label_after ? QString::fromUtf8(typed.label_after) : before)
            << what;
        if (typed.sent) {
            ASSERT_EQ(rig.applied().size(), sent_before + 1) << what;
            EXPECT_EQ(rig.applied().back(), *typed.sent) << what;
        } else {
            EXPECT_EQ(rig.applied().size(), sent_before) << what;
        }
        if (typed.message) {
            ASSERT_EQ(rig.messages.size(), 1u) << what;
            EXPECT_EQ(rig.messages[0].text, QString::fromUtf8(typed.message)) << what;
            EXPECT_EQ(rig.messages[0].title, "错误");
        } else {
            EXPECT_TRUE(rig.messages.empty()) << what;
        }
    }
}

} // namespace

TEST(VoltageField, RoundsDownToStepsAndRefusesOutOfRange) {
    UiRig rig;
    rig.start();
    const char* enter_msg = "电压值范围25~400V!";
    const char* button_msg = "电压值：-25~400V!";
    check(rig, rig.text(1), rig.button(12), "Label15",
          {{"400", false, "400", "400", Command3{2, 16, 0}, nullptr},
           {"25", false, "25", "25", Command3{2, 1, 0}, nullptr},
           {"-150", false, "150", "150", Command3{2, 6, 0}, nullptr},
           {"110", false, "100", "100", Command3{2, 4, 0}, nullptr},
           {"110", true, "100", "100", Command3{2, 4, 0}, nullptr},
           {"0100", false, "100", "100", Command3{2, 4, 0}, nullptr},
           {"401", false, "401", nullptr, std::nullopt, enter_msg},
           {"24", false, "24", nullptr, std::nullopt, enter_msg},
           {"0", true, "0", nullptr, std::nullopt, button_msg},
           {"-", false, "-", nullptr, std::nullopt, enter_msg},
           {"1-2", true, "1-2", nullptr, std::nullopt, button_msg},
           {"2a0.0 0", false, "2000", nullptr, std::nullopt, enter_msg}});
}

TEST(WidthField, StepsInterlockAndProbeFrequency) {
    UiRig rig;
    rig.start();
    const char* enter_msg = "脉冲宽度25~6500ns";
    const char* button_msg = "脉冲宽度：25~6500ns!";
    check(rig, rig.text(2), rig.button(13), "Label2",
          {{"1234", false, "1220", "1220", Command3{6, 196, 4}, nullptr},
           {"999", false, "995", "995", Command3{6, 227, 3}, nullptr},
           {"1019", true, "1000", "1000", Command3{6, 232, 3}, nullptr},
           {"6501", false, "6501", nullptr, std::nullopt, enter_msg},
           {"24", true, "24", nullptr, std::nullopt, button_msg},
           {"-100", false, "100", "100", Command3{6, 100, 0}, nullptr}});
    EXPECT_EQ(rig.label("Label21"), "5.00");
}

TEST(WidthField, ALongWidthLowersTheShownPrfWithoutSendingIt) {
    struct Case {
        const char* prf;
        const char* width;
        const char* prf_after;
    };
    for (const Case c : {Case{"1000", "6500", "500"}, {"5000", "6500", "500"}, {"500", "6500", "500"},
                         {"5000", "1000", "2000"}, {"2000", "2000", "1000"}, {"1000", "3000", "1000"},
                         {"5000", "995", "5000"}}) {
        UiRig rig;
        rig.start();
        rig.window->panel().apply_settings_fields({"单", "0", "100", "内部", c.prf, "10", "200", "MHz", "2.50", "50"});
        const std::size_t sent = rig.applied().size();
        enter(rig, rig.text(2), rig.button(13), {c.width, false, "", nullptr, {}, nullptr});
        EXPECT_EQ(rig.label("Label20"), c.prf_after) << c.prf << " " << c.width;
        EXPECT_EQ(rig.combo(2)->currentText(), QString(c.prf_after) + "Hz");
        ASSERT_EQ(rig.applied().size(), sent + 1); // only the width
        EXPECT_EQ(rig.applied().back()[0], 6);
    }
    UiRig rig;
    rig.start();
    enter(rig, rig.text(2), rig.button(13), {"6500", false, "", nullptr, {}, nullptr});
    EXPECT_EQ(rig.label("Label21"), "0.08");
    EXPECT_EQ(rig.applied().back(), (Command3{6, 100, 25}));
    rig.messages.clear();
    enter(rig, rig.text(2), rig.button(13), {"24", false, "", nullptr, {}, nullptr});
    EXPECT_EQ(rig.label("Label21"), "0.08");
    EXPECT_EQ(rig.label("Label20"), "500");
}

TEST(GainField, ShownAsTyped) {
    UiRig rig;
    rig.start();
    const char* msg = "增益值：-50~60dB!";
    check(rig, rig.text(3), rig.button(11), "Label3",
          {{"60", false, "60", "60", Command3{1, 110, 0}, nullptr},
           {"-50", true, "-50", "-50", Command3{1, 0, 0}, nullptr},
           {"0", false, "0", "0", Command3{1, 50, 0}, nullptr},
           {"05", false, "05", "05", Command3{1, 55, 0}, nullptr},
           {"-0", false, "-0", "-0", Command3{1, 50, 0}, nullptr},
           {"61", false, "61", nullptr, std::nullopt, msg},
           {"-51", true, "-51", nullptr, std::nullopt, msg},
           {"5-", false, "5-", nullptr, std::nullopt, msg},
           {"1.5e", false, "15", "15", Command3{1, 65, 0}, nullptr}});
}

TEST(EntryFields, EnterOnAnEmptyFieldDoesNothing) {
    UiRig rig;
    rig.start();
    for (EntryField* field : {rig.text(1), rig.text(2), rig.text(3)}) {
        field->clear();
        rig.press(field, Qt::Key_Return);
    }
    EXPECT_TRUE(rig.messages.empty());
    EXPECT_TRUE(rig.applied().empty());
}

TEST(EntryFields, EveryKeyMovesTheEmphasisEvenADiscardedOne) {
    UiRig rig;
    rig.start();
    const struct {
        EntryField* field;
        const char* label;
    } fields[] = {{rig.text(1), "Label15"}, {rig.text(2), "Label2"}, {rig.text(3), "Label3"}};
    for (const auto& f : fields) {
        const QString before = f.field->text();
        rig.press(f.field, Qt::Key_Period);
        rig.type(f.field, "x ");
        EXPECT_EQ(f.field->text(), before);
        for (const char* name : {"Label14", "Label15", "Label20", "Label2", "Label19", "Label3",
                                 "Label16", "Label17", "Label18"})
            EXPECT_EQ(is_emphasised(rig.label_widget(name)), std::string(name) == f.label) << name;
    }
    rig.type(rig.text(2), "-");
    EXPECT_EQ(rig.text(2)->text(), "200"); // no minus in the width
}

TEST(EntryFields, AButtonResetsTheOtherTwoFieldsEnterDoesNot) {
    UiRig rig;
    rig.start();
    const auto scribble = [&] {
        for (EntryField* field : {rig.text(1), rig.text(2), rig.text(3)}) {
            field->clear();
            rig.type(field, "77");
        }
    };
    scribble();
    rig.press(rig.text(3), Qt::Key_Return); // gain 77 refused
    EXPECT_EQ(rig.text(1)->text(), "77");
    EXPECT_EQ(rig.text(2)->text(), "77");
    QTest::mouseClick(rig.button(11), Qt::LeftButton);
    EXPECT_EQ(rig.text(1)->text(), "100");
    EXPECT_EQ(rig.text(2)->text(), "200");
    scribble();
    QTest::mouseClick(rig.button(12), Qt::LeftButton); // voltage 77 -> 75
    EXPECT_EQ(rig.text(3)->text(), "0");
    EXPECT_EQ(rig.text(2)->text(), "200");
    EXPECT_EQ(rig.label("Label15"), "75");
    scribble();
    QTest::mouseClick(rig.button(13), Qt::LeftButton); // width 77 -> 75
    EXPECT_EQ(rig.text(3)->text(), "0");
    EXPECT_EQ(rig.text(1)->text(), "75");
}

TEST(EntryFields, PastedTextIsRefusedOnConfirmAndNeverSent) {
    UiRig rig;
    rig.start();
    for (EntryField* field : {rig.text(1), rig.text(2), rig.text(3)}) {
        for (const char* pasted : {"１００", "2.5e3", "abc", "12 34", "-", "100\n", "999999999"}) {
            rig.messages.clear();
            field->clear();
            QApplication::clipboard()->setText(QString::fromUtf8(pasted));
            field->setFocus();
            QTest::keySequence(field, QKeySequence::Paste);
            EXPECT_FALSE(field->text().isEmpty()) << pasted;
            rig.press(field, Qt::Key_Return);
            EXPECT_EQ(rig.messages.size(), 1u) << pasted;
        }
    }
    EXPECT_TRUE(rig.applied().empty());
    EXPECT_EQ(rig.label("Label15"), "100");
    EXPECT_EQ(rig.label("Label2"), "200");
    EXPECT_EQ(rig.label("Label3"), "0");
}
