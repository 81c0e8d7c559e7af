#pragma once
// The real main window over the in-process simulator, with every platform seam replaced:
// messages are recorded, file dialogs answer with preset paths, an exchange's wait runs its
// continuation at once after one queued "handler" (as the event loop would run it
// meanwhile), and the automatic file lives in temporary folders.

#include "params/descriptor.h"
#include "sim_cases.h"
#include "sim_instrument.h"
#include "ui/choice_combo.h"
#include "ui/entry_field.h"
#include "ui/main_window.h"

#include <QAbstractItemView>
#include <QAction>
#include <QFile>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <vector>

namespace qlm::testing {

struct Message {
    QString title;
    QString text;
};

// The nine labels show_emphasis paints, by their designer names.
inline const char* const kEmphasisLabels[] = {"Label14", "Label15", "Label20", "Label2", "Label19",
                                              "Label3",  "Label16", "Label17", "Label18"};

// The simulator as a real instrument's library would present it: it never says what it is.
class AsRealInstrument : public UsbDriver {
public:
    explicit AsRealInstrument(UsbDriver& driver) : driver_(driver) {}
    std::int16_t write(const Frame& frame) override { return driver_.write(frame); }
    std::int16_t read(Frame& buffer) override { return driver_.read(buffer); }
    bool is_simulator() override { return false; }

private:
    UsbDriver& driver_;
};

class UiRig {
public:
    explicit UiRig(sim::Settings settings = sim::kDefaultSettings) : instrument(settings) {
        folders.program_folder = program_dir.path();
        folders.config_folder = config_dir.path() + "/config";
    }

    sim::SimInstrument instrument;
    QTemporaryDir program_dir;
    QTemporaryDir config_dir;
    AutoFileFolders folders;
    std::vector<Message> messages;
    QString open_answer; // what the open dialog returns
    QString save_answer;
    std::vector<QString> dialog_titles;
    QString help_answer;
    int help_calls = 0;
    std::chrono::microseconds waited{0}; // the time the exchanges asked to wait
    // Run one per wait, in order, as handlers that the event processing would run.
    std::vector<std::function<void()>> during_wait;
    // Runs inside every message box, as the operator's actions while it is open.
    std::function<void()> during_message;
    // The journal's folder, the folders shown, the sheet's lines asked (from the last) and given.
    QString journal_folder;
    std::vector<QString> opened_folders;
    std::vector<SheetPeople> people_asked;
    std::optional<SheetPeople> people_answer;
    std::unique_ptr<MainWindow> window;
    // The window sees a real instrument's library rather than the simulator.
    bool as_real_instrument = false;
    AsRealInstrument real{instrument};

    UiSeams seams() {
        UiSeams s;
        s.message = [this](const QString& title, const QString& text) {
            messages.push_back({title, text});
            if (during_message) during_message();
        };
        s.inform = s.message;
        s.open_file = [this](const QString& title, const QString&) {
            dialog_titles.push_back(title);
            return open_answer;
        };
        s.save_file = [this](const QString& title, const QString&) {
            dialog_titles.push_back(title);
            return save_answer;
        };
        s.after = [this](std::chrono::microseconds delay, std::function<void()> then) {
            waited += delay;
            if (!during_wait.empty()) {
                auto handler = during_wait.front();
                during_wait.erase(during_wait.begin());
                handler();
            }
            then();
        };
        s.open_help = [this](const std::function<void(const QString&)>& report) {
            ++help_calls;
            if (!help_answer.isEmpty()) report(help_answer);
        };
        s.folders = folders;
        s.journal_folder = journal_folder;
        s.open_folder = [this](const QString& folder) {
            opened_folders.push_back(folder);
            return true;
        };
        s.ask_people = [this](const SheetPeople& last) {
            people_asked.push_back(last);
            return people_answer;
        };
        return s;
    }

    InstrumentLock* lock = nullptr; // shared with other programs, when set before start()

    // Builds the window and runs its start-up, as loading it does.
    MainWindow& start() {
        UsbDriver& driver = as_real_instrument ? static_cast<UsbDriver&>(real) : instrument;
        window = std::make_unique<MainWindow>(driver, seams(), lock);
        window->start();
        return *window;
    }
    void close() { window->close(); }

    const Form1Widgets& ui() const { return window->widgets(); }
    const Panel& panel() const { return window->panel(); }
    // Controls by their designer names.
    template <typename T = QWidget> T* named(const QString& name) const {
        T* widget = window->findChild<T*>(name);
        if (!widget) ADD_FAILURE() << "no control " << name.toStdString();
        return widget;
    }
    QLabel* label_widget(const char* name) const {
        return named<QLabel>(QString::fromLatin1(name));
    }
    QString label(const char* name) const { return label_widget(name)->text(); }
    // A parameter's list, entry field and button.
    ChoiceCombo* list(Field field) const { return ui().of(field).list; }
    EntryField* entry(Field field) const { return ui().of(field).entry; }
    QPushButton* button(Field field) const { return ui().of(field).button; }
    // The ten value labels' texts, in settings-file order.
    std::vector<QString> display_texts() const {
        std::vector<QString> texts;
        for (const Field field : kAllFields)
            texts.push_back(ui().of(field).value->text());
        return texts;
    }

    // A choice with the mouse in the opened list.
    void choose(Field field, int position) {
        ChoiceCombo* box = list(field);
        box->showPopup();
        QAbstractItemView* view = box->view();
        const QModelIndex index = view->model()->index(position, 0);
        view->scrollTo(index);
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(index).center());
    }
    // Keys typed into a widget that has the focus.
    void type(QWidget* widget, const QString& keys) { QTest::keyClicks(widget, keys); }
    void press(QWidget* widget, Qt::Key key) { QTest::keyClick(widget, key); }

    // One tick of the upload timer, as 200 ms passing would give.
    void tick() { QMetaObject::invokeMethod(window->Timer1(), "timeout", Qt::DirectConnection); }
    // Ticks while the timer runs; how many it took.
    int run_upload() {
        int ticks = 0;
        while (window->Timer1()->isActive() && ticks < 100) {
            tick();
            ++ticks;
        }
        return ticks;
    }
    // A settings file in the rig's temporary folder.
    QString write_file(const QString& name, const QByteArray& bytes) {
        const QString path = config_dir.path() + "/" + name;
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        file.write(bytes);
        return path;
    }
    void trigger(QAction* action) { action->trigger(); }

    // Data frames the instrument applied, as (code, value 1, value 2).
    std::vector<std::array<std::uint8_t, 3>> applied() const { return instrument.applied(); }
    int writes() const {
        int count = 0;
        for (const auto& call : instrument.calls())
            count += call.direction == 'W';
        return count;
    }
    std::vector<QString> message_texts() const {
        std::vector<QString> texts;
        for (const auto& message : messages)
            texts.push_back(message.text);
        return texts;
    }
};

} // namespace qlm::testing
