#pragma once
// The .qini settings file: ten quoted texts, CR LF after each, GBK text.

#include "params/param_set.h"

#include <QByteArray>
#include <QString>

#include <array>
#include <optional>
#include <string>

namespace qlm {

// The file holds the ten display texts (SettingsTexts) in field order, UTF-8 in memory.

struct LoadResult {
    std::optional<SettingsTexts> fields; // set on success
    QString error;                       // the reason, for the operator, on failure
};

// A real file is about sixty bytes; anything above this is not a settings file.
constexpr qsizetype kMaxSettingsFileBytes = 64 * 1024;

// Why the texts cannot be written (a quote, a line break, a NUL, or a character
// GBK cannot hold), naming the first such field; empty when they can.
QString settings_texts_problem(const SettingsTexts& fields);

// The file's bytes; empty when settings_texts_problem() reports something.
QByteArray format_settings(const SettingsTexts& fields);
LoadResult parse_settings(const QByteArray& bytes);

// Replaces the file atomically; an empty text on success, else the reason.
QString save_settings_file(const QString& path, const SettingsTexts& fields);

// Why `path` may not be replaced by a new file ("无法写入文件：这是文件夹", "...不是普通文件"
// for a FIFO or a device); empty for a regular file or none.
QString replace_refusal(const QString& path);
// `bytes` written to a temporary file beside `path` and renamed over it when whole; only a
// regular file, or none, is replaced. On failure the old file stays and no part file is
// left. Empty on success, else the reason in the file commands' words.
QString save_file_bytes(const QString& path, const QByteArray& bytes);
LoadResult load_settings_file(const QString& path);

} // namespace qlm
