// Writes the manual's tables as HTML fragments, one file per table, from the program's own
// parameter rules: the lists' entries, what the three entry fields take (found by asking the
// entry rules about every whole number), the PRF / pulse-width interlock, probe
// frequencies, the upload's steps, the initial values and the refusal messages.
//
// What it reads: the parameters' descriptions (title, unit, list entries, initial text),
// confirm_entry, refusal_text, the interlock, probe_freq_text, the upload's steps and the
// remote command table (also written as Markdown: for docs/remote-control.md, and with a
// heading as the installed command table, scpi-commands.md).
#include "panel/texts.h"
#include "panel/upload.h"
#include "params/descriptor.h"
#include "params/entry_rules.h"
#include "params/interlock.h"
#include "params/param_set.h"
#include "params/units.h"
#include "remote/command_table.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

using namespace qlm;

namespace {

// How the manual names each parameter, and its unit.
struct Wording {
    const char* name;
    const char* unit;
};
Wording wording(Field field) {
    return {descriptor(field).title, descriptor(field).unit};
}

// The entry fields in the manual's order.
constexpr Field kEntries[] = {Field::gain, Field::voltage, Field::pw};

// Whole numbers asked about; every value the fields take lies well inside.
constexpr long kProbeLow = -10000, kProbeHigh = 20000;

[[noreturn]] void fail(const std::string& why) {
    std::fprintf(stderr, "manual tables: %s\n", why.c_str());
    std::exit(1);
}

// A run of shown values with one step.
struct Band {
    long first, last, step;
};

struct EntryFacts {
    std::vector<Band> bands;
    bool rounds_down = false;  // else shown as typed
    bool sign_ignored = false; // "-150" is taken as 150
};

EntryFacts entry_facts(Field entry) {
    std::map<long, long> inputs_per_value; // shown value -> how many typed numbers give it
    EntryFacts facts;
    bool as_typed = true;
    for (long typed = kProbeLow; typed <= kProbeHigh; ++typed) {
        const EntryResult result = confirm_entry(entry, std::to_string(typed));
        if (!result.accepted) continue;
        if (typed == kProbeLow || typed == kProbeHigh) fail("an entry takes every number");
        const long shown = std::stol(result.display_text);
        if (typed < 0) {
            const EntryResult unsigned_result = confirm_entry(entry, std::to_string(-typed));
            if (unsigned_result.accepted && unsigned_result.display_text == result.display_text) {
                facts.sign_ignored = true;
                continue;
            }
        }
        if (shown != typed) as_typed = false;
        if (shown > typed) fail("an entry rounds up");
        ++inputs_per_value[shown];
    }
    if (inputs_per_value.empty()) fail("an entry takes nothing");
    facts.rounds_down = !as_typed;
    // Each shown value stands for the typed numbers up to the next one: that run is the step.
    // The top value has no run above it and keeps the step below it.
    long previous_step = 0;
    for (auto it = inputs_per_value.begin(); it != inputs_per_value.end(); ++it) {
        const bool top = std::next(it) == inputs_per_value.end();
        const long step = top && previous_step ? previous_step : it->second;
        if (facts.bands.empty() || facts.bands.back().step != step)
            facts.bands.push_back({it->first, it->first, step});
        else
            facts.bands.back().last = it->first;
        previous_step = step;
    }
    return facts;
}

std::string with_unit(const std::string& value, const char* unit) {
    return *unit ? value + " " + unit : value;
}

// A field's text as the display panel shows it, with its prefix and unit: "-100 V", "1 MHz".
std::string shown(Field field, const std::string& text) {
    const ParamDescriptor& param = descriptor(field);
    const std::string prefix = param.prefix;
    const bool apart = !prefix.empty() && prefix != "-"; // a digit before a unit word
    return prefix + (apart ? " " : "") + with_unit(text, param.unit);
}

std::string entries_table() {
    std::ostringstream out;
    out << "<table class=\"data\" id=\"entries\">\n"
        << "<tr><th>参数</th><th>可设置的值</th><th>步长</th><th>输入值的处理</th></tr>\n";
    for (const Field each : kEntries) {
        const EntryFacts facts = entry_facts(each);
        const Wording word = wording(each);
        std::string handling = facts.rounds_down ? "向下取为步长的整数倍" : "按输入原样显示和发送";
        if (facts.sign_ignored) handling += "；负号不起作用（-150 按 150 处理）";
        for (std::size_t i = 0; i < facts.bands.size(); ++i) {
            const Band& band = facts.bands[i];
            out << "<tr>";
            if (i == 0)
                out << "<td rowspan=\"" << facts.bands.size() << "\">" << word.name << "</td>";
            out << "<td>" << band.first << " ~ " << with_unit(std::to_string(band.last), word.unit)
                << "</td><td>" << with_unit(std::to_string(band.step), word.unit) << "</td>";
            if (i == 0)
                out << "<td rowspan=\"" << facts.bands.size() << "\">" << handling << "</td>";
            out << "</tr>\n";
        }
    }
    out << "</table>\n";
    return out.str();
}

std::string refusals_table() {
    std::ostringstream out;
    out << "<table class=\"data\" id=\"refusals\">\n"
        << "<tr><th>参数</th><th>按 Enter 键确认时</th><th>按按钮确认时</th></tr>\n";
    for (const Field each : kEntries)
        out << "<tr><td>" << wording(each).name << "</td><td>"
            << refusal_text(each, ConfirmedBy::enter) << "</td><td>"
            << refusal_text(each, ConfirmedBy::button) << "</td></tr>\n";
    out << "</table>\n";
    return out.str();
}

// When each message appears and what to do, by the catalogue's key.
struct Explanation {
    const char* when;
    const char* what_to_do;
};
const std::map<std::string, Explanation>& explanations() {
    static const std::map<std::string, Explanation> kExplanations{
        {"connection",
         {"向仪器发送参数或读取参数失败：启动时、选择列表项、确认数值、打开重复频率列表、导入下发、"
          "手动读取、核对仪器参数。",
          "检查连接，见<a href=\"connection.html\">仪器无法连接</a>。显示面板中已改动的值不会恢复，"
          "但仪器没有收到。"}},
        {"no_answer",
         {"选择“参数 → 仪器参数（手动获取）”（F5）或“参数 → 核对仪器参数”后，仪器接收了读取请求但"
          "没有送回参数：仪器在请求和应答之间断开或断电，或仪器故障。",
          "显示面板保持原来的值，未经仪器确认。检查连接后重新读取，见<a "
          "href=\"connection.html\">仪器无法连接</a>。"}},
        {"busy",
         {"另一个程序（例如另一个窗口或 qlm5120rx-cli）占用仪器超过 10 秒。",
          "等另一个程序完成后重试；这次操作没有发送任何帧。"}},
        {"prf",
         {"选择的重复频率超过当前脉冲宽度允许的最高值。",
          "选择较低的重复频率，或先减小脉冲宽度。见<a "
          "href=\"interlock.html\">重复频率与脉冲宽度</a>。"}},
        {"refusals",
         {"输入的数值超出范围或不是整数。",
          "按表中范围重新输入，见<a href=\"entries.html\">输入数值</a>。"}},
        {"import",
         {"参数文件无法读取或不完整。",
          "检查文件，见<a href=\"files.html\">导出与导入</a>。没有任何参数被改动或发送。"}},
        {"export",
         {"文件无法写入：文件夹不可写、磁盘已满、目标不是普通文件，或某个值含有无法保存的字符。",
          "换一个文件夹或文件名再导出。"}},
        {"import_notes",
         {"导入的设置文件中有参数超出范围、不是可选的值、需要按仪器的步进取整，或重复频率超出文件中"
          "脉冲宽度允许的范围。",
          "未下发的参数在显示面板中保持原值；取整或降低的参数按显示的值下发。需要时修改设置文件后"
          "重新导入，见<a href=\"files.html\">导出与导入</a>。"}},
        {"sheet",
         {"“文件 → 导出设置单（PDF）”的文件无法写入：文件夹不存在或不可写、磁盘已满。",
          "换一个文件夹或文件名再导出，见<a href=\"record.html\">操作记录与设置单</a>。"}},
        {"restore",
         {"启动时自动设置文件存在但无法读取。", "检查参数后继续使用；关闭窗口时会重新保存。见<a "
                                                "href=\"autosave.html\">自动设置文件</a>。"}},
        {"save",
         {"关闭窗口时自动设置文件无法写入。",
          "检查程序文件夹和用户配置文件夹的写入权限及磁盘空间。"}},
        {"check",
         {"选择“参数 → 核对仪器参数”后仪器回答了读取请求。",
          "有不一致时，可用“参数 → 仪器参数（手动获取）”读回，或重新设置这些参数。见<a "
          "href=\"readback.html\">读取仪器参数</a>。"}},
        {"help_missing",
         {"Linux：程序文件夹、安装的手册文件夹和当前文件夹中都没有手册。", "重新安装软件包。"}},
        {"no_help_viewer",
         {"Linux：手册存在，但没有能打开它的程序。",
          "安装 CHM 阅读器（xchm 或 kchmviewer）或网页浏览器。"}},
        {"help_viewer",
         {"Windows：无法启动帮助查看器。",
          "在 Windows 中 hh.exe 是系统自带的；检查系统是否完整。Windows 找不到 5120.CHM 时由 "
          "hh.exe "
          "自己提示：请从“开始”菜单的快捷方式启动程序，使当前文件夹为程序文件夹。"}},
    };
    return kExplanations;
}

// The lines of a message, one after another in a cell.
std::string cell_text(const std::string& text) {
    std::string out;
    for (const char c : text)
        out += c == '\n' ? std::string(" ") : std::string(1, c);
    return out;
}

std::string messages_table() {
    std::ostringstream out;
    out << "<table class=\"data\" id=\"messages\">\n"
        << "<tr><th>提示</th><th>对话框</th><th>何时出现</th><th>怎么办</th></tr>\n";
    for (const texts::Message& message : texts::messages()) {
        const auto found = explanations().find(message.key);
        if (found == explanations().end()) fail(std::string("no explanation for ") + message.key);
        out << "<tr><td>" << cell_text(message.text) << "</td><td>"
            << (message.error ? "错误" : texts::kCheckTitle) << "</td><td>" << found->second.when
            << "</td><td>" << found->second.what_to_do << "</td></tr>\n";
    }
    out << "</table>\n";
    return out.str();
}

std::string lists_table() {
    std::ostringstream out;
    out << "<table class=\"data\" id=\"lists\">\n"
        << "<tr><th>参数</th><th>列表中的条目（从上到下）</th><th>显示面板显示</th></tr>\n";
    for (const Field field : list_fields()) {
        const Wording word = wording(field);
        std::string entries, shown_texts;
        const auto& choices = descriptor(field).choices;
        for (std::size_t i = 0; i < choices.size(); ++i) {
            const std::string separator = i ? "、" : "";
            const std::string text = choices[i].text;
            entries += separator + list_text(field, text);
            shown_texts += separator + shown(field, text);
        }
        out << "<tr><td>" << word.name << "</td><td>" << entries << "</td><td>" << shown_texts
            << "</td></tr>\n";
    }
    out << "</table>\n";
    return out.str();
}

// The settable widths, in order.
std::vector<long> settable_widths() {
    std::vector<long> widths;
    for (const Band& band : entry_facts(Field::pw).bands)
        for (long width = band.first; width <= band.last; width += band.step)
            if (widths.empty() || widths.back() != width) widths.push_back(width);
    return widths;
}

std::string interlock_table() {
    const auto& prf = descriptor(Field::prf).choices;
    struct Row {
        long first, last;
        int max_prf;
    };
    std::vector<Row> rows;
    for (const long width : settable_widths()) {
        const int max = max_prf_for_pw(Decimal{width, 1});
        if (rows.empty() || rows.back().max_prf != max)
            rows.push_back({width, width, max});
        else
            rows.back().last = width;
    }
    std::ostringstream out;
    out << "<table class=\"data\" id=\"interlock\">\n"
        << "<tr><th>脉冲宽度</th><th>最高重复频率</th><th>可选的重复频率</th></tr>\n";
    for (const Row& row : rows) {
        std::string allowed;
        for (const Choice& choice : prf) {
            const auto hz = parse_decimal(choice.text);
            if (!hz) fail("a PRF entry is not a number");
            if (prf_allowed(*hz, Decimal{row.first, 1}))
                allowed += (allowed.empty() ? "" : "、") + list_text(Field::prf, choice.text);
        }
        out << "<tr><td>" << row.first << " ~ " << row.last << " ns</td><td>" << row.max_prf
            << " Hz</td><td>" << allowed << "</td></tr>\n";
    }
    out << "</table>\n";
    return out.str();
}

std::string probe_table() {
    std::ostringstream out;
    out << "<table class=\"data\" id=\"probe\">\n<tr><th>脉冲宽度</th><th>探头频率</th></tr>\n";
    for (const long width : {25L, 50L, 100L, 200L, 250L, 500L, 1000L, 2000L, 4000L, 6500L})
        out << "<tr><td>" << width << " ns</td><td>" << probe_freq_text(width)
            << " MHz</td></tr>\n";
    out << "</table>\n";
    return out.str();
}

std::string upload_table() {
    std::ostringstream out;
    out << "<table class=\"data\" id=\"upload\">\n"
        << "<tr><th>进度</th><th>时间</th><th>发送的参数</th></tr>\n";
    for (int step = 1; step <= Upload::kSteps; ++step) {
        const auto field = upload_field(step);
        out << "<tr><td>" << step << " / " << Upload::kSteps << "</td><td>"
            << step * Upload::kIntervalMs << " ms</td><td>"
            << (field ? wording(*field).name : "（不发送）") << "</td></tr>\n";
    }
    out << "</table>\n";
    return out.str();
}

std::string initial_table() {
    std::ostringstream out;
    out << "<table class=\"data\" id=\"initial\">\n<tr><th>参数</th><th>初始值</th></tr>\n";
    for (const Field field : kAllFields) {
        const Wording word = wording(field);
        out << "<tr><td>" << word.name << "</td><td>" << shown(field, descriptor(field).initial)
            << "</td></tr>\n";
    }
    out << "</table>\n";
    return out.str();
}

// ---- the remote command set

// What a command does, for the table.
const char* remote_purpose(const remote::CommandEntry& entry) {
    using remote::Action;
    switch (entry.action) {
    case Action::idn:
        return "厂家、型号、序列号（协议不传送，为 0）、程序版本";
    case Action::rst:
        return "不发送任何命令（仪器没有复位命令；需要初始值时逐项设置 DEF）";
    case Action::cls:
        return "清空错误队列和事件状态寄存器";
    case Action::esr:
        return "事件状态寄存器（读后清零）";
    case Action::ese:
        return "事件状态使能寄存器";
    case Action::opc:
        return "本客户端之前的命令（依次执行，已结束）和上传都结束后：*OPC? 回答 1，*OPC 置位 "
               "ESR 第 0 位";
    case Action::wai:
        return "等上传结束后再执行本客户端后面的命令（它之前的命令依次执行，已结束）";
    case Action::stb:
        return "状态字节（第 2 位：错误队列非空；第 5 位：ESR 与 ESE 有共同的位）";
    case Action::error_next:
        return "取出最早的错误：代码和 ASCII 说明";
    case Action::error_count:
        return "错误队列中的错误数";
    case Action::version:
        return "所依据的 SCPI 版本";
    case Action::field:
        return descriptor(*entry.field).title;
    case Action::probe_freq:
        return descriptor(Field::probe_freq).title;
    case Action::read_back:
        return "仪器参数（手动获取）：读回仪器参数到显示面板";
    case Action::check:
        return "核对仪器参数：不同参数的个数，及每个的命令、显示值、仪器值";
    case Action::present:
        return "仪器是否应答了最近一次通信（发送或读取）：1 应答，0 "
               "未应答或还没有通信；不发送任何帧";
    case Action::load:
        return "导入设置文件并上传（13 步，每步 200 ms；*OPC? 在上传结束后回答）";
    case Action::store:
        return "导出设置：先读取仪器参数，把仪器的参数写入设置文件；仪器没有回答时不写入（-240）";
    case Action::restore:
        return "恢复参数：把仪器参数被外部改变前显示面板的参数上传（13 步；*OPC? "
               "在上传结束后回答）；没有这样的改变时是错误 -221";
    }
    return "";
}

// What a parameter's set takes, from its rules, in SI base units: "-50 to 60", "2.5E-8 to
// 6.5E-6, step 5E-9 (from 1E-6: 2E-8)", "SINGle|DUAL", "50|80|150|400".
std::string remote_values(Field field) {
    const ParamDescriptor& param = descriptor(field);
    const auto si = [field](const std::string& text) {
        return si_text(field, text).value_or(text);
    };
    if (const NumericRule* rule = param.numeric) {
        std::string text = si(std::to_string(rule->min)) + " to " + si(std::to_string(rule->max));
        for (std::size_t i = 0; i < rule->steps.size(); ++i) {
            const Step& step = rule->steps[i];
            const std::string size = si(std::to_string(step.step));
            text += i == 0 ? ", step " + size
                           : " (from " + si(std::to_string(step.from)) + ": " + size + ")";
        }
        return text;
    }
    const remote::RemoteField& remote = remote::remote_field(field);
    std::vector<std::pair<long long, std::string>> entries;
    for (std::size_t i = 0; i < param.choices.size(); ++i) {
        const bool named =
            remote.units == remote::Units::none && i < remote.entries.size() && remote.entries[i];
        std::string text = named ? remote.entries[i] : si(param.choices[i].text);
        entries.push_back({remote.numeric_order ? std::stoll(param.choices[i].text) : 0, text});
    }
    std::stable_sort(entries.begin(), entries.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    std::string text;
    for (const auto& entry : entries)
        text += (text.empty() ? "" : "|") + entry.second;
    return text;
}

struct RemoteRow {
    std::string command, parameter, unit, answer, purpose;
};

std::vector<RemoteRow> remote_rows() {
    std::vector<RemoteRow> rows;
    for (const remote::CommandEntry& entry : remote::command_entries()) {
        RemoteRow row;
        const std::string header = entry.header;
        row.command = entry.sets && entry.queries ? header + "[?]"
                      : entry.queries             ? header + "?"
                                                  : header;
        row.parameter = entry.parameter;
        std::optional<Field> field = entry.field;
        if (entry.action == remote::Action::probe_freq) field = Field::probe_freq;
        if (field) {
            row.unit = si_unit(*field);
            if (entry.sets && !suffix_list(*field).empty())
                row.unit += "（" + suffix_list(*field) + "）";
            if (entry.sets) row.parameter = remote_values(*field) + "、MIN、MAX、DEF、UP、DOWN";
        }
        row.answer = entry.answer;
        row.purpose = remote_purpose(entry);
        rows.push_back(row);
    }
    return rows;
}

std::string escaped(const std::string& text) {
    std::string out;
    for (const char c : text) {
        if (c == '<')
            out += "&lt;";
        else if (c == '>')
            out += "&gt;";
        else if (c == '&')
            out += "&amp;";
        else
            out += c;
    }
    return out;
}

std::string remote_table() {
    std::ostringstream out;
    out << "<table class=\"data\" id=\"remote\">\n"
        << "<tr><th>命令</th><th>参数</th><th>单位（后缀）</th><th>查询返回</th><th>作用</th></"
           "tr>\n";
    for (const RemoteRow& row : remote_rows()) {
        out << "<tr><td><code>" << escaped(row.command) << "</code></td><td>"
            << escaped(row.parameter) << "</td><td>" << escaped(row.unit) << "</td><td><code>"
            << escaped(row.answer) << "</code></td><td>" << escaped(row.purpose) << "</td></tr>\n";
    }
    out << "</table>\n";
    return out.str();
}

// The same in Markdown, for docs/remote-control.md and the installed scpi-commands.md.
std::string remote_markdown() {
    std::ostringstream out;
    out << "| Command | Parameter | Unit (suffixes) | Query answers | What it does |\n"
        << "|---|---|---|---|---|\n";
    const auto cell = [](const std::string& text) {
        std::string escaped_text;
        for (const char c : text)
            escaped_text += c == '|' ? std::string("\\|") : std::string(1, c);
        return escaped_text;
    };
    const auto code = [&cell](const std::string& text) {
        return text.empty() ? std::string() : "`" + cell(text) + "`";
    };
    for (const RemoteRow& row : remote_rows()) {
        out << "| " << code(row.command) << " | " << cell(row.parameter) << " | " << cell(row.unit)
            << " | " << code(row.answer) << " | " << cell(row.purpose) << " |\n";
    }
    return out.str();
}

// The installed command table's heading: where the commands go in and how a line is made.
constexpr const char* kInstalledHeading =
    "# QLM-5120RX SCPI 命令表 / SCPI commands\n\n"
    "远程控制：窗口中“参数 → 远程控制（SCPI）”，或 `qlm5120rx --remote [端口]`；没有窗口时\n"
    "`qlm5120rx-cli serve`。TCP 端口默认 5025，只接受本机回环地址的连接。\n"
    "Remote control: the window's 参数 → 远程控制（SCPI） or `qlm5120rx --remote [PORT]`, or\n"
    "`qlm5120rx-cli serve` without a window; TCP port 5025 unless given, loopback only.\n\n"
    "Each line ends with LF; `;` joins commands. Headers take the long or the short form (the\n"
    "capitals) in any case; numbers take their unit's suffixes; every parameter also takes\n"
    "MIN, MAX, DEF, UP and DOWN. Errors: `SYSTem:ERRor?`.\n\n";

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) fail("usage: qlm_manual_tables <output folder>");
    const std::string folder = argv[1];
    const std::pair<const char*, std::string> tables[] = {
        {"entries", entries_table()}, {"refusals", refusals_table()},
        {"lists", lists_table()},     {"interlock", interlock_table()},
        {"probe", probe_table()},     {"upload", upload_table()},
        {"initial", initial_table()}, {"messages", messages_table()},
        {"remote", remote_table()},
    };
    for (const auto& [name, html] : tables) {
        std::ofstream file(folder + "/" + name + ".html", std::ios::binary);
        file << html;
        if (!file) fail(std::string("cannot write ") + name + ".html");
    }
    std::ofstream readme(folder + "/remote.md", std::ios::binary);
    readme << remote_markdown();
    if (!readme) fail("cannot write remote.md");
    std::ofstream installed(folder + "/scpi-commands.md", std::ios::binary);
    installed << kInstalledHeading << remote_markdown();
    if (!installed) fail("cannot write scpi-commands.md");
    return 0;
}
