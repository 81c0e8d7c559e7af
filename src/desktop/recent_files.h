#pragma once
// The settings files imported or exported last, newest first, kept in a small file of their
// own in the user's configuration folder. Each change reads the file again, so windows that
// run side by side keep one list.

#include <QString>
#include <QStringList>

namespace qlm {

class RecentFiles {
public:
    static constexpr int kMax = 8;

    // `file`: where the list is kept; its folder is made when first written. Empty: a list
    // that stays empty.
    explicit RecentFiles(QString file) : file_(std::move(file)) {}

    QStringList list() const;
    // `path` first; the oldest beyond kMax drop off. Empty on success, else why not.
    QString add(const QString& path);
    QString remove(const QString& path);
    QString file() const { return file_; }

private:
    QString write(const QStringList& paths) const;
    QString file_;
};

// The list's file in a configuration folder; none for no folder.
QString recent_files_in(const QString& config_folder);

} // namespace qlm
