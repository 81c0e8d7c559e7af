#pragma once
// The setup sheet: one A4 page in Chinese to attach to an inspection report, drawn with
// Qt's own PDF writer.

#include "params/param_set.h"
#include "record/journal_rows.h"

#include <QDateTime>
#include <QPointF>
#include <QString>

#include <string>
#include <vector>

namespace qlm {

// The three lines the operator fills in, each up to kPeopleLength characters: what its box
// on the page holds in full.
constexpr int kPeopleLength = 36;
struct SheetPeople {
    std::string operator_name, probe, part;
};

// Why `text` cannot go on the sheet under `label`: a control character (bidirectional ones
// too), or longer than kPeopleLength. Empty when it can.
std::string sheet_text_problem(const std::string& label, const std::string& text);

struct SheetContent {
    QDateTime time;
    std::string program;
    bool simulator = false;
    param_set values;
    std::string values_from;        // where the values come from: "仪器读回", "显示面板"
    std::vector<std::string> check; // the instrument check's result, a line each
    std::vector<JournalRow> recent; // the day's last changes, oldest first
    SheetPeople people;
};

// The allowed PRF / pulse-width region's outline in (ns, Hz), from the interlock's own
// table, across the width's range: a staircase from the widest PRF down to the floor.
std::vector<QPointF> envelope_outline();

// The check's lines on the first page; more go on a second page, the last line here
// saying how many.
constexpr std::size_t kCheckLines = 10;

// The sheet drawn in memory, then written to `path` as a settings file is: only a regular
// file is replaced, and on failure the old one stays. Told to the outcome hook (the
// journal). Empty on success, else the reason.
QString write_sheet(const QString& path, const SheetContent& content);

// The day's last changes for the sheet: the commands sent and the values refused, newest
// `count` (kSheetChanges on a sheet), oldest first.
constexpr std::size_t kSheetChanges = 6;
std::vector<JournalRow> recent_changes(const std::vector<std::string>& lines, std::size_t count);

// The three lines as the operator last filled them in, kept beside the journal; a stored
// line the sheet cannot take is cleaned of control characters and cut to its length.
SheetPeople remembered_people(const QString& folder);
void remember_people(const QString& folder, const SheetPeople& people);

} // namespace qlm
