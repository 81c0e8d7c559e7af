#include "record/journal_line.h"

#include "panel/json_text.h"
#include "panel/texts.h"
#include "params/descriptor.h"

#include <filesystem>
#include <vector>

namespace qlm {

namespace {

// A file as this process names it: relative names are of its working folder.
std::string absolute(const std::string& path) {
    if (path.empty()) return path;
    std::error_code error;
    const std::filesystem::path whole = std::filesystem::absolute(
        std::filesystem::path(std::u8string(path.begin(), path.end())), error);
    if (error) return path;
    const std::u8string text = whole.lexically_normal().u8string();
    return std::string(text.begin(), text.end());
}

// One field's old and new text, with the unit as the display shows it.
struct Item {
    Field field;
    std::string old_text, new_text;
    bool with_unit = true;
};

std::string item_json(const Item& item) {
    const auto text = [&](const std::string& value) {
        return item.with_unit && !value.empty() ? shown_text(item.field, value) : value;
    };
    return "{\"field\":" + json_quoted(field_name(item.field)) +
           ",\"parameter\":" + json_quoted(descriptor(item.field).title) +
           ",\"old\":" + json_quoted(text(item.old_text)) +
           ",\"new\":" + json_quoted(text(item.new_text)) + "}";
}

const char* delivery_name(SendResult result) {
    switch (result) {
    case SendResult::delivered:
        return "delivered";
    case SendResult::announce_refused:
        return "announce_refused";
    case SendResult::data_refused:
        return "data_refused";
    case SendResult::withheld:
        return "withheld";
    case SendResult::busy:
        return "busy";
    }
    return "";
}

const char* rule_name(Rule rule) {
    switch (rule) {
    case Rule::out_of_range:
        return "out_of_range";
    case Rule::not_a_number:
        return "not_a_number";
    case Rule::prf_not_allowed:
        return "prf_not_allowed";
    case Rule::not_an_entry:
        return "not_an_entry";
    }
    return "";
}

const char* read_name(ReadKind kind) {
    switch (kind) {
    case ReadKind::settings:
        return "settings";
    case ReadKind::width:
        return "width";
    case ReadKind::check:
        return "check";
    case ReadKind::follow:
        return "follow";
    case ReadKind::watch:
        return "watch";
    case ReadKind::query:
        return "query";
    }
    return "";
}

const char* read_result_name(ReadResult result) {
    switch (result) {
    case ReadResult::answered:
        return "answered";
    case ReadResult::request_refused:
        return "request_refused";
    case ReadResult::no_answer:
        return "no_answer";
    case ReadResult::busy:
        return "busy";
    }
    return "";
}

const char* stop_name(UploadStop why) {
    switch (why) {
    case UploadStop::entry_key:
        return "entry_key";
    case UploadStop::button:
        return "button";
    case UploadStop::read_failed:
        return "read_failed";
    case UploadStop::new_import:
        return "new_import";
    case UploadStop::by_caller:
        return "by_caller";
    }
    return "";
}

const char* file_op_name(FileOp op) {
    switch (op) {
    case FileOp::import:
        return "import";
    case FileOp::export_:
        return "export";
    case FileOp::compare:
        return "compare";
    case FileOp::sheet:
        return "sheet";
    }
    return "";
}

const char* note_name(ImportNote::Kind kind) {
    switch (kind) {
    case ImportNote::not_applied:
        return "not_applied";
    case ImportNote::rounded:
        return "rounded";
    case ImportNote::lowered:
        return "lowered";
    }
    return "";
}

// What the line says besides its source: the event, a status code, the fields it touched
// and anything else, as JSON members after them.
struct Body {
    const char* event;
    std::string status;
    std::vector<Item> items;
    std::string extra; // ",\"name\":value..." members
};

struct ToBody {
    std::optional<Body> operator()(const Sent& sent) const {
        return Body{"sent",
                    delivery_name(sent.delivery),
                    {{sent.field, sent.before, sent.text}},
                    ",\"command\":[" + std::to_string(sent.code) + "," +
                        std::to_string(sent.value1) + "," + std::to_string(sent.value2) + "]"};
    }
    std::optional<Body> operator()(const Refused& refused) const {
        // The value as it was typed or named, without a unit added.
        return Body{
            "refused", rule_name(refused.rule), {{refused.field, "", refused.value, false}}, ""};
    }
    std::optional<Body> operator()(const DisplayOnly& shown) const {
        return Body{"display_only",
                    "not_sent",
                    {{shown.field, shown.before, shown.text}},
                    ",\"because\":" + json_quoted(field_name(shown.because))};
    }
    // A change is what the instrument held otherwise than the program knew; values it
    // knew nothing of yet (the first read-back of a run) are observed, not changed.
    std::optional<Body> operator()(const ReadBack& read) const {
        const char* event = read.observed.empty() ? "read_back" : "observed";
        if (read.kind == ReadKind::watch && !read.updates.empty()) event = "changed_outside";
        Body body{event,
                  read_result_name(read.result),
                  {},
                  ",\"kind\":" + json_quoted(read_name(read.kind))};
        for (const Difference& d : read.updates)
            body.items.push_back({d.field, d.shown, d.instrument});
        if (read.observed.empty()) return body;
        body.extra += ",\"values\":[";
        for (std::size_t i = 0; i < read.observed.size(); ++i) {
            const Difference& d = read.observed[i];
            body.extra += std::string(i ? "," : "") +
                          "{\"field\":" + json_quoted(field_name(d.field)) +
                          ",\"parameter\":" + json_quoted(descriptor(d.field).title) +
                          ",\"value\":" + json_quoted(shown_text(d.field, d.instrument)) + "}";
        }
        body.extra += "]";
        return body;
    }
    std::optional<Body> operator()(const Imported& imported) const {
        Body body{
            "imported", imported.notes.empty() ? "as_file" : "with_notes", {}, ",\"notes\":["};
        bool first = true;
        for (const ImportNote& note : imported.notes) {
            body.items.push_back({note.field, note.file_text, note.shown});
            body.extra += std::string(first ? "" : ",") + json_quoted(note_name(note.kind));
            first = false;
        }
        body.extra += "]";
        return body;
    }
    std::optional<Body> operator()(const UploadStarted&) const {
        return Body{"upload_started", "", {}, ""};
    }
    std::optional<Body> operator()(const UploadStep&) const { return std::nullopt; }
    std::optional<Body> operator()(const UploadFinished&) const {
        return Body{"upload_finished", "", {}, ""};
    }
    std::optional<Body> operator()(const UploadStopped& stopped) const {
        return Body{"upload_stopped",
                    stop_name(stopped.why),
                    {},
                    ",\"step\":" + std::to_string(stopped.at)};
    }
    std::optional<Body> operator()(const Compared& compared) const {
        Body body{"compared", compared.differences.empty() ? "same" : "differs", {}, ""};
        for (const Difference& d : compared.differences)
            body.items.push_back({d.field, d.shown, d.instrument});
        body.extra = ",\"against\":" +
                     json_quoted(compared.against == Against::display ? "display" : "file");
        return body;
    }
    std::optional<Body> operator()(const FileDone& file) const {
        return Body{"file",
                    file.ok ? "ok" : "failed",
                    {},
                    ",\"op\":" + json_quoted(file_op_name(file.op)) +
                        ",\"path\":" + json_quoted(absolute(file.path)) +
                        ",\"reason\":" + json_quoted(file.reason)};
    }
};

} // namespace

std::optional<std::string> journal_line(const Outcome& outcome, const JournalSource& source) {
    const std::optional<Body> body = std::visit(ToBody{}, outcome);
    if (!body) return std::nullopt;
    std::string line =
        "{\"time\":" + json_quoted(source.time) + ",\"program\":" + json_quoted(source.program) +
        ",\"driver\":" + json_quoted(source.simulator ? "simulator" : "instrument") +
        ",\"event\":" + json_quoted(body->event) + ",\"status\":" + json_quoted(body->status) +
        ",\"result\":" + json_quoted(texts::journal_result(outcome)) + ",\"changes\":[";
    for (std::size_t i = 0; i < body->items.size(); ++i)
        line += (i ? "," : "") + item_json(body->items[i]);
    return line + "]" + body->extra + "}";
}

} // namespace qlm
