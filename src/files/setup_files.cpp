#include "files/setup_files.h"

#include "panel/outcome_hook.h"

namespace qlm {

SetupFiles::SetupFiles(SettingsStore& store, Report report)
    : store_(store), report_([report = std::move(report)](const Outcome& outcome) {
          tell_outcome_hook(outcome);
          if (report) report(outcome);
      }) {}

std::optional<SettingsTexts> SetupFiles::load(const std::string& path, FileOp op) {
    FileRead file = store_.load(path);
    report_(FileDone{op, path, file.texts.has_value(), file.texts ? "" : file.error});
    return file.texts;
}

bool SetupFiles::import_file(Panel& panel, const std::string& path, Caller caller) {
    bool read = false;
    panel.run(std::move(caller), [&] {
        FileRead file = store_.load(path);
        panel.report(
            FileDone{FileOp::import, path, file.texts.has_value(), file.texts ? "" : file.error});
        if (!file.texts) return;
        read = true;
        panel.import_set(*file.texts);
    });
    return read;
}

bool SetupFiles::export_file(Panel& panel, const std::string& path, Caller caller,
                             const std::optional<SettingsTexts>& texts) {
    std::string problem;
    panel.run(std::move(caller), [&] {
        problem = store_.save(path, texts ? *texts : panel.params().texts());
        panel.report(FileDone{FileOp::export_, path, problem.empty(), problem});
    });
    return problem.empty();
}

Compared SetupFiles::compare(const Panel& panel, const SettingsTexts& file) {
    Compared compared{Against::file, differences(param_set::from_texts(file), panel.params())};
    report_(compared);
    return compared;
}

} // namespace qlm
