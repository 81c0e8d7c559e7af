// Operator actions fired from inside the waits of earlier exchanges, thousands of them in a
// seeded random mix: the instrument must see no protocol violation and no value it refuses,
// never run a PRF its width does not allow (the instrument's own limits, replayed over what
// it applied), and at the end hold what the window shows.
//
// QLM_STRESS_ACTIONS sets the number of actions (default 3000), QLM_STRESS_SEED the seed;
// the run prints its figures.
#include "ui_rig.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <random>

using namespace qlm;
using namespace qlm::testing;

namespace {

using Command = std::array<std::uint8_t, 3>;

long environment_number(const char* name, long fallback) {
    const char* text = std::getenv(name);
    return text && *text ? std::strtol(text, nullptr, 10) : fallback;
}

// Texts typed into the entries: taken, rounded and refused ones.
const char* const kVoltages[] = {"400", "25", "110", "-150", "399", "24", "401", "-"};
const char* const kWidths[] = {"6500", "1234", "999", "25", "1000", "4999", "200", "6501", "24"};
const char* const kGains[] = {"60", "-50", "05", "-0", "61", "-51", "1-2"};

// The instrument's limit: the highest PRF in Hz for a width in ns.
int highest_prf(int width) {
    return width < 1000 ? 5000 : width < 2000 ? 2000 : width < 5000 ? 1000 : 500;
}
const int kPrfOfCode[] = {0, 100, 200, 500, 1000, 2000, 5000};

const char* const kImports[] = {
    "\"\xcb\xab\"\r\n\"20\"\r\n\"100\"\r\n\"\xcd\xe2\xb2\xbf\"\r\n\"1000\"\r\n\"30\"\r\n"
    "\"6500\"\r\n\"MHz\"\r\n\"0.08\"\r\n\"150\"\r\n",
    "\"\xb5\xa5\"\r\n\"-50\"\r\n\"400\"\r\n\"\xc4\xda\xb2\xbf\"\r\n\"5000\"\r\n\"10\"\r\n"
    "\"200\"\r\n\"kHz\"\r\n\"2.50\"\r\n\"50\"\r\n",
    // Texts that stand for no value send nothing for their parameter.
    "\"x\"\r\n\"05\"\r\n\"abc\"\r\n\"\xc4\xda\xb2\xbf\"\r\n\"3000\"\r\n\"30\"\r\n"
    "\"999\"\r\n\"MHz\"\r\n\"0.50\"\r\n\"81\"\r\n",
};

class Stress {
public:
    Stress(UiRig& rig, unsigned seed, long actions)
        : rig_(rig), random_(seed), remaining_(actions) {
        for (std::size_t i = 0; i < std::size(kImports); ++i)
            imports_.push_back(rig.write_file(QString("stress%1.qini").arg(i), kImports[i]));
        // Every wait runs a few more actions, as the event processing would.
        in_wait_ = [this] {
            rig_.during_wait.push_back(in_wait_);
            const int count = std::uniform_int_distribution<int>(0, 2)(random_);
            for (int i = 0; i < count; ++i)
                act();
        };
        rig_.during_wait.assign(1, in_wait_);
    }

    void run() {
        while (remaining_ > 0)
            act();
    }

    long performed = 0;
    long from_waits = 0;

private:
    void act() {
        if (remaining_ <= 0) return;
        --remaining_;
        ++performed;
        if (depth_ > 0) ++from_waits; // actions nest only through waits
        ++depth_;
        const int pick = std::uniform_int_distribution<int>(0, 99)(random_);
        if (pick < 30)
            choose();
        else if (pick < 50)
            confirm_by_enter();
        else if (pick < 62)
            confirm_by_button();
        else if (pick < 68)
            open_prf_list();
        else if (pick < 74)
            rig_.trigger(rig_.ui().seting2);
        else if (pick < 79)
            import();
        else if (pick < 95)
            tick();
        else
            stop_key();
        --depth_;
    }

    int number(int low, int high) { return std::uniform_int_distribution<int>(low, high)(random_); }

    void choose() {
        const auto fields = list_fields();
        ChoiceCombo* box = rig_.list(fields[static_cast<std::size_t>(number(0, 5))]);
        if (!box->isEnabled()) return; // held by a running upload: the click does nothing
        const int position = number(0, box->count() - 1);
        box->showPopup(); // the PRF list fetches the width here, or queues the fetch
        QAbstractItemView* view = box->view();
        const QModelIndex index = view->model()->index(position, 0);
        view->scrollTo(index);
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(index).center());
    }

    template <std::size_t N> const char* any_of(const char* const (&table)[N]) {
        return table[static_cast<std::size_t>(number(0, static_cast<int>(N) - 1))];
    }

