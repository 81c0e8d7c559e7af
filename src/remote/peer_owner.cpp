#include "remote/peer_owner.h"

#include <charconv>
#include <cstring>
#include <vector>

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
// winsock2.h before these
#include <iphlpapi.h>
#include <windows.h>
#elif defined(__linux__)
#include <unistd.h>
#endif

#include <cerrno>
#include <fstream>
#include <iterator>
#include <utility>

namespace qlm::remote {

Endpoint ipv4_endpoint(std::uint32_t address, std::uint16_t port) {
    Endpoint out;
    out.address[10] = out.address[11] = 0xff;
    for (int i = 0; i < 4; ++i)
        out.address[static_cast<std::size_t>(12 + i)] =
            static_cast<std::uint8_t>(address >> (24 - 8 * i));
    out.port = port;
    return out;
}

Endpoint ipv6_endpoint(const std::uint8_t (&address)[16], std::uint16_t port) {
    Endpoint out;
    std::memcpy(out.address.data(), address, 16);
    out.port = port;
    return out;
}

namespace {

bool hex_number(std::string_view text, unsigned long long& value) {
    if (text.empty() || text.size() > 16) return false;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, 16);
    return error == std::errc() && end == text.data() + text.size();
}

bool dec_number(std::string_view text, unsigned long long& value) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return !text.empty() && error == std::errc() && end == text.data() + text.size();
}

// "0100007F:13C4" (IPv4) or 32 hex digits and a port (IPv6). The kernel prints each 32-bit
// word of the address as a number in its own byte order.
std::optional<Endpoint> table_endpoint(std::string_view text) {
    const std::size_t colon = text.find(':');
    if (colon != 8 && colon != 32) return std::nullopt;
    unsigned long long port = 0;
    if (text.size() - colon - 1 != 4 || !hex_number(text.substr(colon + 1), port))
        return std::nullopt;
    std::uint8_t bytes[16] = {};
    for (std::size_t word = 0; word < colon / 8; ++word) {
        unsigned long long value = 0;
        if (!hex_number(text.substr(word * 8, 8), value)) return std::nullopt;
        const auto native = static_cast<std::uint32_t>(value);
        std::memcpy(bytes + word * 4, &native, 4);
    }
    if (colon == 8) {
        std::uint8_t v4[16] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xff, 0xff};
        std::memcpy(v4 + 12, bytes, 4);
        return ipv6_endpoint(v4, static_cast<std::uint16_t>(port));
    }
    return ipv6_endpoint(bytes, static_cast<std::uint16_t>(port));
}

std::vector<std::string_view> words(std::string_view line) {
    std::vector<std::string_view> out;
    std::size_t at = 0;
    while (out.size() < 12) {
        at = line.find_first_not_of(" \t", at);
        if (at == std::string_view::npos) break;
        const std::size_t end = std::min(line.find_first_of(" \t", at), line.size());
        out.push_back(line.substr(at, end - at));
        at = end;
    }
    return out;
}

} // namespace

std::optional<TcpTableEntry> find_in_tcp_table(std::string_view table, const Endpoint& local,
                                               const Endpoint& remote) {
    while (!table.empty()) {
        const std::size_t end = std::min(table.find('\n'), table.size());
        const std::string_view line = table.substr(0, end);
        table.remove_prefix(std::min(end + 1, table.size()));
        // sl local_address rem_address st tx:rx tr:when retrnsmt uid timeout inode ...
        const std::vector<std::string_view> w = words(line);
        if (w.size() < 10 || w[0].empty() || w[0].back() != ':') continue;
        if (table_endpoint(w[1]) != local || table_endpoint(w[2]) != remote) continue;
        unsigned long long state = 0, uid = 0, inode = 0;
        if (!hex_number(w[3], state) || !dec_number(w[7], uid) || !dec_number(w[9], inode))
            continue;
        return TcpTableEntry{static_cast<unsigned>(state), static_cast<unsigned long>(uid), inode};
    }
    return std::nullopt;
}

PeerOwner owner_by_uid(const std::optional<TcpTableEntry>& entry, unsigned long own_uid) {
    if (!entry) return {PeerOwner::gone, "系统的套接字表中没有它（连接已关闭？）"};
    // A socket no process holds may be a TIME_WAIT entry, whose user the table gives as 0.
    if (entry->inode == 0 && entry->uid == 0) return {PeerOwner::gone, "连接它的程序已关闭连接"};
    return {entry->uid == own_uid ? PeerOwner::same_user : PeerOwner::other_user, {}};
}

namespace {

bool read_text(const char* path, std::string& text) {
    std::ifstream file(path, std::ios::binary);
    if (!file) return false;
    text.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    return !file.bad();
}

[[maybe_unused]] PeerOwner owner_from_tables(const char* tcp, const char* tcp6,
                                             const Endpoint& client, const Endpoint& server,
                                             unsigned long own_uid) {
    static constexpr std::uint8_t kMapped[12] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xff, 0xff};
    // A mapped address may be an IPv4 socket's or a dual-stack IPv6 one's.
    const bool v4 = std::memcmp(client.address.data(), kMapped, sizeof kMapped) == 0;
    std::string text;
    int error = 0;
    bool read_one = false;
    for (const auto& [path, ipv4_only] : {std::pair{tcp, true}, std::pair{tcp6, false}}) {
        if (ipv4_only && !v4) continue;
        if (!read_text(path, text)) {
            error = errno;
            continue;
        }
        read_one = true;
        if (const auto entry = find_in_tcp_table(text, client, server))
            return owner_by_uid(entry, own_uid);
    }
    if (!read_one)
        return {PeerOwner::unknown, "无法读取 " + std::string(tcp) + "：" + std::strerror(error)};
    return owner_by_uid(std::nullopt, 0);
}

} // namespace

