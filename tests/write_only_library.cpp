// A driver library that exports WritePort1 but not ReadPort1.
#include <cstdint>

extern "C" __attribute__((visibility("default"))) std::int16_t WritePort1(std::uint8_t*,
                                                                          std::int32_t) {
    return 0;
}
