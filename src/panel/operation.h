#pragma once
// Who asked for a panel operation, and how its outcomes find their way back. Every outcome an
// operation causes carries its handle, even one that comes after a wait in the queue or from
// a send made for it later (a lowered PRF, an upload's step); the caller is told when nothing
// the operation started is left to run.

#include "panel/outcome.h"

#include <cstdint>
#include <functional>
#include <vector>

namespace qlm {

// 0: no operation (outcomes of the panel's own, such as the upload's timer with no import).
using OperationId = std::uint64_t;

struct Caller {
    // Each outcome as it happens, before the view is told. True when the caller answers it
    // itself (a remote client), so the view shows it without a box.
    std::function<bool(const Outcome&)> told;
    // Once the operation has ended, with everything it caused, in order.
    std::function<void(const std::vector<Outcome>&)> done;
};

// How an outcome reached the view.
struct Cause {
    OperationId operation = 0;
    bool answered = false; // its caller answers it (see Caller::told)
};

} // namespace qlm
