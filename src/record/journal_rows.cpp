#include "record/journal_rows.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace qlm {

std::vector<JournalRow> journal_rows(const std::string& line, bool* unreadable) {
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(QByteArray::fromStdString(line), &error);
    if (unreadable) *unreadable = error.error != QJsonParseError::NoError || !document.isObject();
    if (!document.isObject()) return {};
    const QJsonObject object = document.object();
    const auto text = [](const QJsonObject& from, const char* key) {
        return from.value(QLatin1String(key)).toString().toStdString();
    };
    JournalRow row{text(object, "time"),
                   text(object, "program"),
                   text(object, "driver"),
                   text(object, "event"),
                   {},
                   {},
                   {},
                   {},
                   text(object, "result")};
    // Changes (old and new), then the values an "observed" line saw for the first time.
    std::vector<JournalRow> rows;
    for (const char* key : {"changes", "values"}) {
        for (const QJsonValue& value : object.value(QLatin1String(key)).toArray()) {
            const QJsonObject item = value.toObject();
            JournalRow each = row;
            each.field = text(item, "field");
            each.parameter = text(item, "parameter");
            each.old_text = text(item, "old");
            each.new_text =
                item.contains(QLatin1String("value")) ? text(item, "value") : text(item, "new");
            rows.push_back(std::move(each));
        }
    }
    if (rows.empty()) rows.push_back(row);
    return rows;
}

bool is_control_character(char16_t c) {
    if (c == 0x061C || c == 0x200E || c == 0x200F) return true;       // direction marks
    if ((c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069)) // embeddings, isolates
        return true;
    const QChar::Category category = QChar(c).category();
    return category == QChar::Other_Control || category == QChar::Separator_Line ||
           category == QChar::Separator_Paragraph;
}

std::string escape_controls(const std::string& text) {
    const QString in = QString::fromStdString(text);
    QString out;
    out.reserve(in.size());
    for (const QChar c : in) {
        if (is_control_character(c.unicode()))
            out += QStringLiteral("\\u") +
                   QStringLiteral("%1").arg(c.unicode(), 4, 16, QLatin1Char('0')).toUpper();
        else
            out += c;
    }
    return out.toStdString();
}

} // namespace qlm