    // Clears a field and types a text into it key by key; every key stops an upload.
    EntryField* type_entry() {
        const int which = number(0, 2);
        const char* text = which == 0   ? any_of(kVoltages)
                           : which == 1 ? any_of(kWidths)
                                        : any_of(kGains);
        EntryField* entry = rig_.entry(which == 0   ? Field::voltage
                                       : which == 1 ? Field::pw
                                                    : Field::gain);
        entry->clear();
        rig_.type(entry, QString::fromLatin1(text));
        return entry;
    }

    void confirm_by_enter() { rig_.press(type_entry(), Qt::Key_Return); }

    void confirm_by_button() {
        EntryField* entry = type_entry();
        QPushButton* button = nullptr;
        for (const Field field : entry_fields())
            if (rig_.entry(field) == entry) button = rig_.button(field);
        ASSERT_TRUE(button->isEnabled()); // the keys just typed stopped any upload
        QTest::mouseClick(button, Qt::LeftButton);
    }

    void open_prf_list() {
        ChoiceCombo* box = rig_.list(Field::prf);
        if (!box->isEnabled()) return;
        box->showPopup();
        box->hidePopup();
    }

    void import() {
        rig_.open_answer =
            imports_[static_cast<std::size_t>(number(0, static_cast<int>(imports_.size()) - 1))];
        rig_.trigger(rig_.ui().open);
    }

    // One timer tick, only while the timer runs, as a real one would come.
    void tick() {
        if (rig_.window->Timer1()->isActive()) rig_.tick();
    }

    void stop_key() {
        EntryField* fields[] = {rig_.entry(Field::voltage), rig_.entry(Field::pw),
                                rig_.entry(Field::gain)};
        rig_.press(fields[number(0, 2)], Qt::Key_Left);
    }

    UiRig& rig_;
    std::mt19937 random_;
    long remaining_;
    long depth_ = 0;
    std::vector<QString> imports_;
    std::function<void()> in_wait_;
};

} // namespace

TEST(Stress, ActionsDuringWaitsKeepTheProtocolAndTheOrder) {
    const long actions = environment_number("QLM_STRESS_ACTIONS", 3000);
    const auto seed = static_cast<unsigned>(environment_number("QLM_STRESS_SEED", 20240611));
    SCOPED_TRACE("seed " + std::to_string(seed));

    UiRig rig;
    rig.start();
    Stress stress(rig, seed, actions);
    const auto began = std::chrono::steady_clock::now();
    stress.run();
    // Let a running upload finish.
    while (rig.window->Timer1()->isActive())
        rig.tick();
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();

    const auto& applied = rig.instrument.applied();
    std::printf("stress: seed %u, %ld actions (%ld inside waits), %zu commands applied, %d "
                "violations, %d rejected values, %zu messages, %.2f s\n",
                seed, stress.performed, stress.from_waits, applied.size(),
                rig.instrument.violations(), rig.instrument.rejected_values(), rig.messages.size(),
                seconds);

    EXPECT_EQ(stress.performed, actions);
    EXPECT_GT(stress.from_waits, actions / 2);
    EXPECT_EQ(rig.instrument.violations(), 0);
    EXPECT_EQ(rig.instrument.rejected_values(), 0);
    // Replayed from the settings at start: after every command the PRF is one the width allows.
    int prf = kPrfOfCode[sim::kDefaultSettings[4]];
    int width = sim::kDefaultSettings[6] + 256 * sim::kDefaultSettings[7];
    for (std::size_t i = 0; i < applied.size(); ++i) {
        if (applied[i][0] == 4) prf = kPrfOfCode[applied[i][1]];
        if (applied[i][0] == 6) width = applied[i][1] + 256 * applied[i][2];
        if (prf > highest_prf(width))
            for (std::size_t j = (i > 12 ? i - 12 : 0); j <= i; ++j)
                std::printf("%zu: %d %d %d\n", j, applied[j][0], applied[j][1], applied[j][2]);
        ASSERT_LE(prf, highest_prf(width)) << "command " << i << " of " << applied.size();
    }
    // The display holds what the instrument holds.
    rig.messages.clear();
    rig.trigger(rig.ui().seting3);
    ASSERT_EQ(rig.message_texts(), std::vector<QString>{"仪器参数与显示面板一致。"});
    // Nothing is left half sent: the last frame the instrument saw completes an exchange.
    ASSERT_FALSE(rig.instrument.calls().empty());
    EXPECT_NE(rig.instrument.calls().back().frame[kTypeByte],
              static_cast<std::uint8_t>(FrameType::write_announce));
}
