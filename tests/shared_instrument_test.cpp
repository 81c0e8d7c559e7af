// The window and scripts on one simulated instrument at once, the window through the drop-in
// library as the program runs it: an import's upload and the operator's changes in the window
// while two scripts set and read. The simulator, stricter than the instrument, refuses any
// frame inside another program's exchange; none may be refused.
#include "ui_rig.h"

#include "link/easyd12.h"
#include "link/instrument_lock.h"
#include "params/descriptor.h"
#include "settings/settings_file.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

using namespace qlm;
using namespace qlm::testing;

#ifndef _WIN32
TEST(SharedInstrument, AWindowAndTwoScriptsNeverInterleave) {
    QTemporaryDir dir;
    const QString file = dir.path() + "/instrument.txt";
    const QString applied = dir.path() + "/applied.txt";
    qputenv("EASYD12_SIM_STATE_FILE", file.toLocal8Bit());
    qputenv("EASYD12_SIM_APPLIED", applied.toLocal8Bit());
    qputenv("EASYD12_SIM_TRACE", (dir.path() + "/window.txt").toLocal8Bit());

    // Two scripts: set and read back, four times each.
    const char* const sets[] = {"set damping 150", "set lpf 30"};
    std::vector<std::unique_ptr<QProcess>> scripts;
    for (int i = 0; i < 2; ++i) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("EASYD12_SIM_TRACE", dir.path() + "/script" + QString::number(i) + ".txt");
        auto script = std::make_unique<QProcess>();
        script->setProcessEnvironment(env);
        script->start("/bin/sh",
                      {"-c",
                       QString("for n in 1 2 3 4; do \"$0\" %1 && \"$0\" get >/dev/null || exit 1; "
                               "done")
                           .arg(sets[i]),
                       QLM_CLI_PROGRAM});
        scripts.push_back(std::move(script));
    }

    UiRig rig;
    EasyD12Driver driver;
    FileInstrumentLock lock(instrument_lock_path(file.toStdString()));
    rig.window = std::make_unique<MainWindow>(driver, rig.seams(), &lock);
    rig.window->start();
    rig.open_answer = dir.path() + "/set.qini";
    ASSERT_TRUE(save_settings_file(rig.open_answer, {"双", "20", "100", "外部", "500", "10", "6500",
                                                     "MHz", "0.08", "50"})
                    .isEmpty());
    rig.trigger(rig.ui().open);
    rig.run_upload();
    rig.choose(Field::trigger, 1); // trigger 外部
    rig.choose(Field::mode, 0);    // mode 单
    for (int i = 0; i < 2; ++i) {
        ASSERT_TRUE(scripts[i]->waitForFinished(60000));
        EXPECT_EQ(scripts[i]->exitCode(), 0) << scripts[i]->readAllStandardError().toStdString();
    }

    // Every frame of every program taken, none counted against the rules.
    for (const QString& name : QDir(dir.path()).entryList({"window.txt", "script*.txt"})) {
        QFile trace(dir.path() + "/" + name);
        ASSERT_TRUE(trace.open(QIODevice::ReadOnly));
        for (const QByteArray& line : trace.readAll().split('\n')) {
            if (!line.isEmpty()) {
                EXPECT_TRUE(line.endsWith(" 0"))
                    << name.toStdString() << ": " << line.toStdString();
            }
        }
    }
    QFile state(file);
    ASSERT_TRUE(state.open(QIODevice::ReadOnly));
    EXPECT_FALSE(state.readAll().contains("violations"));
    // Each script's command arrived four times.
    QFile changes(applied);
    ASSERT_TRUE(changes.open(QIODevice::ReadOnly));
    int damping = 0, lpf = 0;
    for (const QByteArray& line : changes.readAll().split('\n')) {
        damping += line.startsWith("8,3,0 ");
        lpf += line.startsWith("5,1,0 ");
    }
    EXPECT_GE(damping, 4);
    EXPECT_GE(lpf, 4);

    // The window, once it has followed, shows what the instrument holds.
    rig.window->follow_instrument();
    QProcess get;
    get.start(QLM_CLI_PROGRAM, {"get", "--json"});
    ASSERT_TRUE(get.waitForFinished(30000));
    const QJsonObject held =
        QJsonDocument::fromJson(get.readAllStandardOutput()).object().value("display").toObject();
    for (const Field field : kAllFields) {
        const std::string label = rig.ui().of(field).value->text().toStdString();
        EXPECT_EQ(QString::fromStdString(shown_text(field, label)),
                  held.value(field_name(field)).toString())
            << field_name(field);
    }
    for (const char* name : {"EASYD12_SIM_STATE_FILE", "EASYD12_SIM_APPLIED", "EASYD12_SIM_TRACE"})
        qunsetenv(name);
}
#endif
