#pragma once
// The remote interpreter over the front panel and the in-process simulator, settings files
// in memory: a line in, the answers out, the upload's ticks run while a client waits.

#include "panel_rig.h"
#include "remote/interpreter.h"

#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <utility>

namespace qlm::testing {

struct MemoryStore : SettingsStore {
    std::map<std::string, SettingsTexts> files;
    FileRead load(const std::string& path) override {
        const auto found = files.find(path);
        if (found == files.end()) return {std::nullopt, "no such file"};
        return {found->second, {}};
    }
    std::string save(const std::string& path, const SettingsTexts& texts) override {
        files[path] = texts;
        return {};
    }
};

struct RemoteRig {
    explicit RemoteRig(sim::Settings settings = sim::kDefaultSettings)
        : instrument(settings), panel(instrument, view),
          files(store, [this](const Outcome& outcome) { view.report(outcome, {}); }),
          interpreter(remote::Host{panel, files, "/remote", {}}) {
        panel.show_all();
    }

    sim::SimInstrument instrument;
    RecordingView view;
    Panel panel;
    MemoryStore store;
    SetupFiles files;
    remote::Interpreter interpreter;
    std::shared_ptr<remote::Client> client = std::make_shared<remote::Client>();

    // The line's answers (without the final newline); ticks the upload while it waits.
    std::string send(const std::string& line) { return finish(interpreter.run(client, line)); }
    // The waiting line run on to its end.
    std::string finish(bool done = false) {
        for (int ticks = 0; !done && ticks < 100; ++ticks) {
            if (view.timer) panel.tick();
            done = interpreter.resume(client);
        }
        std::string out = std::exchange(client->output, {});
        if (!out.empty() && out.back() == '\n') out.pop_back();
        return out;
    }
    // Every error in the queue, oldest first, as codes: "-222 -113".
    std::string error_codes() {
        std::string out;
        while (client->errors.count())
            out += (out.empty() ? "" : " ") + std::to_string(client->errors.next().code);
        return out;
    }
    Applied applied() const { return instrument.applied(); }
    // Where a file name below the rig's remote folder is kept, as the interpreter names it.
    static std::string stored(const std::string& name) {
        namespace fs = std::filesystem;
        const fs::path path = fs::weakly_canonical(
            fs::path(u8"/remote") / fs::path(std::u8string(name.begin(), name.end())));
        const std::u8string text = path.u8string();
        return std::string(text.begin(), text.end());
    }
};

} // namespace qlm::testing
