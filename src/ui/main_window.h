#pragma once
// The main window: the widgets of the display and control panels, the menus and the
// upload's timer, connected to the front panel, which holds every rule. The window shows
// what the panel tells it and hands it the operator's actions.

#include "desktop/recent_files.h"
#include "files/qini_store.h"
#include "files/setup_files.h"
#include "panel/panel.h"
#include "ui/form1_layout.h"
#include "ui/remote_control.h"
#include "ui/seams.h"

#include <QMainWindow>
#include <QPointer>

#include <memory>

class QTimer;

namespace qlm {

class AboutWindow;
class JournalWindow;
class RecentMenu;

class MainWindow : public QMainWindow, private PanelView {
    Q_OBJECT
public:
    // `lock`: the instrument's exchange lock shared with other programs, if any.
    MainWindow(UsbDriver& driver, UiSeams seams, InstrumentLock* lock = nullptr,
               QWidget* parent = nullptr);
    ~MainWindow() override;

    // The window's load: status bar, restore the last values, read the instrument back, then
    // fill the lists and run `ready` (which shows the window). Sends no parameter command.
    void start(std::function<void()> ready = {});
    // Writes open.qini; a failure is shown.
    void save_last_settings();
    // The remote control on at `port` (else the remembered one), after start(); a failure is
    // shown. It is off until then unless the operator left it on.
    void start_remote(std::optional<quint16> port);
    RemoteControl* remote_control() const { return remote_.get(); }

    Panel& panel() { return panel_; }
    const Panel& panel() const { return panel_; }
    const Form1Widgets& widgets() const { return ui_; }
    QTimer* Timer1() const { return timer1_; }
    AboutWindow* about_window() const;
    JournalWindow* journal_window() const;
    // Imports the file as the menu's import does, once no message box is open and no
    // exchange runs: a file named at the start, handed over by a later start, dropped on
    // the window or chosen among the recent files. `name_is_text` false: a name whose
    // bytes were not text, refused.
    void open_settings_file(const QString& path, bool name_is_text = true);
    // Shown, restored and in front, for a later start of the program.
    void come_forward();
    RecentFiles& recent_files() { return recent_; }
    // Reads the instrument back when another program changed it and the window is idle
    // (no upload, no exchange, no entry being typed in); its timer calls it.
    void follow_instrument();
    // The watch (Panel::watch) when the window is idle; its timer calls it, every
    // watch_interval_ms() (0: off).
    void watch_instrument();
    int watch_interval_ms() const { return watch_interval_ms_; }

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    // PanelView
    void show_field(Field field, const std::string& text) override;
    void show_emphasis(Field field) override;
    void set_list_text(Field field, const std::string& text) override;
    std::string list_text(Field field) const override;
    void set_entry_text(Field field, const std::string& text) override;
    void hold_controls(bool held) override;
    void show_progress(std::optional<int> value) override;
    void run_timer(bool running) override;
    void report(const Outcome& outcome, const Cause& cause) override;
    void after(std::chrono::microseconds delay, std::function<void()> then) override;

    void connect_controls();
    void fill_lists();
    void mark_simulator();
    // The marks of values the instrument has not confirmed, and the first status panel.
    void show_known(Field field);
    void show_known();
    void show_status();
    bool typing() const;
    void error(const QString& text);
    void open_pending();
    void remember(const FileDone& file);

    // Menus.
    void on_import();
    void on_export();
    void on_check();
    void on_help();
    void on_about();
    void on_remote(bool on);
    void on_sheet();
    void on_journal();
    // The sheet, with its instrument check's outcomes.
    void finish_sheet(const QString& path, const SheetPeople& people,
                      const std::vector<Outcome>& check);

    UsbDriver& driver_;
    UiSeams seams_;
    Form1Widgets ui_;
    Panel panel_;
    QiniStore store_;
    SetupFiles files_;
    QTimer* timer1_ = nullptr;
    QTimer* follow_timer_ = nullptr;
    QTimer* watch_timer_ = nullptr;
    int watch_interval_ms_ = 0;
    InstrumentLock* lock_ = nullptr;
    QString simulator_mark_; // the first status panel's parts
    QString remote_status_;
    QPointer<AboutWindow> about_;
    std::unique_ptr<RemoteControl> remote_;
    QPointer<JournalWindow> journal_;
    RecentFiles recent_;
    RecentMenu* recent_menu_ = nullptr;
    QStringList pending_; // files to open once the window is idle
    QTimer* pending_timer_ = nullptr;
};

} // namespace qlm
