#include "remote/command_table.h"

#include <cctype>

namespace qlm::remote {

namespace {

using A = Action;
// clang-format off
constexpr std::array<CommandEntry, 27> kCommands{{
    {"*IDN",                A::idn,         {}, false, true,  "", "Kavronix,QLM-5120RX,0,<version>"},
    {"*RST",                A::rst,         {}, true,  false, "", ""},
    {"*CLS",                A::cls,         {}, true,  false, "", ""},
    {"*ESR",                A::esr,         {}, false, true,  "", "<0-255>"},
    {"*ESE",                A::ese,         {}, true,  true,  "<0-255>", "<0-255>"},
    {"*OPC",                A::opc,         {}, true,  true,  "", "1"},
    {"*WAI",                A::wai,         {}, true,  false, "", ""},
    {"*STB",                A::stb,         {}, false, true,  "", "<0-255>"},
    {"SYSTem:ERRor[:NEXT]", A::error_next,  {}, false, true,  "", "<code>,\"<text>\""},
    {"SYSTem:ERRor:COUNt",  A::error_count, {}, false, true,  "", "<0-16>"},
    {"SYSTem:VERSion",      A::version,     {}, false, true,  "", "1999.0"},
    {"MODE",                A::field, Field::mode,     true, true, "", "SING|DUAL"},
    {"GAIN[:LEVel]",        A::field, Field::gain,     true, true, "", "<dB>"},
    {"VOLTage[:LEVel]",     A::field, Field::voltage,  true, true, "", "<V>"},
    {"TRIGger[:SOURce]",    A::field, Field::trigger,  true, true, "", "INT|EXT"},
    {"PRF",                 A::field, Field::prf,      true, true, "", "<Hz>"},
    {"FILTer:LPASs",        A::field, Field::lpf,      true, true, "", "<Hz>"},
    {"FILTer:HPASs",        A::field, Field::hpf_unit, true, true, "", "1000|1E6"},
    {"PULSe:WIDTh",         A::field, Field::pw,       true, true, "", "<s>"},
    {"DAMPing",             A::field, Field::damping,  true, true, "", "<ohm>"},
    {"PROBe:FREQuency",     A::probe_freq, {}, false, true, "", "<Hz>"},
    {"INSTrument:READ",     A::read_back,  {}, true,  false, "", ""},
    {"INSTrument:CHECk",    A::check,      {}, false, true,  "", "<n>{,<header>,<shown>,<instrument>}"},
    {"INSTrument:PRESent",  A::present,    {}, false, true,  "", "1|0"},
    {"INSTrument:RESTore",  A::restore,    {}, true,  false, "", ""},
    {"MMEMory:LOAD",        A::load,       {}, true,  false, "\"<file>.qini\"", ""},
    {"MMEMory:STORe",       A::store,      {}, true,  false, "\"<file>.qini\"", ""},
}};

constexpr std::array<RemoteField, kFieldCount> kFields{{
    {Field::mode,       "MODE",      Units::none, {"SINGle", "DUAL"},     {"SING", "DUAL"}, false},
    {Field::gain,       "GAIN",      Units::db,   {},                     {},               true},
    {Field::voltage,    "VOLT",      Units::volt, {},                     {},               true},
    {Field::trigger,    "TRIG",      Units::none, {"INTernal", "EXTernal"}, {"INT", "EXT"},  false},
    {Field::prf,        "PRF",       Units::hz,   {},                     {},               true},
    {Field::lpf,        "FILT:LPAS", Units::hz,   {},                     {},               true},
    {Field::pw,         "PULS:WIDT", Units::s,    {},                     {},               true},
    {Field::hpf_unit,   "FILT:HPAS", Units::hz,   {"1000", "1000000"},    {},               false},
    {Field::probe_freq, "PROB:FREQ", Units::hz,   {},                     {},               true},
    {Field::damping,    "DAMP",      Units::ohm,  {},                     {},               true},
}};
// clang-format on

char upper(char c) {
    return static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
}

struct Node {
    std::string short_form, long_form; // upper case
    bool optional;
};

std::vector<Node> nodes(const char* header) {
    std::vector<Node> out;
    const std::string text = header;
    std::size_t at = 0;
    while (at < text.size()) {
        bool optional = false;
        if (text[at] == '[') {
            optional = true;
            ++at;
        }
        if (text[at] == ':') ++at;
        Node node{{}, {}, optional};
        while (at < text.size() && text[at] != ':' && text[at] != '[' && text[at] != ']') {
            if (std::isupper(static_cast<unsigned char>(text[at])) || text[at] == '*')
                node.short_form += text[at];
            node.long_form += upper(text[at]);
            ++at;
        }
        if (at < text.size() && text[at] == ']') ++at;
        out.push_back(std::move(node));
    }
    return out;
}

bool matches(const std::vector<Node>& pattern, std::size_t p, const std::vector<std::string>& path,
             std::size_t at) {
    if (p == pattern.size()) return at == path.size();
    const Node& node = pattern[p];
    if (at < path.size() && (path[at] == node.short_form || path[at] == node.long_form) &&
        matches(pattern, p + 1, path, at + 1))
        return true;
    return node.optional && matches(pattern, p + 1, path, at);
}

const CommandEntry* lookup(const std::vector<std::string>& path, bool common) {
    // Each header's nodes, parsed once.
    static const auto parsed = [] {
        std::array<std::vector<Node>, kCommands.size()> out;
        for (std::size_t i = 0; i < kCommands.size(); ++i)
            out[i] = nodes(kCommands[i].header);
        return out;
    }();
    for (std::size_t i = 0; i < kCommands.size(); ++i) {
        const CommandEntry& entry = kCommands[i];
        if ((entry.header[0] == '*') != common) continue;
        if (matches(parsed[i], 0, path, 0)) return &entry;
    }
    return nullptr;
}

} // namespace

std::span<const CommandEntry> command_entries() {
    return kCommands;
}

const RemoteField& remote_field(Field field) {
    return kFields[static_cast<std::size_t>(field)];
}

bool word_matches(const char* pattern, const std::string& word) {
    std::string short_form, long_form;
    for (const char* c = pattern; *c; ++c) {
        if (std::isupper(static_cast<unsigned char>(*c)) ||
            std::isdigit(static_cast<unsigned char>(*c)))
            short_form += *c;
        long_form += upper(*c);
    }
    return word == short_form || word == long_form;
}

const CommandEntry* find_command(const Command& command, std::vector<std::string>& prefix) {
    if (command.common) return lookup(command.path, true);
    if (!command.rooted && !prefix.empty()) {
        std::vector<std::string> path = prefix;
        path.insert(path.end(), command.path.begin(), command.path.end());
        if (const CommandEntry* entry = lookup(path, false)) {
            path.pop_back();
            prefix = std::move(path);
            return entry;
        }
    }
    const CommandEntry* entry = lookup(command.path, false);
    prefix.assign(command.path.begin(), command.path.end() - 1);
    return entry;
}

std::string short_header(const char* header) {
    std::string out;
    for (const Node& node : nodes(header)) {
        if (node.optional) continue;
        out += (out.empty() ? "" : ":") + node.short_form;
    }
    return out;
}

} // namespace qlm::remote
