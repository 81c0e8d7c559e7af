// Windows: the automatic file's folders are the program's folder and
// %LOCALAPPDATA%\Kavronix\<program file name>, and a program folder that cannot take the
// file sends it there.
#include "settings/auto_file.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace qlm;

TEST(AutoFileWindows, FallsBackToLocalAppData) {
    int argc = 1;
    char name[] = "auto_file_windows_test";
    char* argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Kavronix"));
    QCoreApplication::setApplicationName(
        QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName());

    // Test mode puts Qt's folders below a "qttest" folder, away from the user's files.
    QStandardPaths::setTestModeEnabled(true);
    const QString local = QDir::fromNativeSeparators(qEnvironmentVariable("LOCALAPPDATA"));
    ASSERT_FALSE(local.isEmpty());
    const QString expected = local + QStringLiteral("/qttest/Kavronix/auto_file_windows_test");
    QDir(expected).removeRecursively();

    const AutoFileFolders folders = default_auto_file_folders();
    EXPECT_EQ(QDir(folders.program_folder), QDir(QCoreApplication::applicationDirPath()));
    EXPECT_EQ(QDir::cleanPath(folders.config_folder).toLower(),
              QDir::cleanPath(expected).toLower());

    // A folder named open.qini where the file would go: the save lands in the user's folder.
    QTemporaryDir program;
    ASSERT_TRUE(program.isValid());
    ASSERT_TRUE(QDir(program.path()).mkdir(QStringLiteral("open.qini")));
    const AutoFileFolders stuck{program.path(), folders.config_folder};
    const SettingsTexts texts{"双", "05",   "400", "外部", "5000",
                              "30", "6000", "kHz", "0.50", "150"};
    ASSERT_EQ(save_auto_file(stuck, texts), QString());
    EXPECT_TRUE(QFileInfo(QDir(expected).filePath(QStringLiteral("open.qini"))).isFile());
    const LoadResult back = load_auto_file(stuck);
    ASSERT_TRUE(back.fields) << back.error.toStdString();
    EXPECT_EQ(*back.fields, texts);
    QDir(expected).removeRecursively();
}
