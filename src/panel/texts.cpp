#include "panel/texts.h"

#include "params/descriptor.h"

#include <array>
#include <ctime>

namespace qlm::texts {

const char* const kConnectionFailed = "数据通信失败！仪器和计算机无法连接";
const char* const kPrfNotForWidth = "重复频率与脉冲宽度不匹配，请重新选择重复频率！";
const char* const kCheckTitle = "核对仪器参数";
const char* const kInstrumentBusy = "另一个程序正在使用仪器，这次操作没有发送，请稍后再试。";
const char* const kNoAnswer = "仪器没有应答，显示面板没有更新。";
const char* const kUnconfirmed = "仪器未确认";
const char* const kHelpViewerFailed = "无法启动帮助查看器 hh.exe。";

namespace {

const char* const kImportFailed = "导入失败：";
const char* const kExportFailed = "导出失败：";
const char* const kReadFailed = "读取失败：";
const char* const kRestoreFailed = "上次的参数无法恢复，显示初始参数。";
const char* const kSaveFailed = "参数保存失败，下次启动将无法恢复当前参数。";
const char* const kImportTitle = "导入设置";
const char* const kImportNotes = "设置文件中以下参数没有按文件下发：";
const char* const kSameAsDisplay = "仪器参数与显示面板一致。";
const char* const kDiffersFromDisplay = "以下参数与显示面板不一致：";
const char* const kSameAsFile = "仪器参数与文件一致。";
const char* const kDiffersFromFile = "以下参数与文件不一致：";

std::string with_reason(const char* head, const std::string& path, const std::string& reason) {
    return head + path + "\n" + reason;
}

} // namespace

std::string refusal(const Refused& refused) {
    if (refused.rule == Rule::prf_not_allowed) return kPrfNotForWidth;
    if (refused.rule == Rule::not_an_entry)
        return std::string(descriptor(refused.field).title) + "没有取值 " + refused.value;
    return refusal_text(refused.field, refused.by);
}

std::string import_failed(const std::string& path, const std::string& reason) {
    return with_reason(kImportFailed, path, reason);
}
std::string export_failed(const std::string& path, const std::string& reason) {
    return with_reason(kExportFailed, path, reason);
}
std::string read_failed(const std::string& path, const std::string& reason) {
    return with_reason(kReadFailed, path, reason);
}

std::string restore_failed(const std::string& reason) {
    return std::string(kRestoreFailed) + "\n" + reason;
}
std::string save_failed(const std::string& reason) {
    return std::string(kSaveFailed) + "\n" + reason;
}

std::string help_missing(const std::string& file, const std::string& folders) {
    return "找不到帮助文档 " + file + "（查找过：" + folders + "）。";
}
std::string no_help_viewer(const std::string& file) {
    return "没有可以打开帮助文档 " + file +
           " 的查看器：请安装 CHM 阅读器（xchm 或 kchmviewer）或网页浏览器。";
}

const char* const kChangedOutside = "仪器参数被外部改变（可能重新上电）";

std::string watch_hint(const ReadBack& read) {
    if (read.result != ReadResult::answered) return "仪器无应答，自动读取失败";
    const bool changed = !read.updates.empty();
    const auto& fields = changed ? read.updates : read.observed;
    if (fields.empty()) return "仪器已重新连接，参数未变";
    std::string text = changed ? kChangedOutside : "仪器已重新连接";
    const char* separator = "：";
    for (const Difference& d : fields) {
        text += separator + std::string(descriptor(d.field).title) + " " +
                (changed ? shown_text(d.field, d.shown) + "→" : "") +
                shown_text(d.field, d.instrument);
        separator = "，";
    }
    return text;
}

std::string follow_hint(const ReadBack& read) {
    return read.result == ReadResult::answered ? "另一个程序改变了仪器参数，显示已重新读取"
                                               : "另一个程序改变了仪器参数，自动读取失败";
}

std::string import_notes(const std::vector<ImportNote>& notes) {
    std::string text = kImportNotes;
    for (const ImportNote& note : notes) {
        const ParamDescriptor& param = descriptor(note.field);
        const std::string shown = shown_text(note.field, note.shown);
        text += "\n" + std::string(param.title) + " “" + note.file_text + "”：";
        switch (note.kind) {
        case ImportNote::not_applied:
            text += (note.rule == Rule::not_an_entry || !param.numeric)
                        ? std::string("不是可选的值")
                        : refusal_text(note.field, ConfirmedBy::enter);
            text += "，未下发，显示保持 " + shown;
            break;
        case ImportNote::rounded:
            text += "按仪器的步进取为 " + shown;
            break;
        case ImportNote::lowered:
            text += "超出脉冲宽度允许的重复频率，降为 " + shown;
            break;
        }
    }
    return text;
}

std::string comparison(const Compared& compared) {
    const auto& differences = compared.differences;
    if (compared.against == Against::file) {
        if (differences.empty()) return std::string(kSameAsFile) + "\n";
        std::string text = std::string(kDiffersFromFile) + "\n";
        for (const Difference& d : differences) {
            const ParamDescriptor& param = descriptor(d.field);
            text += std::string(field_name(param.field)) + "（" + param.title + "）：文件 " +
                    shown_text(d.field, d.shown) + "，仪器 " + shown_text(d.field, d.instrument) +
                    "\n";
        }
        return text;
    }
    if (differences.empty()) return kSameAsDisplay;
    std::string text = kDiffersFromDisplay;
    for (const Difference& d : differences) {
        text += "\n" + std::string(descriptor(d.field).title) + "：显示 " +
                shown_text(d.field, d.shown) + "，仪器 " + shown_text(d.field, d.instrument);
    }
    return text;
}

std::string sent_line(const Sent& sent) {
    return (sent.delivery == SendResult::delivered ? "已发送 " : "未送达 ") +
           std::string(field_name(sent.field)) + "=" + shown_text(sent.field, sent.text) + "（" +
           std::to_string(sent.code) + " " + std::to_string(sent.value1) + " " +
           std::to_string(sent.value2) + "）" +
           (sent.delivery == SendResult::delivered ? "" : "：仪器未接收");
}

std::string display_only_line(Field field, const std::string& text) {
    return "仅显示 " + std::string(field_name(field)) + "=" + shown_text(field, text) +
           (descriptor(field).code ? "（未发送）" : "（由脉冲宽度得出）");
}

std::string remote_bad_port(const std::string& port) {
    return "端口必须是 0 到 65535 之间的整数：" + port;
}
std::string remote_bad_address(const std::string& address) {
    return "不是 IP 地址：" + address;
}
std::string remote_listen_needs_allow() {
    return "--listen 和 --allow 须一起给出：监听其他地址时，须列出允许连接的客户端地址";
}
std::string remote_empty_allow_item(int position) {
    return "--allow 的第 " + std::to_string(position) + " 项是空的：请写出地址或子网，用逗号分隔";
}
std::string remote_allow_everyone(const std::string& item) {
    return "--allow " + item + " 允许任何地址连接，未采用：请写出允许连接的地址或子网";
}
std::string remote_cannot_listen(const std::string& where, const std::string& reason) {
    return "远程控制无法在 " + where + " 监听：" + reason;
}
std::string remote_listening(const std::string& where) {
    return "远程控制（SCPI）在 " + where + " 等待连接";
}
std::string remote_refused(const std::string& peer) {
    return "远程控制：拒绝来自 " + peer + " 的连接（不在允许的地址中）";
}
std::string remote_refused_other_user(const std::string& peer) {
    return "远程控制：拒绝来自 " + peer + " 的连接（不是本用户的程序）";
}
std::string remote_refused_unknown_user(const std::string& peer, const std::string& why) {
    return "远程控制：拒绝来自 " + peer + " 的连接（无法确认是本用户的程序：" + why + "）";
}
std::string remote_too_many(const std::string& peer, int most) {
    return "远程控制：拒绝来自 " + peer + " 的连接（已有 " + std::to_string(most) + " 个客户端）";
}
std::string remote_gave_way(const std::string& idle, const std::string& peer, int most) {
    return "远程控制：已有 " + std::to_string(most) + " 个客户端，空闲最久的 " + idle +
           " 让位给来自 " + peer + " 的连接";
}
std::string remote_overrun(const std::string& peer, long long most) {
    return "远程控制：" + peer + " 发来的一行超过 " + std::to_string(most) +
           " 字节（-363 输入缓冲区溢出），连接已关闭";
}
std::string remote_not_reading(const std::string& peer) {
    return "远程控制：" + peer + " 不读取应答，连接已关闭";
}
std::string remote_stopped() {
    return "远程控制已停止";
}
std::string remote_status(const std::string& where, int clients) {
    if (where.empty()) return "";
    return "SCPI " + where + " · " + std::to_string(clients) + " 个客户端";
}

namespace {

std::string clock_time(WallClock::time_point when) {
    const std::time_t time = WallClock::to_time_t(when);
    std::tm local{};
#ifdef _WIN32
    localtime_s(&local, &time);
#else
    localtime_r(&time, &local);
#endif
    char text[16] = {};
    std::strftime(text, sizeof text, "%H:%M:%S", &local);
    return text;
}

} // namespace

std::string presence(const std::optional<Presence>& presence) {
    if (!presence) return "";
    if (presence->answered) return "仪器已连接";
    return "仪器无应答（" + clock_time(presence->since) + "）";
}

std::string spoken_value(Field field, const std::string& text, bool confirmed) {
    const ParamDescriptor& param = descriptor(field);
    std::string spoken = std::string(param.title) + " " + param.prefix + text;
    if (*param.unit) spoken += std::string(" ") + param.unit;
    if (!confirmed) spoken += std::string("，") + kUnconfirmed;
    return spoken;
}
std::string spoken_display(Field field) {
    return std::string("显示面板：仪器当前的") + descriptor(field).title;
}
std::string spoken_list(Field field) {
    return std::string(descriptor(field).title) + "列表";
}
std::string spoken_list_help(Field field, const std::string& text) {
    return "当前 " + spoken_value(field, text) + "。选择一项即发送到仪器";
}
std::string spoken_entry(Field field) {
    const ParamDescriptor& param = descriptor(field);
    return std::string(param.title) + "输入框，单位 " + param.numeric->entry_unit;
}
std::string spoken_entry_help(Field field) {
    const ParamDescriptor& param = descriptor(field);
    return with_range("输入{min}到{max}", *param.numeric) + " " + param.numeric->entry_unit +
           "，按回车或“" + param.title + "”按钮发送到仪器";
}
std::string spoken_button_help(Field field) {
    return std::string("把") + descriptor(field).title + "输入框中的数值发送到仪器";
}

const char* const kHandOverNoAnswer = "已在运行的窗口没有响应，另开一个窗口。";
std::string hand_over_ignores(const std::string& arguments) {
    return "已有窗口在运行，本次启动交给它；忽略：" + arguments;
}
std::string hand_over_cannot_listen(const std::string& reason) {
    return "无法等候第二次启动（" + reason + "），再次启动将另开窗口。";
}

std::optional<Notice> notice_for(const Outcome& outcome) {
    if (const auto* refused = std::get_if<Refused>(&outcome))
        return Notice{true, "", refusal(*refused)};
    if (const auto* sent = std::get_if<Sent>(&outcome)) {
        if (!unreachable(outcome)) return std::nullopt;
        if (sent->delivery == SendResult::busy) return Notice{true, "", kInstrumentBusy};
        return Notice{true, "", kConnectionFailed};
    }
    if (const auto* read = std::get_if<ReadBack>(&outcome)) {
        if (read->kind == ReadKind::follow || read->kind == ReadKind::watch)
            return std::nullopt; // said in the status bar
        if (read->result == ReadResult::request_refused) return Notice{true, "", kConnectionFailed};
        // An answer the operator asked for and never got; the program's own reads say it in
        // the status bar.
        if (read->result == ReadResult::no_answer && read->asked)
            return Notice{true, "", kNoAnswer};
        return std::nullopt;
    }
    if (const auto* imported = std::get_if<Imported>(&outcome)) {
        if (imported->notes.empty()) return std::nullopt;
        // Values taken otherwise are worth a word; values not sent are an error.
        bool refused = false;
        for (const ImportNote& note : imported->notes)
            refused = refused || note.kind == ImportNote::not_applied;
        return Notice{refused, refused ? "" : kImportTitle, import_notes(imported->notes)};
    }
    if (const auto* compared = std::get_if<Compared>(&outcome)) {
        if (compared->against == Against::display)
            return Notice{false, kCheckTitle, comparison(*compared)};
        return std::nullopt;
    }
    if (const auto* file = std::get_if<FileDone>(&outcome)) {
        if (file->ok) return std::nullopt;
        switch (file->op) {
        case FileOp::import:
            return Notice{true, "", import_failed(file->path, file->reason)};
        case FileOp::export_:
            return Notice{true, "", export_failed(file->path, file->reason)};
        case FileOp::compare:
            return Notice{true, "", read_failed(file->path, file->reason)};
        case FileOp::sheet:
            return Notice{true, "", sheet_failed(file->path, file->reason)};
        }
    }
    return std::nullopt;
}

std::span<const Message> messages() {
    static const std::array<Message, 15> kMessages{{
        {"connection", true, kConnectionFailed},
        {"no_answer", true, kNoAnswer},
        {"busy", true, kInstrumentBusy},
        {"prf", true, kPrfNotForWidth},
        {"refusals", true, "增益、电压、脉冲宽度的范围提示（见下表）"},
        {"import", true, import_failed("文件名", "原因")},
        {"export", true, export_failed("文件名", "原因（如“无法写入文件：…”）")},
        {"import_notes", true, std::string(kImportNotes) + "（每个参数一行及原因）"},
        {"restore", true, kRestoreFailed},
        {"save", true, kSaveFailed},
        {"check", false,
         std::string(kSameAsDisplay) + " / " + kDiffersFromDisplay + "（每个不一致的参数一行）"},
        {"help_missing", true, help_missing("5120.CHM", "…")},
        {"no_help_viewer", true, no_help_viewer("…")},
        {"help_viewer", true, kHelpViewerFailed},
        {"sheet", true, sheet_failed("文件名", "原因")},
    }};
    return kMessages;
}

namespace {

std::string read_result_text(ReadResult result) {
    switch (result) {
    case ReadResult::answered:
        return "成功";
    case ReadResult::request_refused:
        return "通信失败";
    case ReadResult::no_answer:
        return "仪器无应答";
    case ReadResult::busy:
        return "仪器被另一个程序占用，未读取";
    }
    return {};
}

std::string read_kind_text(ReadKind kind) {
    switch (kind) {
    case ReadKind::settings:
        return "读取仪器参数";
    case ReadKind::width:
        return "读取脉冲宽度";
    case ReadKind::check:
        return "核对读取";
    case ReadKind::follow:
        return "另一个程序改变后重新读取";
    case ReadKind::watch:
        return "自动读取";
    case ReadKind::query:
        return "查询前读取";
    }
    return {};
}

std::string upload_stop_text(UploadStop why) {
    switch (why) {
    case UploadStop::entry_key:
        return "输入框按键";
    case UploadStop::button:
        return "参数按钮";
    case UploadStop::read_failed:
        return "读取失败";
    case UploadStop::new_import:
        return "新的导入";
    case UploadStop::by_caller:
        break;
    }
    return "程序停止";
}

std::string file_op_text(FileOp op) {
    switch (op) {
    case FileOp::import:
        return "导入 ";
    case FileOp::export_:
        return "导出 ";
    case FileOp::compare:
        return "读取比较文件 ";
    case FileOp::sheet:
        return "导出设置单 ";
    }
    return {};
}

} // namespace

std::string journal_result(const Outcome& outcome) {
    struct Render {
        std::string operator()(const Sent& sent) const {
            switch (sent.delivery) {
            case SendResult::delivered:
                return "已发送";
            case SendResult::busy:
                return "仪器被另一个程序占用，未发送";
            case SendResult::data_refused:
                return "通信失败：仪器未接收数据帧";
            case SendResult::announce_refused:
            case SendResult::withheld:
                break;
            }
            return std::string("通信失败：") + kConnectionFailed;
        }
        std::string operator()(const Refused& refused) const { return "拒绝：" + refusal(refused); }
        std::string operator()(const DisplayOnly& shown) const {
            return std::string("仅显示（随") + descriptor(shown.because).title + "）";
        }
        std::string operator()(const ReadBack& read) const {
            if (read.kind == ReadKind::watch && !read.updates.empty()) return kChangedOutside;
            return read_kind_text(read.kind) + "：" + read_result_text(read.result) +
                   (read.observed.empty() ? "" : "（首次读到仪器的值）");
        }
        std::string operator()(const Imported& imported) const {
            return imported.notes.empty() ? "导入：全部按文件" : import_notes(imported.notes);
        }
        std::string operator()(const UploadStarted&) const { return "上传开始"; }
        std::string operator()(const UploadStep& step) const {
            return "上传第 " + std::to_string(step.value) + " 步";
        }
        std::string operator()(const UploadFinished&) const { return "上传完成"; }
        std::string operator()(const UploadStopped& stopped) const {
            return "上传在第 " + std::to_string(stopped.at) + " 步停止（" +
                   upload_stop_text(stopped.why) + "）";
        }
        std::string operator()(const Compared& compared) const {
            return (compared.against == Against::display ? "核对：" : "与文件比较：") +
                   std::string(compared.differences.empty() ? "一致" : "不一致");
        }
        std::string operator()(const FileDone& file) const {
            return file_op_text(file.op) + file.path +
                   (file.ok ? "：成功" : "：失败（" + file.reason + "）");
        }
    };
    return std::visit(Render{}, outcome);
}

std::string sheet_check_failed(const ReadBack& read) {
    return "核对失败（" + read_result_text(read.result) +
           "）：设置单上的参数是显示面板的参数，未经仪器核对。";
}

std::string sheet_failed(const std::string& path, const std::string& reason) {
    return with_reason("导出设置单失败：", path, reason);
}

std::string sheet_written(const std::string& path) {
    return "已导出设置单 " + path;
}

std::string journal_unwritable(const std::string& reason) {
    return "操作记录无法写入（" + reason + "），操作照常进行";
}

std::string sheet_text_has_controls(const std::string& label) {
    return label + "含有控制字符或文字方向控制符，请删除后再试";
}

std::string sheet_text_too_long(const std::string& label, int limit) {
    return label + "太长：最多 " + std::to_string(limit) + " 个字";
}

std::string sheet_check_more(std::size_t more) {
    return "另有 " + std::to_string(more) + " 项不同，见第 2 页";
}

std::string journal_skipped(long long bytes) {
    return "操作记录文件较大，只显示最后部分（跳过了前面 " + std::to_string(bytes) + " 字节）";
}

std::string lock_not_had(const InstrumentLock* lock) {
    const auto problem = lock ? lock->problem() : std::nullopt;
    if (!problem) return kInstrumentBusy;
    const char* reason = "系统拒绝加锁";
    switch (problem->fault) {
    case LockFault::folder:
        reason = "这是文件夹";
        break;
    case LockFault::not_regular:
        reason = "不是普通文件";
        break;
    case LockFault::link:
        reason = "是符号链接";
        break;
    case LockFault::no_permission:
        reason = "没有权限";
        break;
    case LockFault::missing_folder:
        reason = "文件夹不存在";
        break;
    case LockFault::none:
    case LockFault::other:
        break;
    }
    return "仪器锁文件无法使用（" + problem->path + "：" + reason + "），这次操作没有发送。";
}

} // namespace qlm::texts
