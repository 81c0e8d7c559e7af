// The voltage, width and gain fields as widgets: their key filters, Enter and the buttons.
#include "ui_rig.h"

#include "ui/colours.h"

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
    const char* message; // nullptr: none
};

// Clears the field, types the keys, confirms by Enter or by the button.
void enter(UiRig& rig, EntryField* field, QPushButton* button, const Typed& typed) {
    field->setFocus();
    field->clear();
    rig.type(field, QString::fromUtf8(typed.keys));
    if (typed.by_button)
        QTest::mouseClick(button, Qt::LeftButton);
    else
        rig.press(field, Qt::Key_Return);
}

// The commands the instrument took, without the PRF that a longer width lowers and sends.
Applied without_prf(const Applied& applied) {
    Applied out;
    for (const auto& frame : applied) {
        if (frame[0] != 4) out.push_back(frame);
    }
    return out;
}

void check(UiRig& rig, EntryField* field, QPushButton* button, const char* label,
           const std::vector<Typed>& cases) {
    for (const Typed& typed : cases) {
        rig.messages.clear();
        const QString before = rig.label(label);
        const std::size_t sent_before = without_prf(rig.applied()).size();
        enter(rig, field, button, typed);
        const std::string what = std::string(typed.keys) + (typed.by_button ? " button" : " Enter");
        EXPECT_EQ(field->text(), QString::fromUtf8(typed.field_after)) << what;
        EXPECT_EQ(rig.label(label),
                  typed.label_after ? QString::fromUtf8(typed.label_after) : before)
            << what;
        const Applied sent = without_prf(rig.applied());
        if (typed.sent) {
            ASSERT_EQ(sent.size(), sent_before + 1) << what;
            EXPECT_EQ(sent.back(), *typed.sent) << what;
        } else {
            EXPECT_EQ(sent.size(), sent_before) << what;
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

// Enter and each button reach the panel with the field's text, and the panel's answer
// reaches the field, its label and the messages.
TEST(EntryFields, EachFieldAndButtonIsWiredToThePanel) {
    UiRig rig;
    rig.start();
    check(rig, rig.entry(Field::voltage), rig.button(Field::voltage), "Label15",
          {{"-110", false, "100", "100", Command3{2, 4, 0}, nullptr},
           {"0", true, "0", nullptr, std::nullopt, "电压值：-25~400V!"}});
    check(rig, rig.entry(Field::gain), rig.button(Field::gain), "Label3",
          {{"05", false, "05", "05", Command3{1, 55, 0}, nullptr},
           {"-51", true, "-51", nullptr, std::nullopt, "增益值：-50~60dB!"}});
    check(rig, rig.entry(Field::pw), rig.button(Field::pw), "Label2",
          {{"24", false, "24", nullptr, std::nullopt, "脉冲宽度25~6500ns"},
           {"6500", true, "6500", "6500", Command3{6, 100, 25}, nullptr}});
    // The width's probe frequency and the PRF it lowers, in the label and the list.
    EXPECT_EQ(rig.label("Label21"), "0.08");
    EXPECT_EQ(rig.label("Label20"), "500");
    EXPECT_EQ(rig.list(Field::prf)->currentText(), "500Hz");
    // The button put the shown values back into the other two fields.
    EXPECT_EQ(rig.entry(Field::voltage)->text(), "100");
    EXPECT_EQ(rig.entry(Field::gain)->text(), "05");
}

// What the key filters let into the field, and what a confirmation then makes of it.
TEST(EntryFields, KeyFiltersKeepDigitsAndWhereAllowedTheMinus) {
    UiRig rig;
    rig.start();
    check(rig, rig.entry(Field::voltage), rig.button(Field::voltage), "Label15",
          {{"2a0.0 0", false, "2000", nullptr, std::nullopt, "电压值范围25~400V!"},
           {"-1-2", true, "-1-2", nullptr, std::nullopt, "电压值：-25~400V!"}});
    check(rig, rig.entry(Field::pw), rig.button(Field::pw), "Label2",
          {{"-1x00.", false, "100", "100", Command3{6, 100, 0}, nullptr}});
    check(rig, rig.entry(Field::gain), rig.button(Field::gain), "Label3",
          {{"1.5e", false, "15", "15", Command3{1, 65, 0}, nullptr},
           {"-0", true, "-0", "-0", Command3{1, 50, 0}, nullptr}});
}

TEST(EntryFields, EnterOnAnEmptyFieldDoesNothing) {
    UiRig rig;
    rig.start();
    for (EntryField* field :
         {rig.entry(Field::voltage), rig.entry(Field::pw), rig.entry(Field::gain)}) {
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
    } fields[] = {{rig.entry(Field::voltage), "Label15"},
                  {rig.entry(Field::pw), "Label2"},
                  {rig.entry(Field::gain), "Label3"}};
    for (const auto& f : fields) {
        const QString before = f.field->text();
        rig.press(f.field, Qt::Key_Period);
        rig.type(f.field, "x ");
        EXPECT_EQ(f.field->text(), before);
        for (const char* name : kEmphasisLabels)
            EXPECT_EQ(is_emphasised(rig.label_widget(name)), std::string(name) == f.label) << name;
    }
    rig.type(rig.entry(Field::pw), "-");
    EXPECT_EQ(rig.entry(Field::pw)->text(), "200"); // no minus in the width
}
