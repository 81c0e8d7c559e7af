// qlm5120rx-cli as a script runs it: the built program with the drop-in simulator library
// beside it, configured by the environment.
#include "ui_rig.h"

#include "link/easyd12.h"
#include "link/instrument_lock.h"
#include "settings/settings_file.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

using namespace qlm;
using namespace qlm::testing;

namespace {

const QString kRequest = "W 01020304050102030405010203040503 0";
const QString kAnnounce = "W 01020304050102030405010203040504 0";

struct ProcessRun {
    int status;
    QString out;
    QString err;
    qint64 ms;
};

class CliProcess : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString trace = dir.path() + "/trace.txt";

    // `out_file`, when given, is where standard output goes.
    ProcessRun run(const QStringList& args, const QStringList& settings = {},
                   const QString& out_file = {}, const QString& program = QLM_CLI_PROGRAM) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"EASYD12_SIM_STATE", "EASYD12_SIM_STATE_FILE", "EASYD12_SIM_FAULT",
                                 "EASYD12_SIM_TRACE"})
            env.remove(name);
        env.insert("EASYD12_SIM_TRACE", trace);
        for (const QString& setting : settings)
            env.insert(setting.section('=', 0, 0), setting.section('=', 1));
        QProcess process;
        process.setProcessEnvironment(env);
        process.setWorkingDirectory(dir.path());
        if (!out_file.isEmpty()) process.setStandardOutputFile(out_file);
        QElapsedTimer timer;
        timer.start();
        process.start(program, args);
        EXPECT_TRUE(process.waitForFinished(30000));
        EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
        // A Windows console writes its line ends as CR LF.
        const auto text = [](QByteArray bytes) {
            return QString::fromUtf8(bytes.replace("\r\n", "\n"));
        };
        return {process.exitCode(), text(process.readAllStandardOutput()),
                text(process.readAllStandardError()), timer.elapsed()};
    }
    QStringList trace_lines() {
        QFile file(trace);
        if (!file.open(QIODevice::ReadOnly)) return {};
        return QString::fromLatin1(file.readAll()).split('\n', Qt::SkipEmptyParts);
    }
    QString path(const char* name) { return dir.path() + "/" + name; }
};

} // namespace

TEST_F(CliProcess, SetDampingSendsTheAnnounceAndTheDataFrameAfterRealWaits) {
    const ProcessRun result = run({"set", "damping", "150"});
    EXPECT_EQ(result.status, 0) << result.err.toStdString();
    const QStringList lines = trace_lines();
    ASSERT_EQ(lines.size(), 5);
    EXPECT_EQ(lines[0], kRequest);
    EXPECT_EQ(lines.mid(3), (QStringList{kAnnounce, "W 01020304050102030405010803000000 0"}));
    EXPECT_GE(result.ms, 250); // 150 ms before the answer, 100 ms between the frames
}

