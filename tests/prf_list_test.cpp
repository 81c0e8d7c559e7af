// The repetition-frequency list as a widget: the mouse opens it (and so fetches the width),
// the keyboard on the closed list does not, typed text is nothing.
#include "sim_cases.h"
#include "ui_rig.h"

#include "ui/colours.h"

#include <gtest/gtest.h>

using namespace qlm;
using namespace qlm::testing;

namespace {

const char* const kRefused = "重复频率与脉冲宽度不匹配，请重新选择重复频率！";

} // namespace

// Opening the list with the mouse fetches the width; the choice is checked against it, and
// a refusal puts the list's text back.
TEST(PrfList, OpeningFetchesTheWidthARefusalPutsBackTheListText) {
    UiRig rig;
    rig.start();
    rig.instrument.set_settings(with_width(2000));
    EXPECT_EQ(rig.list(Field::prf)->currentText(), "1000Hz");
    rig.choose(Field::prf, 5);
    EXPECT_EQ(rig.label("Label2"), "2000");
    EXPECT_EQ(rig.message_texts(), std::vector<QString>{kRefused});
    EXPECT_EQ(rig.messages[0].title, "错误");
    EXPECT_EQ(rig.list(Field::prf)->currentText(), "1000Hz");
    EXPECT_EQ(rig.label("Label20"), "1000");
    EXPECT_TRUE(is_emphasised(rig.label_widget("Label20")));
    EXPECT_TRUE(rig.applied().empty());
    rig.choose(Field::prf, 3);
    EXPECT_EQ(rig.applied(), (Applied{{4, 4, 0}}));
}

TEST(PrfList, KeyboardChoiceOnTheClosedListFetchesNoWidth) {
    UiRig rig(with_width(2000));
    rig.start();
    const int writes = rig.writes();
    ChoiceCombo* prf = rig.list(Field::prf);
    prf->setCurrentIndex(4); // "2000Hz", as if stepped to before
    prf->setFocus();
    rig.press(prf, Qt::Key_Down);    // "5000Hz"
    EXPECT_EQ(rig.writes(), writes); // no read request, nothing sent
    EXPECT_EQ(rig.message_texts(), std::vector<QString>{kRefused});
    EXPECT_EQ(prf->currentText(), ""); // never opened: the remembered text is empty
    rig.press(prf, Qt::Key_Up);        // "2000Hz" is refused for 2000 ns too
    EXPECT_EQ(rig.messages.size(), 2u);
    rig.press(prf, Qt::Key_Up); // "1000Hz" goes with 2000 ns
    ASSERT_EQ(rig.applied().size(), 1u);
    EXPECT_EQ(rig.applied().back(), (std::array<std::uint8_t, 3>{4, 4, 0}));
    EXPECT_EQ(rig.label("Label20"), "1000");
}

TEST(PrfList, TypedTextIsNeitherCheckedNorSent) {
    UiRig rig;
    rig.start();
    const int writes = rig.writes();
    ChoiceCombo* prf = rig.list(Field::prf);
    prf->lineEdit()->selectAll();
    rig.type(prf->lineEdit(), "5000Hz");
    rig.press(prf->lineEdit(), Qt::Key_Return);
    EXPECT_EQ(rig.writes(), writes);
    EXPECT_EQ(rig.label("Label20"), "1000");
    EXPECT_TRUE(rig.messages.empty());
}
