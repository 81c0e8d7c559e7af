// Operator actions fired from inside the waits of earlier exchanges, thousands of them in a
// seeded random mix: the instrument must see no protocol violation, no value it refuses,
// and every command in the order the actions issued it.
//
// QLM_STRESS_ACTIONS sets the number of actions (default 3000), QLM_STRESS_SEED the seed;
// the run prints its figures.
#include "ui_rig.h"

#include "params/encoding.h"

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

// What a typed entry becomes, by the rules of each field.
struct Typed {
    const char* text;
    std::optional<Command> sent;
};
const Typed kVoltages[] = {{"400", Command{2, 16, 0}}, {"25", Command{2, 1, 0}},
                           {"110", Command{2, 4, 0}},  {"-150", Command{2, 6, 0}},
                           {"399", Command{2, 15, 0}}, {"24", std::nullopt},
                           {"401", std::nullopt},      {"-", std::nullopt}};
const Typed kWidths[] = {
    {"6500", Command{6, 100, 25}}, {"1234", Command{6, 196, 4}}, {"999", Command{6, 227, 3}},
    {"25", Command{6, 25, 0}},     {"1000", Command{6, 232, 3}}, {"4999", Command{6, 116, 19}},
    {"200", Command{6, 200, 0}},   {"6501", std::nullopt},       {"24", std::nullopt}};
const Typed kGains[] = {{"60", Command{1, 110, 0}}, {"-50", Command{1, 0, 0}},
                        {"05", Command{1, 55, 0}},  {"-0", Command{1, 50, 0}},
                        {"61", std::nullopt},       {"-51", std::nullopt},
                        {"1-2", std::nullopt}};

// Combo number, position -> frame; Combo2 is the PRF list with its interlock.
Command choice_command(int combo, int position) {
    const auto p = static_cast<std::uint8_t>(position);
    switch (combo) {
    case 1:
        return {0, p, 0};
    case 2:
        return {4, static_cast<std::uint8_t>(p + 1), 0};
    case 3:
        return {3, p, 0};
    case 4:
        return {8, static_cast<std::uint8_t>(4 - p), 0};
    case 5:
        return {5, static_cast<std::uint8_t>(1 - p), 0};
    default:
        return {7, p, 0};
    }
}
const int kEntries[] = {0, 2, 6, 2, 4, 2, 2};

// The widest pulse width each PRF position allows, exclusive.
const int kPrfWidthLimit[] = {1 << 30, 1 << 30, 1 << 30, 5000, 2000, 1000};

// Which parameter a tick sends, by the counter value it reaches.
std::optional<Field> tick_field(int value) {
    switch (value) {
    case 1:
        return Field::mode;
    case 2:
        return Field::gain;
    case 4:
        return Field::voltage;
    case 6:
        return Field::trigger;
    case 7:
        return Field::prf;
    case 9:
        return Field::lpf;
    case 11:
        return Field::pw;
    case 12:
        return Field::hpf_unit;
    case 13:
        return Field::damping;
    default:
        return std::nullopt;
    }
}

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

    std::vector<Command> issued;
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
        const int combo = number(1, 6);
        ChoiceCombo* box = rig_.combo(combo);
        if (!box->isEnabled()) return; // held by a running upload: the click does nothing
        const int position = number(0, kEntries[combo] - 1);
        box->showPopup(); // Combo2 fetches the width here, or queues the fetch
        bool sends = true;
        if (combo == 2) {
            const int width = std::stoi(rig_.window->panel().params().pw);
            sends = width < kPrfWidthLimit[position];
        }
        if (sends) issued.push_back(choice_command(combo, position));
        QAbstractItemView* view = box->view();
        const QModelIndex index = view->model()->index(position, 0);
        view->scrollTo(index);
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(index).center());
    }

    template <std::size_t N> const Typed& any_of(const Typed (&table)[N]) {
        return table[static_cast<std::size_t>(number(0, static_cast<int>(N) - 1))];
    }

    // Clears a field and types a text into it key by key; every key stops an upload.
    EntryField* type_entry(const Typed*& typed) {
        EntryField* entry = nullptr;
        switch (number(0, 2)) {
        case 0:
            typed = &any_of(kVoltages);
            entry = rig_.text(1);
            break;
        case 1:
            typed = &any_of(kWidths);
            entry = rig_.text(2);
            break;
        default:
            typed = &any_of(kGains);
            entry = rig_.text(3);
            break;
        }
        entry->clear();
        rig_.type(entry, QString::fromLatin1(typed->text));
        return entry;
    }

    void confirm_by_enter() {
        const Typed* typed = nullptr;
        EntryField* entry = type_entry(typed);
        if (typed->sent) issued.push_back(*typed->sent);
        rig_.press(entry, Qt::Key_Return);
    }

    void confirm_by_button() {
        const Typed* typed = nullptr;
        EntryField* entry = type_entry(typed);
        QPushButton* button = entry == rig_.text(1)   ? rig_.button(12)
                              : entry == rig_.text(2) ? rig_.button(13)
                                                      : rig_.button(11);
        ASSERT_TRUE(button->isEnabled()); // the keys just typed stopped any upload
        if (typed->sent) issued.push_back(*typed->sent);
        QTest::mouseClick(button, Qt::LeftButton);
    }

    void open_prf_list() {
        ChoiceCombo* box = rig_.combo(2);
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
        if (!rig_.window->Timer1()->isActive()) return;
        const int next = rig_.ui().ProgressBar1->value() + 1;
        if (const auto field = tick_field(next)) {
            // What the label holds at this moment, as the tick encodes it.
            if (const auto command = encode_param(rig_.window->panel().params(), *field))
                issued.push_back({command->code, command->value1, command->value2});
        }
        rig_.tick();
    }

    void stop_key() {
        EntryField* fields[] = {rig_.text(1), rig_.text(2), rig_.text(3)};
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
    while (rig.window->Timer1()->isActive()) {
        const int next = rig.ui().ProgressBar1->value() + 1;
        if (const auto field = tick_field(next))
            if (const auto command = encode_param(rig.window->panel().params(), *field))
                stress.issued.push_back({command->code, command->value1, command->value2});
        rig.tick();
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();

    const auto& applied = rig.instrument.applied();
    std::printf("stress: seed %u, %ld actions (%ld inside waits), %zu commands issued, %zu "
                "applied, %d violations, %d rejected values, %zu messages, %.2f s\n",
                seed, stress.performed, stress.from_waits, stress.issued.size(), applied.size(),
                rig.instrument.violations(), rig.instrument.rejected_values(), rig.messages.size(),
                seconds);

    EXPECT_EQ(stress.performed, actions);
    EXPECT_GT(stress.from_waits, actions / 2);
    EXPECT_EQ(rig.instrument.violations(), 0);
    EXPECT_EQ(rig.instrument.rejected_values(), 0);
    ASSERT_EQ(applied.size(), stress.issued.size());
    for (std::size_t i = 0; i < applied.size(); ++i)
        ASSERT_EQ(applied[i], stress.issued[i]) << "command " << i;
    // Nothing is left half sent: the last frame the instrument saw completes an exchange.
    ASSERT_FALSE(rig.instrument.calls().empty());
    EXPECT_NE(rig.instrument.calls().back().frame[kTypeByte],
              static_cast<std::uint8_t>(FrameType::write_announce));
}