// Each status says what happened: a data frame the instrument refused, output that could not
// be written, an option where a file name was meant.
TEST_F(CliProcess, EveryStatusIsTrue) {
    struct Case {
        QStringList args;
        QStringList settings;
        const char* out_file;
        int status;
        const char* says = ""; // in standard output and error
    };
    const Case cases[] = {
        {{"set", "damping", "150"}, {"EASYD12_SIM_FAULT=data"}, nullptr, 3, "未送达 damping=150Ω"},
        {{"upload", "--", "--json"}, {}, nullptr, 5}, // no such file yet
        {{"export", "--json"}, {}, nullptr, 1},
        {{"export", "--", "--json"}, {}, nullptr, 0},
        {{"upload", "--", "--json"}, {}, nullptr, 0},
#ifndef _WIN32
        {{"get", "--json"}, {}, "/dev/full", 7},
#endif
        {{"--version"}, {}, nullptr, 0, "qlm5120rx-cli " QLM_VERSION "\n"},
        {{"set", "mode", "dual", "trigger", "external"}, {}, nullptr, 0, "已发送 trigger=外部"},
        {{"set", "trigger", "EXTERNAL", "hpf_unit", "1khz"}, {}, nullptr, 0, "hpf_unit=1kHz"},
        {{"set", "prf", "0.5kHz", "pw", "1.5us"}, {}, nullptr, 0, "已发送 pw=1500nS"},
        {{"set", "voltage", "0.2kV", "gain", "-5dB"}, {}, nullptr, 0, "已发送 voltage=-200V"},
        {{"set", "mode", "triple"}, {}, nullptr, 1, "single"},
        {{"set", "pw", "7us"}, {}, nullptr, 2, "pw 7000：脉冲宽度"},
        {{"set", "prf", "5MHz"}, {}, nullptr, 1, "prf 没有取值 5MHz"},
        {{"bogus"}, {}, nullptr, 1, "未知命令：bogus"},
        {{"export", "out.qini"}, {"EASYD12_SIM_FAULT=absent"}, nullptr, 3, kConnectionFailed},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.join(' ').toStdString());
        QFile::remove(trace);
        const ProcessRun result =
            run(c.args, c.settings, c.out_file ? QString(c.out_file) : QString());
        EXPECT_EQ(result.status, c.status) << result.err.toStdString();
        EXPECT_TRUE((result.out + result.err).contains(QString::fromUtf8(c.says)))
            << result.out.toStdString() << result.err.toStdString();
        // Only what the instrument took is "sent".
        EXPECT_FALSE(c.status == 3 && result.out.contains(QString::fromUtf8("已发送")));
        // A refused or wrong command line sends nothing.
        EXPECT_FALSE((c.status == 1 || c.status == 2) && trace_lines().contains(kAnnounce));
    }
    EXPECT_TRUE(QFileInfo::exists(path("--json")));
    EXPECT_FALSE(QFileInfo::exists(path("out.qini")));
}

// A longer width on an instrument at 5000 Hz: the PRF the width allows goes out first, and
// the instrument holds it afterwards.
TEST_F(CliProcess, ALongerWidthSendsTheLoweredPrfBeforeTheWidth) {
    const QString shared = "EASYD12_SIM_STATE_FILE=" + path("instrument.txt");
    const QString start = "EASYD12_SIM_STATE=0,50,4,0,6,0,200,0,1,1"; // 5000 Hz, 200 ns
    const ProcessRun result = run({"set", "pw", "6500"}, {shared, start});
    EXPECT_EQ(result.status, 0) << result.err.toStdString();
    EXPECT_EQ(trace_lines().mid(3),
              (QStringList{kAnnounce, "W 01020304050102030405010403000000 0", kAnnounce,
                           "W 01020304050102030405010664190000 0"}));
    const QJsonObject object =
        QJsonDocument::fromJson(run({"get", "--json"}, {shared}).out.toUtf8()).object();
    EXPECT_EQ(object.value("prf").toDouble(), 500);
    EXPECT_EQ(object.value("display").toObject().value("pw").toString(), "6500nS");
}

TEST_F(CliProcess, UploadExportCompareFilesAndUsage) {
    const SettingsTexts example{"双", "20",   "100", "外部", "1000",
                                "30", "6500", "MHz", "0.08", "150"};
    ASSERT_TRUE(save_settings_file(path("set.qini"), example).isEmpty());
    ProcessRun result = run({"upload", path("set.qini")});
    EXPECT_EQ(result.status, 0) << result.err.toStdString();
    EXPECT_TRUE(result.err.contains(QString::fromUtf8("上传 13/13")));
    EXPECT_EQ(trace_lines().size(), 3 + 18);
    EXPECT_GE(result.ms, 13 * 200);

    result = run({"export", path("out.qini")}, {"EASYD12_SIM_STATE=1,70,4,1,4,1,100,25,1,3"});
    EXPECT_EQ(result.status, 0);
    QFile file(path("out.qini"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), format_settings(example));

    // Each process has a fresh simulated instrument at the start settings.
    result = run({"compare", path("set.qini")});
    EXPECT_EQ(result.status, 4);
    EXPECT_TRUE(result.out.contains(QString::fromUtf8("damping（阻尼）：文件 150Ω，仪器 50Ω")));
    result = run({"compare", path("out.qini")}, {"EASYD12_SIM_STATE=1,70,4,1,4,1,100,25,1,3"});
    EXPECT_EQ(result.status, 0);

    result = run({"--help"});
    EXPECT_EQ(result.status, 0);
    EXPECT_TRUE(result.out.startsWith(QString::fromUtf8("用法：qlm5120rx-cli")));
}

