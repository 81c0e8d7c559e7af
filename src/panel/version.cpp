#include "panel/version.h"

namespace qlm {

const char* program_version() {
    return QLM_VERSION;
}

} // namespace qlm
