// serve: one panel, its link and its files, hosted by the remote server in an event loop.
// The exchanges' waits are timers of that loop, so clients are taken and served meanwhile.
#include "cli/serve.h"

#include "cli/commands.h"

#include "files/setup_files.h"
#include "panel/panel.h"
#include "panel/texts.h"
#include "remote/interpreter.h"
#include "remote/loop_view.h"
#include "remote/server.h"
#include "settings/watch_setting.h"

#include <QCoreApplication>
#include <QStandardPaths>
#include <QTimer>

#include <csignal>
#include <map>
#include <ostream>

namespace qlm::cli {

namespace {

volatile std::sig_atomic_t g_stop = 0;

extern "C" void stop_serving(int) {
    g_stop = 1;
}

// How often a stop is looked for, and another program's change.
constexpr int kStopPollMs = 50;
constexpr int kFollowIntervalMs = 300;

} // namespace

int serve_command(const std::vector<std::string>& args, Context& context,
                  const std::string& folder) {
    std::map<std::string, std::string> values{
        {"--port", ""}, {"--listen", ""}, {"--allow", ""}, {"--files", folder}};
    bool other_users = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--allow-users") {
            other_users = true;
            continue;
        }
        const auto option = values.find(args[i]);
        if (option == values.end()) return usage_error(context, "serve 不接受：" + args[i]);
        if (i + 1 == args.size() || args[i + 1].empty())
            return usage_error(context, args[i] + " 需要一个值");
        option->second = args[++i];
    }
    std::string problem;
    auto options =
        remote::server_options(values["--port"], values["--listen"], values["--allow"], problem);
    if (!options) return usage_error(context, problem);
    options->other_users = other_users;

    // Sends are logged on stdout, failures on stderr.
    remote::LoopView view;
    Panel panel(context.instrument(), view, context.lock());
    SetupFiles files(context.files, [&view](const Outcome& outcome) { view.report(outcome, {}); });
    remote::Interpreter interpreter(remote::Host{panel, files, values["--files"], {}});
    view.on_report = [&context](const Outcome& outcome) {
        if (const auto* sent = std::get_if<Sent>(&outcome);
            sent && sent->delivery == SendResult::delivered)
            context.out << texts::sent_line(*sent) << std::endl;
        // What the watch and the follow-up found: the window's status bar says it.
        if (const auto* read = std::get_if<ReadBack>(&outcome)) {
            if (read->kind == ReadKind::watch) context.err << texts::watch_hint(*read) << std::endl;
            if (read->kind == ReadKind::follow)
                context.err << texts::follow_hint(*read) << std::endl;
        }
        if (const auto notice = texts::notice_for(outcome); notice && notice->error)
            context.err << "错误：" << notice->text << std::endl;
    };
    view.on_tick = [&panel] { panel.tick(); };
    remote::Server server(interpreter, *options, [&context](const std::string& note) {
        context.err << note << std::endl;
    });
    if (!server.listen(problem)) {
        context.err << "qlm5120rx-cli：" << problem << std::endl;
        return kCannotListen;
    }
    context.err << texts::remote_listening(server.where()) << std::endl;

    g_stop = 0;
    std::signal(SIGINT, stop_serving);
    std::signal(SIGTERM, stop_serving);
    // A stop ends the program between commands: an announced setting gets its data frame.
    QTimer stop;
    QObject::connect(&stop, &QTimer::timeout, [&] {
        if (!g_stop) return;
        panel.stop_upload();
        panel.end();
        QCoreApplication::quit();
    });
    stop.start(kStopPollMs);
    // Between the clients' commands the instrument is followed and watched.
    QTimer follow;
    QObject::connect(&follow, &QTimer::timeout, [&panel] { panel.follow_changes(); });
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&panel] { panel.watch(); });
    // The window's setting (its configuration folder), for the same instrument.
    const WatchSetting watching =
        load_watch_setting(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
                           "/Kavronix/qlm5120rx");
    if (!watching.problem.isEmpty()) context.err << watching.problem.toStdString() << std::endl;
    Caller started;
    started.done = [&, interval = watching.interval_ms](const std::vector<Outcome>&) {
        if (context.lock()) {
            context.lock()->take_changes(); // the start-up read-back saw them
            follow.start(kFollowIntervalMs);
        }
        if (interval > 0) watch.start(interval);
    };
    // The instrument's settings into the panel, as every run starts.
    panel.start(std::nullopt, std::move(started));
    QCoreApplication::exec();
    server.close();
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
    context.err << texts::remote_stopped() << std::endl;
    return kDone;
}

} // namespace qlm::cli
