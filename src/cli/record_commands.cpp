#include "cli/record_commands.h"

#include "cli/commands.h"
#include "cli/session.h"
#include "panel/texts.h"
#include "record/journal_file.h"
#include "record/journal_rows.h"
#include "record/sheet.h"

#include <QDir>

namespace qlm::cli {

namespace {

int journal_command(const Args& args, Context& context, const RecordPlaces& places) {
    bool json = false;
    std::optional<std::string> day_text;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--json" && !json) {
            json = true;
        } else if (args[i] == "--day" && !day_text && i + 1 < args.size()) {
            day_text = args[++i];
        } else {
            return usage_error(context, "journal 只接受 --day 年-月-日 和 --json：" + args[i]);
        }
    }
    QDate day = places.now().date();
    if (day_text) {
        day = QDate::fromString(QString::fromStdString(*day_text), QStringLiteral("yyyy-MM-dd"));
        if (!day.isValid()) return usage_error(context, "不是日期（年-月-日）：" + *day_text);
    }
    const JournalLines read = read_journal(places.journal_folder, day);
    if (!read.error.isEmpty()) {
        context.err << "qlm5120rx-cli：无法读取操作记录：" << read.error.toStdString() << "\n";
        return kFileError;
    }
    if (read.skipped > 0)
        context.err << "qlm5120rx-cli：" << texts::journal_skipped(read.skipped) << "\n";
    if (read.lines.empty()) {
        context.err
            << "qlm5120rx-cli：" << day.toString(Qt::ISODate).toStdString() << " 没有操作记录（"
            << QDir::toNativeSeparators(journal_file(places.journal_folder, day)).toStdString()
            << "）\n";
        return kDone;
    }
    // A file name in a line must not drive the terminal.
    const auto shown = [&](const std::string& text) {
        return places.terminal ? escape_controls(text) : text;
    };
    if (!json) context.out << "时间\t程序\t驱动\t参数\t原值\t新值\t结果\n";
    for (const std::string& line : read.lines) {
        if (json) {
            context.out << shown(line) << "\n";
            continue;
        }
        bool unreadable = false;
        for (const JournalRow& row : journal_rows(line, &unreadable)) {
            std::string result = row.result;
            for (char& c : result)
                if (c == '\n' || c == '\t') c = ' ';
            context.out << shown(row.time) << "\t" << shown(row.program) << "\t"
                        << (row.driver == "simulator" ? "模拟仪器" : "仪器") << "\t"
                        << shown(row.parameter) << "\t" << shown(row.old_text) << "\t"
                        << shown(row.new_text) << "\t" << shown(result) << "\n";
        }
        if (unreadable) context.out << "\t\t\t\t\t\t无法读取的记录行：" << shown(line) << "\n";
    }
    return kDone;
}

struct SheetArgs {
    std::string path;
    SheetPeople people;
    std::optional<std::string> expect;
};

std::optional<SheetArgs> sheet_args(const Args& args, std::string& problem) {
    SheetArgs out;
    std::vector<std::string> files;
    std::vector<std::string> given;
    bool ended = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (!ended && arg == "--") {
            ended = true;
            continue;
        }
        if (ended || arg.size() < 2 || arg.front() != '-') {
            files.push_back(arg);
            continue;
        }
        std::string* value = arg == "--operator" ? &out.people.operator_name
                             : arg == "--probe"  ? &out.people.probe
                             : arg == "--part"   ? &out.people.part
                                                 : nullptr;
        const bool expect = arg == "--expect";
        if ((!value && !expect) || std::find(given.begin(), given.end(), arg) != given.end() ||
            i + 1 >= args.size()) {
            problem = "未知、重复或缺少值的选项：" + arg + "（文件名以 - 开头时，请在它前面写 --）";
            return std::nullopt;
        }
        given.push_back(arg);
        if (!value) {
            out.expect = args[++i];
            continue;
        }
        *value = args[++i];
        if (problem = sheet_text_problem(arg, *value); !problem.empty()) return std::nullopt;
    }
    if (files.size() != 1) {
        problem = "sheet 需要一个 PDF 文件名";
        return std::nullopt;
    }
    out.path = files.front();
    return out;
}

int sheet_command(const Args& args, Context& context, const RecordPlaces& places) {
    std::string problem;
    const auto parsed = sheet_args(args, problem);
    if (!parsed) return usage_error(context, problem);
    Session session(context);
    // The expected file first, so that a bad file touches nothing.
    std::optional<SettingsTexts> expected;
    if (parsed->expect) {
        expected = session.files().load(*parsed->expect, FileOp::compare);
        if (!expected) return kFileError;
    }
    if (!session.read_back()) return kUnreachable;
    SheetContent content;
    content.time = places.now();
    content.program = places.program;
    content.simulator = context.instrument().is_simulator();
    content.values = session.panel().params();
    content.values_from = "仪器读回";
    bool differs = false;
    if (expected) {
        const Compared compared = session.files().compare(session.panel(), *expected);
        differs = !compared.differences.empty();
        const std::string text = texts::comparison(compared);
        content.check.push_back("与文件 " + *parsed->expect + " 比较：");
        std::size_t start = 0;
        while (start < text.size()) {
            const std::size_t end = text.find('\n', start);
            content.check.push_back(text.substr(start, end - start));
            if (end == std::string::npos) break;
            start = end + 1;
        }
        while (!content.check.empty() && content.check.back().empty())
            content.check.pop_back();
    } else {
        content.check.push_back("命令行没有显示面板：设置单上的参数即为此刻从仪器读回的参数。");
    }
    content.recent = recent_changes(read_journal(places.journal_folder, content.time.date()).lines,
                                    kSheetChanges);
    content.people = parsed->people;
    const QString path = QString::fromStdString(parsed->path);
    if (const QString failed = write_sheet(path, content); !failed.isEmpty()) {
        context.err << "qlm5120rx-cli：无法写入设置单 " << parsed->path << "："
                    << failed.toStdString() << "\n";
        return kFileError;
    }
    context.out << "已写入设置单 " << parsed->path << "\n";
    return differs ? kDiffers : kDone;
}

} // namespace

void add_record_commands(Context& context, RecordPlaces places) {
    context.more_commands["journal"] = [places](const Args& args, Context& c) {
        return journal_command(args, c, places);
    };
    context.more_commands["sheet"] = [places](const Args& args, Context& c) {
        return sheet_command(args, c, places);
    };
}

} // namespace qlm::cli