#ifndef Q_OS_WIN
// One exchange at a time on one instrument: a run waits while another program holds the
// instrument's lock, sends nothing meanwhile, and goes on once it is free.
TEST_F(CliProcess, ARunWaitsWhileAnotherProgramHoldsTheInstrument) {
    const QString file = path("instrument.txt");
    FileInstrumentLock other(instrument_lock_path(file.toStdString()));
    ASSERT_TRUE(other.try_acquire()) << other.error();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("EASYD12_SIM_STATE_FILE", file);
    env.insert("EASYD12_SIM_TRACE", trace);
    QProcess process;
    process.setProcessEnvironment(env);
    process.start(QLM_CLI_PROGRAM, {"set", "damping", "150"});
    ASSERT_TRUE(process.waitForStarted(10000));
    EXPECT_FALSE(process.waitForFinished(1000)); // still waiting
    EXPECT_TRUE(trace_lines().isEmpty());        // not even the read request went out
    other.release();
    ASSERT_TRUE(process.waitForFinished(20000));
    EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
    EXPECT_EQ(trace_lines().last(), "W 01020304050102030405010803000000 0");
}

#ifndef _WIN32
// Three scripts setting and reading one instrument at once: every frame taken, no exchange of
// one inside another's (the simulator would count it), every value in place at the end.
TEST_F(CliProcess, ConcurrentRunsOnOneInstrumentNeverInterleave) {
    const QString file = path("instrument.txt");
    const char* const loops[] = {"set damping 150", "set gain 20", "set voltage 200"};
    std::vector<std::unique_ptr<QProcess>> scripts;
    for (int i = 0; i < 3; ++i) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("EASYD12_SIM_STATE_FILE", file);
        env.insert("EASYD12_SIM_TRACE", path("trace") + QString::number(i));
        auto script = std::make_unique<QProcess>();
        script->setProcessEnvironment(env);
        script->start("/bin/sh", {"-c",
                                  QString("for n in 1 2 3; do \"$0\" %1 && \"$0\" get >/dev/null "
                                          "|| exit 1; done")
                                      .arg(loops[i]),
                                  QLM_CLI_PROGRAM});
        scripts.push_back(std::move(script));
    }
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(scripts[i]->waitForFinished(60000));
        EXPECT_EQ(scripts[i]->exitCode(), 0) << scripts[i]->readAllStandardError().toStdString();
        QFile lines(path("trace") + QString::number(i));
        ASSERT_TRUE(lines.open(QIODevice::ReadOnly));
        for (const QByteArray& line : lines.readAll().split('\n')) {
            if (!line.isEmpty()) {
                EXPECT_TRUE(line.endsWith(" 0")) << line.toStdString();
            }
        }
    }
    QFile state(file);
    ASSERT_TRUE(state.open(QIODevice::ReadOnly));
    EXPECT_EQ(state.readAll(), "0,70,8,0,4,0,200,0,1,3\n"); // no violation counted
}
#endif

// A name whose bytes are not UTF-8 is refused: Qt would decode it to another file's name.
TEST_F(CliProcess, AFileNameThatIsNotUtf8IsRefused) {
    const QByteArray other =
        format_settings({"双", "20", "100", "外部", "1000", "30", "6500", "MHz", "0.08", "150"});
    QFile file(path("bad\uFFFD.qini")); // the name Qt decodes it to
    ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(other) == other.size());
    file.close();
    for (const char* command : {"export", "upload", "compare"}) {
        // The shell passes the byte 0xFF on; QProcess would encode the argument as UTF-8.
        const ProcessRun result = run({"-c", "exec \"$0\" \"$1\" \"$2$(printf '\\377').qini\"",
                                       QLM_CLI_PROGRAM, command, path("bad")},
                                      {}, {}, "/bin/sh");
        EXPECT_EQ(result.status, 5) << command;
        EXPECT_TRUE(result.err.contains(QString::fromUtf8("文件名不是有效的UTF-8编码")))
            << command << ": " << result.err.toStdString();
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_EQ(file.readAll(), other) << command;
        file.close();
        EXPECT_EQ(QDir(dir.path()).entryList({"*.qini"}, QDir::Files),
                  QStringList{"bad\uFFFD.qini"});
    }
}
#endif

