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
    const QJsonArray changes = object.value(QLatin1String("changes")).toArray();
    if (changes.isEmpty()) return {row};
    std::vector<JournalRow> rows;
    for (const QJsonValue& value : changes) {
        const QJsonObject change = value.toObject();
        JournalRow each = row;
        each.field = text(change, "field");
        each.parameter = text(change, "parameter");
        each.old_text = text(change, "old");
        each.new_text = text(change, "new");
        rows.push_back(std::move(each));
    }
    return rows;
}

} // namespace qlm
