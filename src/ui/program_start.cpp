#include "ui/program_start.h"

#include "panel/texts.h"
#include "panel/version.h"
#include "settings/auto_file.h"
#include "ui/main_window.h"

#include <QCoreApplication>
#include <QDir>
#include <QTimer>

#include <cstdio>

#ifdef _WIN32
#include <windows.h>
#endif

namespace qlm {

namespace {
void say(const std::string& line) {
    std::fprintf(stderr, "%s\n", line.c_str());
}

// A GUI program on Windows has no console of its own: its text goes to the one it was
// started from, unless its output is redirected already.
void reach_console() {
#ifdef _WIN32
    const auto redirected = [](DWORD which) {
        const HANDLE handle = GetStdHandle(which);
        return handle && handle != INVALID_HANDLE_VALUE && GetFileType(handle) != FILE_TYPE_UNKNOWN;
    };
    const bool out = redirected(STD_OUTPUT_HANDLE), err = redirected(STD_ERROR_HANDLE);
    if ((!out || !err) && AttachConsole(ATTACH_PARENT_PROCESS)) {
        FILE* stream = nullptr;
        if (!out) freopen_s(&stream, "CONOUT$", "w", stdout);
        if (!err) freopen_s(&stream, "CONOUT$", "w", stderr);
    }
    SetConsoleOutputCP(CP_UTF8);
#endif
}

} // namespace

std::string window_help_text() {
    return R"(用法：qlm5120rx [选项] [文件.qini]

QLM-5120RX 超声脉冲发射接收仪的控制程序（主窗口）。给出设置文件时，启动后导入并上传它，
与“文件 → 导入设置”相同。同一程序已为同一用户打开窗口时，文件交给那个窗口，本次启动随即结束
（其他选项被忽略）。

选项：
  --new-window            另开一个窗口，不交给已打开的窗口
  --remote[=端口]         启动时打开远程控制（SCPI over TCP，默认端口 5025，1~65535）；
                          也可写 --remote 端口。其后紧跟文件时，写 --remote=端口 或把文件写在前面
  --help                  显示本说明
  --version               显示版本
  --                      其后的参数都是文件名
  Qt 的选项（-platform、-style 等）照常可用。

退出状态：
  0  正常结束（关闭窗口、退出菜单、SIGTERM/SIGINT/SIGHUP，均保存 open.qini）
  1  用法错误（未知选项、多于一个文件、--remote 的端口不对），不打开窗口
)";
}

std::optional<int> answer_before_window(int argc, char** argv) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const StartArguments parsed = parse_start_arguments(arguments, {}, QDir::currentPath());
    if (!parsed.problem.isEmpty()) {
        reach_console();
        std::fprintf(stderr,
                     "qlm5120rx：%s\n用法：qlm5120rx [--new-window] [--remote[=端口]] "
                     "[文件.qini]，qlm5120rx --help 查看说明\n",
                     parsed.problem.toUtf8().constData());
        return kUsageStatus;
    }
    if (!parsed.help && !parsed.version) return std::nullopt;
    reach_console();
    if (parsed.help)
        std::fputs(window_help_text().c_str(), stdout);
    else
        std::printf("qlm5120rx %s\n", program_version());
    return std::fflush(stdout) == 0 ? 0 : 1;
}

WindowStart claim_window(int argc, char** argv) {
    WindowStart start;
    const QStringList arguments = QCoreApplication::arguments();
    QList<QByteArray> raw;
#ifndef _WIN32
    // Windows passes the arguments as Unicode; elsewhere they are bytes.
    for (int i = 0; i < argc; ++i)
        raw << QByteArray(argv[i]);
#else
    (void)argc;
    (void)argv;
#endif
    start.arguments = parse_start_arguments(arguments, raw, QDir::currentPath());
    if (start.arguments.new_window) return start;

    const QString socket = instance_socket(QCoreApplication::applicationFilePath(),
                                           default_auto_file_folders().config_folder);
    Claim claim = claim_instance(socket, {start.arguments.file, start.arguments.file_name_is_text});
    switch (claim.reach) {
    case Reach::handed_over:
        if (!start.arguments.handed_over_ignores.isEmpty())
            say(texts::hand_over_ignores(
                start.arguments.handed_over_ignores.join(' ').toStdString()));
        start.exit_status = 0;
        return start;
    case Reach::no_answer:
        say(texts::kHandOverNoAnswer);
        return start;
    case Reach::none_running:
        break;
    }
    if (!claim.problem.isEmpty()) say(texts::hand_over_cannot_listen(claim.problem.toStdString()));
    start.server = std::move(claim.server);
    return start;
}

void attach_window(WindowStart& start, MainWindow& window) {
    if (!start.arguments.file.isEmpty())
        window.open_settings_file(start.arguments.file, start.arguments.file_name_is_text);
    if (start.server) {
        QObject::connect(start.server.get(), &InstanceServer::arrived, &window,
                         [&window](const HandOver& what) {
                             window.come_forward();
                             if (!what.file.isEmpty())
                                 window.open_settings_file(what.file, what.file_name_is_text);
                         });
        start.server->deliver();
    }
}

// Closing finishes the exchange in flight and keeps the values; a box open is left unanswered.
void end_on_stop_signals(StopSignals& stop, MainWindow& window) {
    QObject::connect(&stop, &StopSignals::arrived, &window, [&window] {
        window.close();
        QCoreApplication::quit();
    });
}

} // namespace qlm