// Runs that name one state file share one simulated instrument.
TEST_F(CliProcess, RunsThatShareTheSimulatorsStateFileShareTheInstrument) {
    // A setup the instrument takes as it stands (500 Hz with 6500 ns).
    const SettingsTexts example{"双", "20",   "100", "外部", "500",
                                "30", "6500", "MHz", "0.08", "150"};
    ASSERT_TRUE(save_settings_file(path("set.qini"), example).isEmpty());
    const QString shared = "EASYD12_SIM_STATE_FILE=" + path("instrument.txt");

    ProcessRun result = run({"upload", path("set.qini")}, {shared});
    ASSERT_EQ(result.status, 0) << result.err.toStdString();
    result = run({"compare", path("set.qini")}, {shared});
    EXPECT_EQ(result.status, 0) << result.out.toStdString();

    // An upload whose data frames the instrument refused leaves it as it was.
    const QString other = "EASYD12_SIM_STATE_FILE=" + path("other.txt");
    result = run({"upload", path("set.qini")}, {other, "EASYD12_SIM_FAULT=data"});
    EXPECT_EQ(result.status, 3);
    result = run({"compare", path("set.qini")}, {other});
    EXPECT_EQ(result.status, 4);
    EXPECT_EQ(result.out, QString::fromUtf8("以下参数与文件不一致：\n"
                                            "mode（工作模式）：文件 双，仪器 单\n"
                                            "gain（接收增益）：文件 20dB，仪器 0dB\n"
                                            "trigger（触发源）：文件 外部，仪器 内部\n"
                                            "prf（重复频率）：文件 500Hz，仪器 1000Hz\n"
                                            "lpf（低通滤波）：文件 30MHz，仪器 10MHz\n"
                                            "pw（脉冲宽度）：文件 6500nS，仪器 200nS\n"
                                            "damping（阻尼）：文件 150Ω，仪器 50Ω\n"));

    // A set shows in the next run's read-back.
    ASSERT_EQ(run({"set", "damping", "400", "pw", "1000"}, {shared}).status, 0);
    result = run({"get", "--json"}, {shared});
    const QJsonObject object = QJsonDocument::fromJson(result.out.toUtf8()).object();
    EXPECT_EQ(object.value("damping").toDouble(), 400);
    EXPECT_EQ(object.value("pw").toDouble(), 1e-6);
    EXPECT_EQ(object.value("prf").toDouble(), 500);
}

// A window open on the same simulated instrument follows what a script sets: it reads the
// instrument back by itself and says so in the status bar; its own changes do not make it.
TEST_F(CliProcess, ASetFromTheCommandLineShowsInTheWindow) {
    const QString shared = path("instrument.txt");
    qputenv("EASYD12_SIM_STATE_FILE", shared.toLocal8Bit());
    UiRig rig;
    EasyD12Driver driver;
    FileInstrumentLock lock(instrument_lock_path(shared.toStdString()));
    rig.window = std::make_unique<MainWindow>(driver, rig.seams(), &lock);
    rig.window->start();
    ASSERT_TRUE(rig.messages.empty());
    QLabel* hint = rig.ui().panels[1];
    const auto events_for = [](int ms) {
        QElapsedTimer timer;
        timer.start();
        while (timer.elapsed() < ms)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    };

    ASSERT_EQ(run({"set", "damping", "150"}, {"EASYD12_SIM_STATE_FILE=" + shared}).status, 0);
    QElapsedTimer waited;
    waited.start();
    while (rig.ui().of(Field::damping).value->text() != "150" && waited.elapsed() < 2000)
        events_for(20);
    EXPECT_EQ(rig.ui().of(Field::damping).value->text(), "150");
    EXPECT_TRUE(hint->text().startsWith(QString::fromUtf8("另一个程序改变了仪器参数")));
    EXPECT_TRUE(rig.messages.empty());

    hint->setText("own");
    rig.choose(Field::damping, 0); // 400, from the window itself
    events_for(700);
    EXPECT_EQ(hint->text(), "own");
    EXPECT_EQ(rig.ui().of(Field::damping).value->text(), "400");
    qunsetenv("EASYD12_SIM_STATE_FILE");
}
