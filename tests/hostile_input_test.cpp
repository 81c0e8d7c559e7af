// Hostile files, pasted text and failing saves, all through the window.
#include "sim_cases.h"
#include "ui_rig.h"

#include "settings/settings_file.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QProcess>

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

using namespace qlm;
using namespace qlm::testing;

namespace {

const sim::Settings kAtStart = kExampleSettings;

QByteArray lines(const char* end) {
    QByteArray bytes;
    for (const char* field :
         {"\xcb\xab", "-20", "300", "\xcd\xe2\xb2\xbf", "2000", "30", "1500", "kHz", "0.33", "80"})
        bytes += QByteArray("\"") + field + "\"" + end;
    return bytes;
}
const std::vector<QString> kFileShown{"双", "-20",  "300", "外部", "2000",
                                      "30", "1500", "kHz", "0.33", "80"};

QByteArray file_bytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

// The window refused the import: one error naming the file, nothing else changed.
void expect_refused_import(UiRig& rig, const QString& path) {
    const auto before = rig.display_texts();
    const int writes = rig.writes();
    const std::size_t messages = rig.messages.size();
    rig.open_answer = path;
    rig.trigger(rig.ui().open);
    ASSERT_EQ(rig.messages.size(), messages + 1);
    EXPECT_EQ(rig.messages.back().title, QString::fromUtf8("错误"));
    EXPECT_TRUE(rig.messages.back().text.contains(QDir::toNativeSeparators(path)))
        << rig.messages.back().text.toStdString();
    EXPECT_FALSE(rig.window->Timer1()->isActive());
    EXPECT_FALSE(rig.ui().ProgressBar1->isVisibleTo(rig.window.get()));
    EXPECT_TRUE(rig.button(Field::gain)->isEnabled());
    EXPECT_TRUE(rig.list(Field::mode)->isEnabled());
    EXPECT_EQ(rig.display_texts(), before);
    EXPECT_EQ(rig.writes(), writes);
}

} // namespace

