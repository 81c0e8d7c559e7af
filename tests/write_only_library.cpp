// A driver library that exports WritePort1 but not ReadPort1.
#include "link/easyd12_api.h"

extern "C" EASYD12_EXPORT std::int16_t EASYD12_CALL WritePort1(std::uint8_t*, std::int32_t) {
    return 0;
}
