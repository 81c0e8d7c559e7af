#include "cli/console_view.h"

#include "link/upload.h"

namespace qlm::cli {

ConsoleView::ConsoleView(std::ostream* err, Sleep sleep) : err_(err), sleep_(std::move(sleep)) {}

void ConsoleView::set_list_text(Field field, const std::string& text) {
    list_texts_[static_cast<std::size_t>(field)] = text;
}

std::string ConsoleView::list_text(Field field) const {
    return list_texts_[static_cast<std::size_t>(field)];
}

void ConsoleView::show_progress(std::optional<int> value) {
    if (!err_) return;
    if (!value) {
        if (progress_shown_) *err_ << "\n" << std::flush;
        progress_shown_ = false;
        return;
    }
    *err_ << "\r上传 " << *value << "/" << Upload::kSteps << std::flush;
    progress_shown_ = true;
}

void ConsoleView::message(const std::string& text) {
    messages_.push_back(text);
    if (!err_) return;
    if (progress_shown_) *err_ << "\n";
    progress_shown_ = false;
    *err_ << "错误：" << text << std::endl;
}

void ConsoleView::wait(long passes) {
    if (sleep_ && passes > 0) sleep_(passes * kWaitPerPass);
}

} // namespace qlm::cli