TEST(HostileFiles, RefusedWithAMessageNamingTheFile) {
    UiRig rig(kAtStart);
    rig.start();
    const QByteArray good = lines("\r\n");
    QByteArray with_nul = good;
    with_nul[3] = '\0';
    QByteArray bad_gbk = good;
    bad_gbk[1] = '\xff'; // no GBK character starts with 0xFF
    QByteArray lone_lead = good;
    lone_lead.insert(1, '\x81'); // a lead byte followed by a quote
    QByteArray megabyte = good;
    megabyte.append(QByteArray(1024 * 1024, '7'));
    const struct {
        const char* name;
        QByteArray bytes;
    } files[] = {
        {"nul.qini", with_nul},
        {"bad_gbk.qini", bad_gbk},
        {"lone_lead.qini", lone_lead},
        {"megabyte.qini", megabyte},
        {"open_quote.qini", good.left(good.indexOf("300") + 3) + "\r\n\"4\"\r\n"},
        {"nine.qini", good.left(good.lastIndexOf("\"80\""))},
        {"empty.qini", QByteArray()},
        {"utf16.qini", QByteArray("\xff\xfe\"\x00\x31\x00\"\x00", 8)},
    };
    for (const auto& file : files) {
        SCOPED_TRACE(file.name);
        expect_refused_import(rig, rig.write_file(file.name, file.bytes));
    }

    // Things that are not a file at all; none is opened, so none blocks.
    const QString folder = rig.config_dir.path() + "/folder.qini";
    ASSERT_TRUE(QDir().mkpath(folder));
#ifndef _WIN32 // FIFOs and devices are POSIX
    const QString fifo = rig.config_dir.path() + "/fifo.qini";
    ASSERT_EQ(::mkfifo(fifo.toLocal8Bit().constData(), 0600), 0);
    const QString link_to_zero = rig.config_dir.path() + "/zero.qini";
    ASSERT_TRUE(QFile::link("/dev/zero", link_to_zero));
    for (const QString& path : {folder, fifo, QString("/dev/zero"), link_to_zero,
                                rig.config_dir.path() + "/missing.qini"}) {
#else
    for (const QString& path : {folder, rig.config_dir.path() + "/missing.qini"}) {
#endif
        SCOPED_TRACE(path.toStdString());
        expect_refused_import(rig, path);
    }
    EXPECT_EQ(rig.instrument.violations(), 0);
}

TEST(HostileFiles, LineEndsOfEveryKindAndExtraFieldsImport) {
    const QByteArray variants[] = {lines("\r\n"), lines("\n"), lines("\r"),
                                   lines("\r\n") + "\"extra\"\r\n\"\xb5\xa5\"\r\n"};
    for (const QByteArray& bytes : variants) {
        UiRig rig(kAtStart);
        rig.start();
        rig.open_answer = rig.write_file("ends.qini", bytes);
        rig.trigger(rig.ui().open);
        EXPECT_TRUE(rig.messages.empty());
        EXPECT_EQ(rig.display_texts(), kFileShown);
        EXPECT_EQ(rig.run_upload(), 13);
        EXPECT_EQ(rig.applied().size(), 9u);
    }
}

// Pasted text gets past the key filter; the confirmation must still refuse it.
TEST(PastedText, NeverSentAndRefusedOnConfirm) {
    const char* const pastes[] = {"12a", "1.5",  " 40", "40 ",  "+40", "--5",
                                  "5-",  "４０", "٤٠",  "0x40", "1e2", "99999999999999999999",
                                  "\t",  "-"};
    UiRig rig(kAtStart);
    rig.start();
    const auto before = rig.display_texts();
    const int writes = rig.writes();
    for (const Field target : entry_fields()) {
        for (const char* paste : pastes) {
            for (const bool by_button : {false, true}) {
                SCOPED_TRACE(std::string(field_name(target)) + " '" + paste + "'" +
                             (by_button ? " button" : " Enter"));
                EntryField* field = rig.entry(target);
                field->clear();
                // Half the pastes by the clipboard and Ctrl+V, half by insert().
                if (by_button) {
                    QApplication::clipboard()->setText(QString::fromUtf8(paste));
                    QTest::keyClick(field, Qt::Key_V, Qt::ControlModifier);
                } else {
                    field->insert(QString::fromUtf8(paste));
                }
                ASSERT_FALSE(field->text().isEmpty());
                const std::size_t messages = rig.messages.size();
                if (by_button)
                    QTest::mouseClick(rig.button(target), Qt::LeftButton);
                else
                    rig.press(field, Qt::Key_Return);
                ASSERT_EQ(rig.messages.size(), messages + 1);
                EXPECT_EQ(rig.messages.back().text,
                          QString::fromStdString(refusal_text(
                              target, by_button ? ConfirmedBy::button : ConfirmedBy::enter)));
                EXPECT_EQ(rig.display_texts(), before);
                EXPECT_EQ(rig.writes(), writes);
            }
        }
    }

    // A list's edit text is only an aid: pasted or typed, even an entry's exact text,
    // Enter and leaving the list send nothing and show nothing.
    const std::size_t messages = rig.messages.size();
    for (const Field field : list_fields()) {
        ChoiceCombo* box = rig.list(field);
        for (const char* paste : {"5000Hz", "1kHz", "\xe5\x8f\x8c", "150", "junk\x01", ""}) {
            box->lineEdit()->clear();
            QApplication::clipboard()->setText(QString::fromUtf8(paste));
            QTest::keyClick(box->lineEdit(), Qt::Key_V, Qt::ControlModifier);
            rig.press(box->lineEdit(), Qt::Key_Return);
            rig.press(box->lineEdit(), Qt::Key_Enter);
            box->lineEdit()->insert(QString::fromUtf8(paste));
            rig.press(box->lineEdit(), Qt::Key_Tab);
        }
    }
    EXPECT_EQ(rig.messages.size(), messages);
    EXPECT_EQ(rig.display_texts(), before);
    EXPECT_EQ(rig.writes(), writes);
}

namespace {

// An export over `target` that must fail; the file there stays as it was.
void expect_failed_export(UiRig& rig, const QString& target) {
    const bool was_file = QFileInfo(target).isFile();
    const QByteArray before = was_file ? file_bytes(target) : QByteArray();
    const std::size_t messages = rig.messages.size();
    rig.save_answer = target;
    rig.trigger(rig.ui().save);
    ASSERT_EQ(rig.messages.size(), messages + 1);
    EXPECT_TRUE(rig.messages.back().text.contains(QDir::toNativeSeparators(target)))
        << rig.messages.back().text.toStdString();
    if (was_file) {
        EXPECT_EQ(file_bytes(target), before);
    }
    // No temporary file is left beside it.
    const QFileInfo info(target);
    if (info.dir().exists()) {
        for (const QString& name : info.dir().entryList(QDir::Files | QDir::Hidden))
            EXPECT_FALSE(name.startsWith(info.fileName() + ".")) << name.toStdString();
    }
}

} // namespace

TEST(FailingSaves, TheEarlierFileStaysWhole) {
    UiRig rig(kAtStart);
    rig.start();
    const QString folder = rig.config_dir.path();
    const QByteArray earlier = lines("\r\n");

    // Below a regular file.
    const QString plain = rig.write_file("plain.qini", earlier);
    expect_failed_export(rig, plain + "/below.qini");
    EXPECT_EQ(file_bytes(plain), earlier);

    // Over a folder, a FIFO and a link to a device: nothing there is replaced.
    ASSERT_TRUE(QDir().mkpath(folder + "/folder.qini"));
    expect_failed_export(rig, folder + "/folder.qini");
    EXPECT_TRUE(QFileInfo(folder + "/folder.qini").isDir());
#ifndef _WIN32 // FIFOs and file size limits are POSIX
    const QString fifo = folder + "/fifo.qini";
    ASSERT_EQ(::mkfifo(fifo.toLocal8Bit().constData(), 0600), 0);
    expect_failed_export(rig, fifo);
    struct stat info {};
    ASSERT_EQ(::lstat(fifo.toLocal8Bit().constData(), &info), 0);
    EXPECT_TRUE(S_ISFIFO(info.st_mode));

    // The disk takes only part of the new file (a file size limit stands in for a full disk).
    const QString whole = rig.write_file("whole.qini", earlier + "\"\"\r\n"); // recognisably old
    const QByteArray whole_before = file_bytes(whole);
    {
        const FileSizeLimit limit(20);
        expect_failed_export(rig, whole);
    }
    EXPECT_EQ(file_bytes(whole), whole_before);
#else
    const QString whole = rig.write_file("whole.qini", earlier + "\"\"\r\n");
    const QByteArray whole_before = file_bytes(whole);
#endif

    // A text the file cannot hold (an unquoted field of a restored automatic file may carry a
    // quote; an import no longer shows what the instrument cannot take) is not written.
    SettingsTexts quoted = rig.window->panel().params().texts();
    quoted[0] = "a\"b";
    rig.window->panel().apply_settings_fields(quoted);
    ASSERT_EQ(rig.label("Label14"), "a\"b");
    expect_failed_export(rig, whole);
    EXPECT_EQ(file_bytes(whole), whole_before);
}

#ifndef _WIN32 // POSIX rights
// The save runs in a child process without root's rights, against a folder it may not
// write; the parent checks the file there afterwards.
TEST(FailingSaves, AFolderWithoutWriteRights) {
    const QByteArray child_target = qgetenv("QLM_HOSTILE_SAVE_CHILD");
    if (!child_target.isEmpty()) {
        const QString problem =
            save_settings_file(QString::fromLocal8Bit(child_target),
                               {"双", "1", "25", "外部", "100", "10", "25", "kHz", "20.00", "400"});
        std::printf("child: %s\n", problem.isEmpty() ? "saved" : problem.toUtf8().constData());
        std::exit(problem.isEmpty() ? 3 : 0);
    }

    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString folder = dir.path() + "/locked";
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString target = folder + "/open.qini";
    const QByteArray earlier = lines("\r\n");
    {
        QFile file(target);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(earlier);
    }
    // The file itself may be written by anyone; the folder by its owner only.
    ::chmod(target.toLocal8Bit().constData(), 0666);
    ::chmod(folder.toLocal8Bit().constData(), 0755);
    ::chmod(dir.path().toLocal8Bit().constData(), 0755);

    if (::geteuid() != 0) {
        // Not root: the folder is closed to us too.
        ::chmod(folder.toLocal8Bit().constData(), 0555);
        EXPECT_EQ(save_settings_file(
                      target, {"双", "1", "25", "外部", "100", "10", "25", "kHz", "20.00", "400"}),
                  QString::fromUtf8("无法写入文件：没有写入权限"));
        ::chmod(folder.toLocal8Bit().constData(), 0755);
    } else {
        QProcess child;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("QLM_HOSTILE_SAVE_CHILD", target);
        environment.insert("QT_QPA_PLATFORM", "offscreen");
        environment.insert("XDG_RUNTIME_DIR", dir.path());
        child.setProcessEnvironment(environment);
        child.setProcessChannelMode(QProcess::MergedChannels);
        child.start("setpriv", {"--reuid=65534", "--regid=65534", "--clear-groups",
                                QCoreApplication::applicationFilePath(),
                                "--gtest_filter=FailingSaves.AFolderWithoutWriteRights"});
        ASSERT_TRUE(child.waitForFinished(60000));
        const QString output = QString::fromUtf8(child.readAll());
        if (output.contains("Permission denied") && !output.contains("child:"))
            GTEST_SKIP() << "the test program cannot run as nobody here: " << output.toStdString();
        EXPECT_EQ(child.exitCode(), 0) << output.toStdString();
        EXPECT_TRUE(output.contains("child: 无法写入文件：没有写入权限")) << output.toStdString();
    }
    EXPECT_EQ(file_bytes(target), earlier);
    EXPECT_EQ(QDir(folder).entryList(QDir::Files | QDir::Hidden), QStringList{"open.qini"});
}
#endif

// The shutdown save fails everywhere: the window still closes, and says so.
TEST(FailingSaves, ShutdownSaveThatCannotBeWritten) {
    UiRig rig(kAtStart);
    const QString plain = rig.write_file("plain", "x");
    rig.folders.program_folder = plain + "/program";
    rig.folders.config_folder = plain + "/config";
    rig.start();
    rig.close();
    ASSERT_EQ(rig.messages.size(), 1u);
    EXPECT_TRUE(rig.messages[0].text.contains(QDir::toNativeSeparators(plain + "/program")))
        << rig.messages[0].text.toStdString();
    EXPECT_FALSE(rig.window->isVisible());
    EXPECT_EQ(file_bytes(plain), "x");
}
