#include "settings/auto_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace qlm;

namespace {

const SettingsTexts kFirst{"单", "0", "100", "内部", "1000", "10", "200", "MHz", "5.0", "50"};
const SettingsTexts kSecond{"双", "05", "400", "外部", "5000", "30", "6000", "kHz", "0.50", "150"};

// A program folder, a configuration folder not yet made, and a regular file that no
// folder can be created below (root included).
struct Folders {
    QTemporaryDir tmp;
    QString program = tmp.filePath("program");
    QString config = tmp.filePath("config/qlm");
    QString plain_file = tmp.filePath("afile");

    Folders() {
        QDir(tmp.path()).mkdir("program");
        QFile file(plain_file);
        if (file.open(QIODevice::WriteOnly)) file.write("not a folder");
    }
    QString program_file() const { return QDir(program).filePath("open.qini"); }
    QString config_file() const { return QDir(config).filePath("open.qini"); }
};

SettingsTexts loaded(const AutoFileFolders& folders) {
    const LoadResult result = load_auto_file(folders);
    EXPECT_TRUE(result.fields) << result.error.toStdString();
    return result.fields.value_or(SettingsTexts{});
}

} // namespace

TEST(AutoFile, WritableProgramFolderHoldsTheFileAndDropsTheConfigCopy) {
    Folders f;
    ASSERT_TRUE(f.tmp.isValid());
    ASSERT_TRUE(QDir().mkpath(f.config));
    ASSERT_EQ(save_settings_file(f.config_file(), kFirst), QString());
    const AutoFileFolders folders{f.program, f.config};
    EXPECT_EQ(auto_file_to_load(folders), f.config_file());

    ASSERT_EQ(save_auto_file(folders, kSecond), QString());
    EXPECT_TRUE(QFileInfo(f.program_file()).isFile());
    EXPECT_FALSE(QFileInfo::exists(f.config_file()));
    EXPECT_EQ(auto_file_to_load(folders), f.program_file());
    EXPECT_EQ(loaded(folders), kSecond);
}

TEST(AutoFile, UnusableProgramFolderFallsBackToTheConfigFolder) {
    Folders f;
    ASSERT_TRUE(f.tmp.isValid());
    ASSERT_EQ(save_settings_file(f.program_file(), kFirst), QString());
    const AutoFileFolders stuck{f.plain_file, f.config};

    ASSERT_EQ(save_auto_file(stuck, kSecond), QString());
    EXPECT_TRUE(QFileInfo(f.config_file()).isFile());
    EXPECT_EQ(loaded(stuck), kSecond);

    // The copy is newer than an old program-folder file, so it is the one read.
    const AutoFileFolders both{f.program, f.config};
    EXPECT_EQ(loaded(both), kSecond);
    // Once the program's folder can be written again, it takes over.
    ASSERT_EQ(save_auto_file(both, kFirst), QString());
    EXPECT_FALSE(QFileInfo::exists(f.config_file()));
    EXPECT_EQ(loaded(both), kFirst);
}

TEST(AutoFile, FailuresNameTheFilesAndWriteNothing) {
    Folders f;
    ASSERT_TRUE(f.tmp.isValid());
    const AutoFileFolders nowhere{f.plain_file, f.plain_file + "/config"};
    const QString reason = save_auto_file(nowhere, kFirst);
    EXPECT_TRUE(reason.contains(QDir::toNativeSeparators(f.plain_file + "/open.qini")))
        << reason.toStdString();
    EXPECT_TRUE(reason.contains(QDir::toNativeSeparators(f.plain_file + "/config/open.qini")))
        << reason.toStdString();

    const LoadResult missing = load_auto_file({f.program, f.config});
    EXPECT_FALSE(missing.fields);
    EXPECT_TRUE(missing.error.contains(QDir::toNativeSeparators(f.program_file())));
    EXPECT_TRUE(missing.error.contains(QStringLiteral("无法打开文件")));

    // Texts the file cannot hold are refused before any folder is tried.
    SettingsTexts emoji = kFirst;
    emoji[0] = "😀";
    EXPECT_FALSE(save_auto_file({f.plain_file, f.config}, emoji).isEmpty());
    EXPECT_FALSE(QFileInfo::exists(f.tmp.filePath("config")));

    // No configuration folder known: nothing lands in the working folder.
    const QString cwd_file = QDir::current().filePath("open.qini");
    const bool cwd_had_file = QFileInfo::exists(cwd_file);
    EXPECT_FALSE(save_auto_file({f.plain_file, QString()}, kFirst).isEmpty());
    EXPECT_EQ(QFileInfo::exists(cwd_file), cwd_had_file);
}
