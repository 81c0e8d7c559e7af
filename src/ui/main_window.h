#pragma once
// The main window: the display panel holding the parameter set, the control panel, the
// menus and the timed upload. Every handler is a few lines calling the layers below.

#include "link/link.h"
#include "link/upload.h"
#include "params/entry_rules.h"
#include "params/param_set.h"
#include "ui/form1_layout.h"
#include "ui/seams.h"

#include <QMainWindow>
#include <QPointer>

class QTimer;

namespace qlm {

struct ChoiceList;
class AboutWindow;

class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    MainWindow(UsbDriver& driver, UiSeams seams, QWidget* parent = nullptr);
    ~MainWindow() override;

    // The window's load: status bar, restore the last values, read the instrument back,
    // fill the lists. Sends no parameter command.
    void start();

    void write_seting(std::uint8_t num, std::uint8_t data_ch, std::uint8_t data_ch1);
    void read_seting();
    void pw_read();
    void show_emphasis(Field field);

    // Ten texts into the display labels, the list texts and the entry fields.
    void apply_settings_fields(const std::array<std::string, kFieldCount>& fields);
    void start_upload();
    // Writes open.qini; a failure is shown.
    void save_last_settings();

    const param_set& params() const { return params_; }
    const Form1Widgets& widgets() const { return ui_; }
    QLabel* value_label(Field field) const;
    QTimer* Timer1() const { return timer1_; }
    AboutWindow* about_window() const;
    const QString& prf_text_saved() const { return prf_text_saved_; }

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void connect_controls();
    void set_field(Field field, const std::string& text);
    void send_field(Field field);
    // The read-back, then `then` whatever its outcome.
    void read_settings_then(std::function<void()> then);
    void show_all_fields();
    void set_list_texts();
    void copy_labels_to_entries();
    void fill_lists();
    void error(const QString& text);

    // Lists.
    void on_choice(const ChoiceList& list, int position);
    void on_prf_choice(int position);
    void on_prf_opening();

    // Entries.
    void on_entry_key(EntryField* field);
    void on_entry_done(EntryField* field);
    void on_confirm(Entry entry, ConfirmedBy by);
    void on_button(Entry entry);
    void confirm_voltage(ConfirmedBy by);
    void confirm_pulse_width(ConfirmedBy by);
    void confirm_gain(ConfirmedBy by);
    EntryField* entry_field(Entry entry) const;
    static Field field_of(Entry entry);

    // Upload.
    void on_timer1();
    void stop_upload();
    void set_param_controls_enabled(bool enabled);

    // Menus.
    void on_import();
    void on_export();
    void on_read_menu();
    void on_help();
    void on_about();

    UiSeams seams_;
    Link link_;
    Form1Widgets ui_;
    param_set params_;
    Upload upload_;
    QTimer* timer1_ = nullptr;
    QString prf_text_saved_;
    QPointer<AboutWindow> about_;
};

} // namespace qlm
