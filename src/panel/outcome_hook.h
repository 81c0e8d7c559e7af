#pragma once
// The program's own listener of outcomes (its journal): told every outcome of every panel
// and file flow in the process, whichever front end made it, before the view shows it. The
// program's composition root sets it; nothing is told when it is unset (tests).

#include "panel/outcome.h"

#include <functional>

namespace qlm {

using OutcomeHook = std::function<void(const Outcome&)>;

inline OutcomeHook& outcome_hook() {
    static OutcomeHook hook;
    return hook;
}

inline void tell_outcome_hook(const Outcome& outcome) {
    if (const OutcomeHook& hook = outcome_hook()) hook(outcome);
}

} // namespace qlm
