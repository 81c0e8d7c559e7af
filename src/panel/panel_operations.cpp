// How operations are begun, joined, held and ended, and how their outcomes are told.
#include "panel/outcome_hook.h"
#include "panel/panel.h"
#include "panel/panel_parts.h"

#include <memory>
#include <utility>

namespace qlm {

OperationId Panel::operation(Caller caller, const std::function<void()>& body) {
    // A rule calling another is part of the operation under way.
    if (current_ && !caller.told && !caller.done) {
        body();
        return current_->id;
    }
    const auto op = std::make_shared<Op>(Op{next_id_++, std::move(caller), {}});
    {
        Within within(*this, op);
        body();
    }
    return op->id;
}

void Panel::release(const OpPtr& op) {
    if (!op || --op->open > 0) return;
    if (op->caller.done) std::exchange(op->caller.done, {})(op->outcomes);
    // The last upload's operation has ended: its sends too.
    if (op.get() != upload_last_) return;
    upload_last_ = nullptr;
    for (auto& then : std::exchange(after_upload_, {}))
        then();
}

OperationId Panel::run(Caller caller, const std::function<void()>& steps) {
    return operation(std::move(caller), steps);
}

void Panel::report(const Outcome& outcome) {
    tell_outcome_hook(outcome); // recorded before the view shows it
    Cause cause;
    if (current_) {
        cause.operation = current_->id;
        current_->outcomes.push_back(outcome);
        cause.answered = current_->caller.told && current_->caller.told(outcome);
    }
    // What the view does meanwhile is no part of this operation.
    const OpPtr outer = std::exchange(current_, nullptr);
    view_.report(outcome, cause);
    current_ = outer;
}

// A handler run later as part of the operation under way now, which it holds until then.
Link::ReadHandler Panel::held(Link::ReadHandler handler) {
    if (current_) ++current_->open;
    return [this, op = current_, handler = std::move(handler)](Link::ReadOutcome outcome,
                                                               const Frame& answer) {
        Within within(*this, op);
        release(op); // held since it was handed out
        handler(outcome, answer);
    };
}

Link::SendHandler Panel::held(Link::SendHandler handler) {
    if (current_) ++current_->open;
    return [this, op = current_, handler = std::move(handler)](SendResult result) {
        Within within(*this, op);
        release(op); // held since it was handed out
        handler(result);
    };
}

} // namespace qlm