#if defined(__linux__)

PeerOwner peer_owner(const Endpoint& client, const Endpoint& server) {
    return owner_from_tables("/proc/net/tcp", "/proc/net/tcp6", client, server,
                             static_cast<unsigned long>(geteuid()));
}

#elif defined(_WIN32)

namespace {

// The table of one address family, or empty.
std::vector<char> tcp_table(ULONG family) {
    std::vector<char> buffer(16 * 1024);
    for (int attempt = 0; attempt < 4; ++attempt) {
        DWORD size = static_cast<DWORD>(buffer.size());
        const DWORD status =
            GetExtendedTcpTable(buffer.data(), &size, FALSE, family, TCP_TABLE_OWNER_PID_ALL, 0);
        if (status == NO_ERROR) return buffer;
        if (status != ERROR_INSUFFICIENT_BUFFER) break;
        buffer.resize(size + 4096); // more sockets may come meanwhile
    }
    return {};
}

std::uint16_t port_of(DWORD port) {
    return ntohs(static_cast<u_short>(port));
}

// The owning process of the socket at `client` connected to `server` (0 for none); none when
// it is not in the tables. False when neither table could be read.
bool owning_process(const Endpoint& client, const Endpoint& server, std::optional<DWORD>& pid) {
    const std::vector<char> v4 = tcp_table(AF_INET);
    if (!v4.empty()) {
        const auto* table = reinterpret_cast<const MIB_TCPTABLE_OWNER_PID*>(v4.data());
        for (DWORD i = 0; i < table->dwNumEntries && !pid; ++i) {
            const MIB_TCPROW_OWNER_PID& row = table->table[i];
            if (ipv4_endpoint(ntohl(row.dwLocalAddr), port_of(row.dwLocalPort)) == client &&
                ipv4_endpoint(ntohl(row.dwRemoteAddr), port_of(row.dwRemotePort)) == server)
                pid = row.dwOwningPid;
        }
    }
    const std::vector<char> v6 = pid ? std::vector<char>() : tcp_table(AF_INET6);
    if (!v6.empty()) {
        const auto* table = reinterpret_cast<const MIB_TCP6TABLE_OWNER_PID*>(v6.data());
        for (DWORD i = 0; i < table->dwNumEntries && !pid; ++i) {
            const MIB_TCP6ROW_OWNER_PID& row = table->table[i];
            if (ipv6_endpoint(row.ucLocalAddr, port_of(row.dwLocalPort)) == client &&
                ipv6_endpoint(row.ucRemoteAddr, port_of(row.dwRemotePort)) == server)
                pid = row.dwOwningPid;
        }
    }
    return pid || !v4.empty() || !v6.empty();
}

// The user of a process's token; empty when it cannot be had.
std::vector<BYTE> token_user(HANDLE process) {
    HANDLE token = nullptr;
    if (!OpenProcessToken(process, TOKEN_QUERY, &token)) return {};
    DWORD size = 0;
    GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    std::vector<BYTE> user(size);
    if (size == 0 || !GetTokenInformation(token, TokenUser, user.data(), size, &size)) user.clear();
    CloseHandle(token);
    return user;
}

} // namespace

// Under Wine every program, Wine's or not, is a Linux process: the Linux tables, through the
// drive Wine gives the root folder, name their users. None when they cannot be read.
std::optional<PeerOwner> owner_under_wine(const Endpoint& client, const Endpoint& server) {
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    if (!ntdll || !GetProcAddress(ntdll, "wine_get_version")) return std::nullopt;
    std::string status;
    if (!read_text("Z:\\proc\\self\\status", status)) return std::nullopt;
    // "Uid:\t<real>\t<effective>\t..."
    const std::size_t at = status.find("\nUid:");
    if (at == std::string::npos) return std::nullopt;
    const std::vector<std::string_view> ids = words(std::string_view(status).substr(at + 5, 64));
    unsigned long long uid = 0;
    if (ids.size() < 2 || !dec_number(ids[1], uid)) return std::nullopt;
    return owner_from_tables("Z:\\proc\\net\\tcp", "Z:\\proc\\net\\tcp6", client, server,
                             static_cast<unsigned long>(uid));
}

PeerOwner peer_owner(const Endpoint& client, const Endpoint& server) {
    if (auto owner = owner_under_wine(client, server)) return *owner;
    std::optional<DWORD> pid;
    if (!owning_process(client, server, pid))
        return {PeerOwner::unknown, "无法读取系统的 TCP 连接表"};
    if (!pid) return owner_by_uid(std::nullopt, 0);
    if (*pid == 0) return {PeerOwner::unknown, "它没有所属的进程（连接已关闭？）"};
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, *pid);
    if (!process) return {PeerOwner::unknown, "无法打开它的进程 " + std::to_string(*pid)};
    const std::vector<BYTE> theirs = token_user(process);
    CloseHandle(process);
    const std::vector<BYTE> ours = token_user(GetCurrentProcess());
    if (theirs.empty() || ours.empty())
        return {PeerOwner::unknown, "无法读取进程 " + std::to_string(*pid) + " 的用户"};
    const bool same = EqualSid(reinterpret_cast<const TOKEN_USER*>(theirs.data())->User.Sid,
                               reinterpret_cast<const TOKEN_USER*>(ours.data())->User.Sid);
    return {same ? PeerOwner::same_user : PeerOwner::other_user, {}};
}

#else

PeerOwner peer_owner(const Endpoint&, const Endpoint&) {
    return {PeerOwner::unknown, "本系统不提供连接的所属用户"};
}

#endif

} // namespace qlm::remote
