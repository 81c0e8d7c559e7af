#include "ui/main_window.h"

#include "params/choices.h"
#include "params/encoding.h"
#include "settings/settings_file.h"
#include "ui/about_window.h"
#include "ui/choice_combo.h"
#include "ui/colours.h"
#include "ui/entry_field.h"

#include <QApplication>
#include <QCloseEvent>
#include <QSessionManager>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

namespace qlm {

namespace {

const QString kErrorTitle = QString::fromUtf8("错误");
const QString kFileFilter = QStringLiteral("*.qini (*.qini)");

QString qs(const std::string& text) { return QString::fromStdString(text); }

} // namespace

MainWindow::MainWindow(UsbDriver& driver, UiSeams seams, QWidget* parent)
    : QMainWindow(parent),
      seams_(std::move(seams)),
      link_(driver, LinkSeams{seams_.wait,
                              [this](const std::string& text) { error(qs(text)); }}),
      ui_(build_form1(this)) {
    timer1_ = new QTimer(this);
    timer1_->setObjectName("Timer1");
    timer1_->setInterval(Upload::kIntervalMs);
    show_all_fields();
    connect_controls();
}

MainWindow::~MainWindow() {
    // The child widgets outlive the members; none of their signals may reach the link then.
    for (QObject* child : findChildren<QObject*>()) QObject::disconnect(child, nullptr, this, nullptr);
}

void MainWindow::connect_controls() {
    for (const ChoiceList& list : choice_lists()) {
        ChoiceCombo* combo = findChild<ChoiceCombo*>(QString::fromLatin1(list.name));
        connect(combo, &ChoiceCombo::chosen, this,
                [this, &list](int position) { on_choice(list, position); });
    }
    connect(ui_.combo(2), &ChoiceCombo::opening, this, &MainWindow::on_prf_opening);
    for (EntryField* field : {ui_.Text1, ui_.Text2, ui_.Text3}) {
        connect(field, &EntryField::keyArrived, this, [this, field] { on_entry_key(field); });
        connect(field, &EntryField::enterPressed, this,
                [this, field] { on_confirm(field->entry(), ConfirmedBy::enter); });
        connect(field, &EntryField::keyDone, this, [this, field] { on_entry_done(field); });
    }
    connect(ui_.Command11, &QPushButton::clicked, this, [this] { on_button(Entry::gain); });
    connect(ui_.Command12, &QPushButton::clicked, this, [this] { on_button(Entry::voltage); });
    connect(ui_.Command13, &QPushButton::clicked, this, [this] { on_button(Entry::width); });
    for (QPushButton* button : {ui_.Command11, ui_.Command12, ui_.Command13}) {
        button->setMouseTracking(true);
        button->installEventFilter(this);
    }
    connect(timer1_, &QTimer::timeout, this, &MainWindow::on_timer1);
    connect(ui_.open, &QAction::triggered, this, &MainWindow::on_import);
    connect(ui_.save, &QAction::triggered, this, &MainWindow::on_export);
    connect(ui_.seting2, &QAction::triggered, this, &MainWindow::on_read_menu);
    connect(ui_.helpd, &QAction::triggered, this, &MainWindow::on_help);
    connect(ui_.about, &QAction::triggered, this, &MainWindow::on_about);
}

// ---- start-up and shutdown

void MainWindow::start() {
    set_up_status_bar(ui_);
    const LoadResult last = load_auto_file(seams_.folders);
    if (last.fields) {
        apply_settings_fields(*last.fields);
    } else {
        // No file is a first start; a file that cannot be read is worth a word.
        if (QFileInfo::exists(auto_file_to_load(seams_.folders)))
            error(QString::fromUtf8("上次的参数无法恢复，显示初始参数。\n") + last.error);
        set_list_texts();
        copy_labels_to_entries();
    }
    for (EntryField* field : {ui_.Text1, ui_.Text2, ui_.Text3}) field->setEnabled(true);
    read_seting();
    fill_lists();
    // A session that ends without closing the window still keeps the values.
    connect(qApp, &QGuiApplication::commitDataRequest, this, &MainWindow::save_last_settings);
}

void MainWindow::closeEvent(QCloseEvent* event) {
    save_last_settings();
    event->accept();
}

void MainWindow::save_last_settings() {
    const QString problem = save_auto_file(seams_.folders, params_.texts());
    if (!problem.isEmpty())
        error(QString::fromUtf8("参数保存失败，下次启动将无法恢复当前参数。\n") + problem);
}

// ---- the display panel

QLabel* MainWindow::value_label(Field field) const { return ui_.label(info(field).value_label); }

void MainWindow::set_field(Field field, const std::string& text) {
    params_[field] = text;
    value_label(field)->setText(qs(text));
}

void MainWindow::show_all_fields() {
    for (const Field field : kAllFields) value_label(field)->setText(qs(params_[field]));
}

void MainWindow::show_emphasis(Field field) {
    const char* chosen = info(field).emphasis_label;
    for (const Field each : kAllFields) {
        const char* name = info(each).emphasis_label;
        if (name) paint_value_label(ui_.label(name), chosen && std::string_view(name) == chosen);
    }
}

void MainWindow::apply_settings_fields(const std::array<std::string, kFieldCount>& fields) {
    for (const Field field : kAllFields) set_field(field, fields[static_cast<std::size_t>(field)]);
    set_list_texts();
    copy_labels_to_entries();
}

void MainWindow::set_list_texts() {
    for (const ChoiceList& list : choice_lists()) {
        findChild<ChoiceCombo*>(QString::fromLatin1(list.name))
            ->setEditText(qs(list_text(list.field, params_[list.field])));
    }
}

void MainWindow::copy_labels_to_entries() {
    ui_.Text3->setText(qs(params_.gain));
    ui_.Text1->setText(qs(params_.voltage));
    ui_.Text2->setText(qs(params_.pw));
}

void MainWindow::fill_lists() {
    for (const ChoiceList& list : choice_lists()) {
        QStringList entries;
        for (const char* entry : list.entries) entries << QString::fromUtf8(entry);
        findChild<ChoiceCombo*>(QString::fromLatin1(list.name))->fill(entries);
    }
}

void MainWindow::error(const QString& text) { seams_.message(kErrorTitle, text); }

// ---- the link

void MainWindow::write_seting(std::uint8_t num, std::uint8_t data_ch, std::uint8_t data_ch1) {
    link_.write_seting(num, data_ch, data_ch1);
}

void MainWindow::send_field(Field field) {
    if (const auto command = encode_param(params_, field))
        write_seting(command->code, command->value1, command->value2);
}

void MainWindow::read_seting() { read_settings_then({}); }

void MainWindow::read_settings_then(std::function<void()> then) {
    link_.read_settings([this, then](Link::ReadOutcome outcome, const Frame& answer) {
        if (outcome == Link::ReadOutcome::refused) stop_upload();
        if (outcome == Link::ReadOutcome::answered) {
            decode_settings(params_, std::span<const std::uint8_t, 10>(answer.data(), 10));
            show_all_fields();
            copy_labels_to_entries();
        }
        if (then) then();
    });
}

void MainWindow::pw_read() {
    link_.read_width([this](Link::ReadOutcome outcome, const Frame& answer) {
        if (outcome == Link::ReadOutcome::refused) stop_upload();
        if (outcome != Link::ReadOutcome::answered) return;
        decode_width(params_, answer[6], answer[7]);
        value_label(Field::pw)->setText(qs(params_.pw));
    });
}

// ---- the choice lists

void MainWindow::on_choice(const ChoiceList& list, int position) {
    show_emphasis(list.field);
    if (position < 0 || static_cast<std::size_t>(position) >= list.entries.size()) return;
    if (list.field == Field::prf) return on_prf_choice(position);
    const std::string text = field_text(list, static_cast<std::size_t>(position));
    const auto command = encode_text(list.field, text);
    if (list.label_first) set_field(list.field, text);
    if (command) write_seting(command->code, command->value1, command->value2);
    if (!list.label_first) set_field(list.field, text);
}

void MainWindow::on_prf_opening() {
    pw_read();
    prf_text_saved_ = ui_.combo(2)->currentText();
}

void MainWindow::on_prf_choice(int position) {
    const std::string prf = field_text(choice_list(Field::prf), static_cast<std::size_t>(position));
    const Decimal hz = *parse_decimal(prf);
    const auto width = parse_decimal(params_.pw);
    // 100 to 500 Hz go with every width; a width that is not a number allows no more.
    const bool allowed = compare(hz, 500) <= 0 || (width && prf_allowed(hz, *width));
    if (!allowed) {
        error(QString::fromUtf8("重复频率与脉冲宽度不匹配，请重新选择重复频率！"));
        ui_.combo(2)->setEditText(prf_text_saved_);
        return;
    }
    const auto command = encode_text(Field::prf, prf);
    write_seting(command->code, command->value1, command->value2);
    set_field(Field::prf, prf);
}

// ---- the timed upload

void MainWindow::start_upload() {
    set_param_controls_enabled(false);
    ui_.ProgressBar1->setRange(0, Upload::kSteps);
    ui_.ProgressBar1->show();
    timer1_->setInterval(Upload::kIntervalMs);
    ui_.ProgressBar1->setValue(0);
    upload_.start();
    timer1_->start();
}

void MainWindow::on_timer1() {
    const auto tick = upload_.tick();
    if (!tick) return timer1_->stop();
    ui_.ProgressBar1->setValue(tick->value);
    if (tick->finished) {
        timer1_->stop();
        ui_.ProgressBar1->hide();
        set_param_controls_enabled(true);
    }
    if (tick->field) send_field(*tick->field);
}

// A stopped upload gives the controls back: the operator is never left with a dead panel.
void MainWindow::stop_upload() {
    timer1_->stop();
    if (!upload_.running()) return;
    upload_.stop();
    ui_.ProgressBar1->hide();
    set_param_controls_enabled(true);
}

void MainWindow::set_param_controls_enabled(bool enabled) {
    for (QPushButton* button : {ui_.Command12, ui_.Command13, ui_.Command11})
        button->setEnabled(enabled);
    for (ChoiceCombo* combo : ui_.combos) combo->setEnabled(enabled);
}

// ---- menus

void MainWindow::on_import() {
    const QString path = seams_.open_file(QString::fromUtf8("导入文件"), kFileFilter);
    if (path.isEmpty()) return;
    const LoadResult loaded = load_settings_file(path);
    if (!loaded.fields) {
        error(QString::fromUtf8("导入失败：%1\n%2").arg(QDir::toNativeSeparators(path), loaded.error));
        return;
    }
    apply_settings_fields(*loaded.fields);
    start_upload();
}

void MainWindow::on_export() {
    const QString path = seams_.save_file(QString::fromUtf8("导出文件"), kFileFilter);
    if (path.isEmpty()) return;
    const QString problem = save_settings_file(path, params_.texts());
    if (!problem.isEmpty())
        error(QString::fromUtf8("导出失败：%1\n%2").arg(QDir::toNativeSeparators(path), problem));
}

void MainWindow::on_read_menu() {
    read_settings_then([this] { set_list_texts(); });
}

void MainWindow::on_help() {
    const QString problem = seams_.open_help();
    if (!problem.isEmpty()) error(problem);
}

AboutWindow* MainWindow::about_window() const { return about_.data(); }

void MainWindow::on_about() {
    if (!about_) about_ = new AboutWindow(this);
    about_->show();
    about_->raise();
    about_->activateWindow();
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
