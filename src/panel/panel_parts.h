#pragma once
// What the panel's source files share: an operation held while its work runs, and how a
// read's answer and outcome are taken.

#include "panel/panel.h"
#include "params/encoding.h"

#include <utility>

namespace qlm {

// `op` is the operation under way while it lives; the operation ends when nothing of it is
// left (its own part, the exchanges and the upload it holds).
class Panel::Within {
public:
    Within(Panel& panel, OpPtr op)
        : panel_(panel), op_(std::move(op)), outer_(std::exchange(panel.current_, op_)) {
        if (op_) ++op_->open;
    }
    ~Within() {
        panel_.current_ = outer_;
        panel_.release(op_);
    }
    Within(const Within&) = delete;
    Within& operator=(const Within&) = delete;

private:
    Panel& panel_;
    OpPtr op_;
    OpPtr outer_;
};

namespace panel_parts {

// A read answer holds the settings bytes from its start.
static_assert(kSettingsBytes <= kFrameSize);
inline SettingsBytes answer_settings(const Frame& answer) {
    return SettingsBytes(answer.data(), kSettingsBytes);
}

inline ReadResult read_result(Link::ReadOutcome outcome) {
    switch (outcome) {
    case Link::ReadOutcome::answered:
        return ReadResult::answered;
    case Link::ReadOutcome::refused:
        return ReadResult::request_refused;
    case Link::ReadOutcome::busy:
        return ReadResult::busy;
    case Link::ReadOutcome::no_answer:
        break;
    }
    return ReadResult::no_answer;
}

// A read that did not reach the instrument stops an upload; one left unanswered does not.
inline bool failed(Link::ReadOutcome outcome) {
    return outcome == Link::ReadOutcome::refused || outcome == Link::ReadOutcome::busy;
}

} // namespace panel_parts

} // namespace qlm
