// Arbitrary text as a Linux TCP socket table: the look-up never reads outside it, and an
// entry it finds is one whose line names the ends asked for.
#include "fuzz_check.h"
#include "remote/peer_owner.h"

#include <cctype>
#include <cstdint>
#include <string>
#include <string_view>

using namespace qlm::remote;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view table(reinterpret_cast<const char*>(data), size);
    const Endpoint client = ipv4_endpoint(0x7f000001, 41668);
    const Endpoint server = ipv4_endpoint(0x7f000001, 5029);
    const auto entry = find_in_tcp_table(table, client, server);
    if (entry) {
        // The client's end appears in the text, in the kernel's hex (either case).
        std::string folded(table);
        for (char& c : folded)
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        FUZZ_CHECK(folded.find("0100007F:A2C4") != std::string::npos);
        FUZZ_CHECK(owner_by_uid(entry, entry->uid).verdict != PeerOwner::other_user);
    }
    const PeerOwner owner = owner_by_uid(entry, 0);
    FUZZ_CHECK((owner.verdict != PeerOwner::unknown && owner.verdict != PeerOwner::gone) ||
               !owner.why.empty());
    return 0;
}
