#include "ui/main_window.h"

#include "panel/texts.h"
#include "params/descriptor.h"
#include "record/journal_file.h"
#include "settings/auto_file.h"
#include "settings/watch_setting.h"
#include "ui/about_window.h"
#include "ui/accessible_names.h"
#include "ui/choice_combo.h"
#include "ui/colours.h"
#include "ui/entry_field.h"
#include "ui/journal_window.h"
#include "ui/keyboard.h"
#include "ui/recent_menu.h"
#include "ui/unconfirmed_mark.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QSessionManager>
#include <QTimer>

#include <cstdio>

namespace qlm {

namespace {

const QString kErrorTitle = QString::fromUtf8("错误");
const QString kFileFilter = QStringLiteral("*.qini (*.qini)");
// How often the window looks whether another program changed the instrument.
constexpr int kFollowIntervalMs = 300;
// How often a file waiting to be opened looks whether the window is idle.
constexpr int kPendingIntervalMs = 100;

QString qs(const std::string& text) {
    return QString::fromStdString(text);
}

// The one settings file among what is dragged, if it is just that.
QString dropped_settings_file(const QMimeData* data) {
    if (!data || !data->hasUrls() || data->urls().size() != 1) return {};
    const QUrl url = data->urls().front();
    if (!url.isLocalFile()) return {};
    const QString path = url.toLocalFile();
    return path.endsWith(QStringLiteral(".qini"), Qt::CaseInsensitive) ? path : QString();
}

} // namespace

MainWindow::MainWindow(UsbDriver& driver, UiSeams seams, InstrumentLock* lock, QWidget* parent)
    : QMainWindow(parent), driver_(driver), seams_(std::move(seams)), ui_(build_form1(this)),
      panel_(driver, *this, lock),
      files_(store_, [this](const Outcome& outcome) { report(outcome, {}); }),
      recent_(recent_files_in(seams_.folders.config_folder)) {
    timer1_ = new QTimer(this);
    timer1_->setObjectName("Timer1");
    timer1_->setInterval(Upload::kIntervalMs);
    lock_ = lock;
    follow_timer_ = new QTimer(this);
    follow_timer_->setInterval(kFollowIntervalMs);
    watch_timer_ = new QTimer(this);
    pending_timer_ = new QTimer(this);
    pending_timer_->setInterval(kPendingIntervalMs);
    connect(pending_timer_, &QTimer::timeout, this, &MainWindow::open_pending);
    describe_controls(ui_);
    panel_.show_all(); // unconfirmed, until the instrument is read
    set_up_keyboard(this, ui_);
    setAcceptDrops(true);
    // A file dropped on a list goes to the window, not into the list's text.
    for (ChoiceCombo* list : ui_.lists())
        list->lineEdit()->setAcceptDrops(false);
    recent_menu_ = new RecentMenu(findChild<QMenu*>(QStringLiteral("file")), recent_);
    connect(recent_menu_, &RecentMenu::chosen, this,
            [this](const QString& path) { open_settings_file(path); });
    connect_controls();
}

MainWindow::~MainWindow() {
    // The child widgets outlive the members; none of their signals may reach the panel then.
    for (QObject* child : findChildren<QObject*>())
        QObject::disconnect(child, nullptr, this, nullptr);
}

void MainWindow::connect_controls() {
    for (const Field field : list_fields()) {
        ChoiceCombo* list = ui_.of(field).list;
        connect(list, &ChoiceCombo::chosen, this,
                [this, field](int position) { panel_.choose(field, position); });
        connect(list, &ChoiceCombo::opening, this, [this, field] { panel_.open_list(field); });
    }
    for (const Field field : entry_fields()) {
        EntryField* entry = ui_.of(field).entry;
        connect(entry, &EntryField::keyArrived, this, [this, field] { panel_.entry_key(field); });
        connect(entry, &EntryField::enterPressed, this, [this, field, entry] {
            panel_.confirm(field, entry->text().toStdString(), ConfirmedBy::enter);
        });
        connect(entry, &EntryField::keyDone, this, [this, field] { panel_.entry_key_done(field); });
        QPushButton* button = ui_.of(field).button;
        connect(button, &QPushButton::clicked, this,
                [this, field, entry] { panel_.press_button(field, entry->text().toStdString()); });
        button->setMouseTracking(true);
        button->installEventFilter(this);
    }
    connect(timer1_, &QTimer::timeout, this, [this] { panel_.tick(); });
    connect(follow_timer_, &QTimer::timeout, this, &MainWindow::follow_instrument);
    connect(watch_timer_, &QTimer::timeout, this, &MainWindow::watch_instrument);
    connect(ui_.open, &QAction::triggered, this, &MainWindow::on_import);
    connect(ui_.save, &QAction::triggered, this, &MainWindow::on_export);
    connect(ui_.seting2, &QAction::triggered, this, [this] { panel_.read_back(); });
    connect(ui_.seting3, &QAction::triggered, this, &MainWindow::on_check);
    connect(ui_.restore, &QAction::triggered, this, [this] { panel_.restore(); });
    connect(ui_.helpd, &QAction::triggered, this, &MainWindow::on_help);
    connect(ui_.about, &QAction::triggered, this, &MainWindow::on_about);
    connect(ui_.remote, &QAction::triggered, this, &MainWindow::on_remote);
    connect(ui_.sheet, &QAction::triggered, this, &MainWindow::on_sheet);
    connect(ui_.journal, &QAction::triggered, this, &MainWindow::on_journal);
    connect(ui_.quit, &QAction::triggered, this, &QWidget::close);
}

// ---- start-up and shutdown

void MainWindow::start(std::function<void()> ready) {
    set_up_status_bar(ui_);
    mark_simulator();
    const QString remote_settings = seams_.folders.config_folder.isEmpty()
                                        ? QString()
                                        : seams_.folders.config_folder + "/remote.ini";
    remote_ = std::make_unique<RemoteControl>(
        panel_, store_, ui_.remote,
        [this](const QString& status) {
            remote_status_ = status;
            show_status();
        },
        remote_settings, seams_.documents,
        [this](Field field, const std::string& text) {
            if (ui_.of(field).list) set_list_text(field, qlm::list_text(field, text));
            if (ui_.of(field).entry) set_entry_text(field, text);
        });
    const LoadResult last = load_auto_file(seams_.folders);
    // No file is a first start; a file that cannot be read is worth a word.
    if (!last.fields && QFileInfo::exists(auto_file_to_load(seams_.folders)))
        error(qs(texts::restore_failed(last.error.toStdString())));
    for (const Field field : entry_fields())
        ui_.of(field).entry->setEnabled(true);
    const WatchSetting watching = load_watch_setting(seams_.folders.config_folder);
    if (!watching.problem.isEmpty()) std::fprintf(stderr, "%s\n", qPrintable(watching.problem));
    watch_interval_ms_ = watching.interval_ms;
    Caller started;
    started.done = [this, ready = std::move(ready)](const std::vector<Outcome>&) {
        show_status();
        fill_lists();
        if (lock_) {
            lock_->take_changes(); // the start-up read-back saw them
            follow_timer_->start();
        }
        if (watch_interval_ms_ > 0) watch_timer_->start(watch_interval_ms_);
        if (ready) ready();
    };
    panel_.start(last.fields, std::move(started));
    show_status();
    // Clients are taken while the start-up's read-back waits, and its box.
    if (remote_->remembered_on()) start_remote(std::nullopt);
    // A session that ends without closing the window still keeps the values.
    connect(qApp, &QGuiApplication::commitDataRequest, this, &MainWindow::save_last_settings);
}

void MainWindow::start_remote(std::optional<quint16> port) {
    std::string problem;
    if (remote_ && !remote_->on() && !remote_->switch_on(port, problem)) error(qs(problem));
}

void MainWindow::on_remote(bool on) {
    if (!remote_) return;
    std::string problem;
    if (on && !remote_->switch_on(std::nullopt, problem)) error(qs(problem));
    if (!on) remote_->switch_off();
    remote_->remember(remote_->on());
}

void MainWindow::closeEvent(QCloseEvent* event) {
    panel_.end(); // a command announced gets its data frame
    save_last_settings();
    event->accept();
}

void MainWindow::save_last_settings() {
    const QString problem = save_auto_file(seams_.folders, panel_.params().texts());
    if (!problem.isEmpty()) error(qs(texts::save_failed(problem.toStdString())));
}

// Nobody should take the simulated instrument for a real one: the caption and the first
// status bar panel say so.
void MainWindow::mark_simulator() {
    if (!driver_.is_simulator()) return;
    const QString mark = QString::fromUtf8("（模拟仪器）");
    setWindowTitle(windowTitle() + mark);
    simulator_mark_ = QString::fromUtf8("模拟仪器");
    ui_.panels[0]->setToolTip(QString::fromUtf8("所用的驱动库是模拟仪器，不是真实仪器的驱动库"));
    show_status();
}

// The simulator's mark, whether the instrument answers, the remote control.
void MainWindow::show_status() {
    QLabel* panel = ui_.panels[0];
    if (!panel) return;
    QStringList parts{simulator_mark_, qs(texts::presence(panel_.known().presence())),
                      remote_status_};
    parts.removeAll(QString());
    const QString text = parts.join(QStringLiteral("  "));
    if (panel->text() == text) return;
    panel->setText(text);
    panel->setAccessibleName(text);
}

void MainWindow::show_known(Field field) {
    const bool confirmed = panel_.confirmed(field);
    const FieldControls& controls = ui_.of(field);
    for (QLabel* label : {controls.value, controls.emphasis}) {
        if (label) mark_unconfirmed(label, !confirmed);
    }
    describe_value(ui_, field, confirmed);
}

void MainWindow::show_known() {
    for (const Field field : kAllFields)
        show_known(field);
}

void MainWindow::fill_lists() {
    for (const Field field : list_fields()) {
        QStringList entries;
        for (const Choice& choice : descriptor(field).choices)
            entries << qs(qlm::list_text(field, choice.text));
        ui_.of(field).list->fill(entries);
    }
}

void MainWindow::error(const QString& text) {
    seams_.message(kErrorTitle, text);
}

// ---- what the panel shows

void MainWindow::show_field(Field field, const std::string& text) {
    ui_.of(field).value->setText(qs(text));
    show_known(field);
}

void MainWindow::show_emphasis(Field field) {
    for (const Field each : kAllFields) {
        if (QLabel* label = ui_.of(each).emphasis) paint_value_label(label, each == field);
    }
}

void MainWindow::set_list_text(Field field, const std::string& text) {
    ui_.of(field).list->setEditText(qs(text));
}

std::string MainWindow::list_text(Field field) const {
    return ui_.of(field).list->currentText().toStdString();
}

void MainWindow::set_entry_text(Field field, const std::string& text) {
    ui_.of(field).entry->setText(qs(text));
}

void MainWindow::hold_controls(bool held) {
    for (QPushButton* button : ui_.buttons())
        button->setEnabled(!held);
    for (ChoiceCombo* list : ui_.lists())
        list->setEnabled(!held);
}

void MainWindow::show_progress(std::optional<int> value) {
    if (!value) return ui_.ProgressBar1->hide();
    ui_.ProgressBar1->setRange(0, Upload::kSteps);
    ui_.ProgressBar1->setValue(*value);
    ui_.ProgressBar1->show();
}

void MainWindow::run_timer(bool running) {
    if (!running) return timer1_->stop();
    timer1_->setInterval(Upload::kIntervalMs);
    timer1_->start();
}

// Never over what the operator is typing.
bool MainWindow::typing() const {
    for (const Field field : entry_fields()) {
        const auto& controls = ui_.of(field);
        const bool focused = focusWidget() == controls.entry; // this window's, active or not
        if (focused && controls.entry->text() != controls.value->text()) return true;
    }
    return false;
}

void MainWindow::follow_instrument() {
    if (!typing()) panel_.follow_changes(); // else once it has ended
}

void MainWindow::watch_instrument() {
    if (!typing()) panel_.watch();
}

// An outcome its caller answers (a remote client, the sheet) is only a hint here: no box
// waits for an operator who did nothing.
void MainWindow::report(const Outcome& outcome, const Cause& cause) {
    show_known();
    show_status();
    if (const auto* file = std::get_if<FileDone>(&outcome)) remember(*file);
    const auto* read = std::get_if<ReadBack>(&outcome);
    if (read && read->kind == ReadKind::follow) {
        if (QLabel* hint = hint_panel(ui_)) hint->setText(qs(texts::follow_hint(*read)));
    }
    if (read && read->kind == ReadKind::watch) {
        if (QLabel* hint = hint_panel(ui_)) hint->setText(qs(texts::watch_hint(*read)));
    }
    ui_.restore->setEnabled(panel_.kept().has_value() && !panel_.uploading());
    auto notice = texts::notice_for(outcome);
    if (!notice) return;
    if (not_had_lock(outcome)) notice->text = texts::lock_not_had(lock_);
    if (cause.answered) {
        if (QLabel* hint = hint_panel(ui_)) hint->setText(qs(notice->text));
        return;
    }
    if (notice->error) return error(qs(notice->text));
    seams_.inform(qs(notice->title), qs(notice->text));
}

void MainWindow::after(std::chrono::microseconds delay, std::function<void()> then) {
    seams_.after(delay, std::move(then));
}

// ---- menus

void MainWindow::on_import() {
    const QString path = seams_.open_file(QString::fromUtf8("导入文件"), kFileFilter);
    if (path.isEmpty()) return;
    files_.import_file(panel_, QDir::toNativeSeparators(path).toStdString());
}

void MainWindow::open_settings_file(const QString& path, bool name_is_text) {
    const QString native = QDir::toNativeSeparators(path);
    if (!name_is_text) store_.refuse_once(native.toStdString());
    pending_ << native;
    open_pending();
    if (!pending_.isEmpty()) pending_timer_->start();
}

void MainWindow::open_pending() {
    // Never inside a message box's loop or an exchange's wait.
    if (QApplication::activeModalWidget() || panel_.busy()) return;
    if (pending_.isEmpty()) return pending_timer_->stop();
    const QString path = pending_.takeFirst();
    if (pending_.isEmpty()) pending_timer_->stop();
    files_.import_file(panel_, path.toStdString());
}

// A file used is listed first; one that has gone is dropped.
void MainWindow::remember(const FileDone& file) {
    if (file.op == FileOp::compare) return;
    const QString path = QDir::fromNativeSeparators(qs(file.path));
    if (!QDir::isAbsolutePath(path)) return;
    QString problem;
    if (file.ok)
        problem = recent_.add(path);
    else if (!QFileInfo::exists(path))
        problem = recent_.remove(path);
    if (!problem.isEmpty()) std::fprintf(stderr, "%s\n", qPrintable(problem));
    recent_menu_->refresh();
}

void MainWindow::come_forward() {
    if (isMinimized()) showNormal();
    show();
    raise();
    activateWindow();
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
    if (!dropped_settings_file(event->mimeData()).isEmpty()) event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* event) {
    const QString path = dropped_settings_file(event->mimeData());
    if (path.isEmpty()) return;
    event->acceptProposedAction();
    open_settings_file(path);
}

void MainWindow::on_export() {
    const QString path = seams_.save_file(QString::fromUtf8("导出文件"), kFileFilter);
    if (path.isEmpty()) return;
    files_.export_file(panel_, QDir::toNativeSeparators(path).toStdString());
}

void MainWindow::on_check() {
    panel_.check_instrument();
}

void MainWindow::on_help() {
    seams_.open_help([window = QPointer<MainWindow>(this)](const QString& problem) {
        if (window) window->error(problem);
    });
}

AboutWindow* MainWindow::about_window() const {
    return about_.data();
}

void MainWindow::on_about() {
    if (!about_) about_ = new AboutWindow(this);
    about_->show();
    about_->raise();
    about_->activateWindow();
}

JournalWindow* MainWindow::journal_window() const {
    return journal_.data();
}

void MainWindow::on_journal() {
    if (!journal_) journal_ = new JournalWindow(seams_.journal_folder, seams_.open_folder, this);
    journal_->reload();
    journal_->show();
    journal_->raise();
    journal_->activateWindow();
}

// The operator's three lines, the file, then the instrument check whose result the sheet
// shows; the display does not change.
void MainWindow::on_sheet() {
    if (!seams_.ask_people) return;
    const auto people = seams_.ask_people(remembered_people(seams_.journal_folder));
    if (!people) return;
    const QString path =
        seams_.save_file(QString::fromUtf8("导出设置单"), QStringLiteral("*.pdf (*.pdf)"));
    if (path.isEmpty()) return;
    remember_people(seams_.journal_folder, *people);
    Caller sheet;
    // The comparison goes onto the sheet, not into a box.
    sheet.told = [](const Outcome& outcome) {
        const auto* compared = std::get_if<Compared>(&outcome);
        return compared && compared->against == Against::display;
    };
    sheet.done = [this, path, people = *people](const std::vector<Outcome>& check) {
        finish_sheet(path, people, check);
    };
    panel_.check_instrument(std::move(sheet));
}

void MainWindow::finish_sheet(const QString& path, const SheetPeople& people,
                              const std::vector<Outcome>& outcomes) {
    std::vector<std::string> check;
    for (const Outcome& outcome : outcomes) {
        const auto* read = std::get_if<ReadBack>(&outcome);
        if (read && read->result != ReadResult::answered)
            check = {texts::sheet_check_failed(*read)};
        const auto* compared = std::get_if<Compared>(&outcome);
        if (!compared) continue;
        const std::string text = texts::comparison(*compared);
        for (std::size_t start = 0; start <= text.size();) {
            const std::size_t end = std::min(text.find('\n', start), text.size());
            check.push_back(text.substr(start, end - start));
            start = end + 1;
        }
    }
    SheetContent content;
    content.time = QDateTime::currentDateTime();
    content.program = QCoreApplication::applicationName().toStdString();
    content.simulator = driver_.is_simulator();
    content.values = panel_.params();
    content.values_from = "显示面板";
    content.check = check;
    content.recent = recent_changes(read_journal(seams_.journal_folder, content.time.date()).lines,
                                    kSheetChanges);
    content.people = people;
    const std::string shown = QDir::toNativeSeparators(path).toStdString();
    if (const QString problem = write_sheet(path, content); !problem.isEmpty())
        return error(qs(texts::sheet_failed(shown, problem.toStdString())));
    if (QLabel* hint = hint_panel(ui_)) hint->setText(qs(texts::sheet_written(shown)));
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Enter || event->type() == QEvent::MouseMove) {
        if (auto* button = qobject_cast<QPushButton*>(watched)) {
            if (QLabel* hint = hint_panel(ui_)) hint->setText(button->text());
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

} // namespace qlm
