#include "cli/session.h"

#include "params/descriptor.h"

namespace qlm::cli {

Session::Session(Context& context)
    : driver_(context.instrument()), view_(&context.err, context.sleep), panel_(driver_, view_) {}

bool Session::read_back() {
    panel_.start(std::nullopt);
    const bool answered = driver_.answered();
    // A request taken but never answered shows nothing in the window; here it ends the run.
    if (!answered && view_.messages().empty()) view_.message(kConnectionFailedText);
    messages_after_read_ = view_.messages().size();
    return answered;
}

namespace {

std::optional<Field> field_of_code(std::uint8_t code) {
    for (const Field field : kAllFields) {
        if (descriptor(field).code == code) return field;
    }
    return std::nullopt;
}

} // namespace

std::vector<Field> print_sent(std::ostream& out, const RecordingDriver& driver, std::size_t from,
                              const param_set& shown) {
    std::vector<Field> sent;
    for (const DriverCall& call : driver.data_frames(from)) {
        const auto field = field_of_code(call.frame[kCodeByte]);
        if (!field) continue;
        sent.push_back(*field);
        out << "已发送 " << descriptor(*field).name << "=" << shown_text(*field, shown[*field])
            << "（" << int{call.frame[kCodeByte]} << " " << int{call.frame[kValue1Byte]} << " "
            << int{call.frame[kValue2Byte]} << "）";
        if (call.status < 0) out << " 仪器未接收";
        out << "\n";
    }
    return sent;
}

} // namespace qlm::cli
