// The man pages against the programs: every option and exit status that a program's help
// names is in its man page, and the man page names no other.

#include "cli/cli.h"
#include "ui/program_start.h"

#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <string>

namespace {

using Names = std::set<std::string>;

std::string read(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    EXPECT_TRUE(file) << path;
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

// Every "--name" in a text; roff's "\-" read as "-".
Names options_in(std::string text) {
    text = std::regex_replace(text, std::regex(R"(\\-)"), "-");
    Names names;
    const std::regex option("--[a-z][a-z-]*");
    for (std::sregex_iterator it(text.begin(), text.end(), option), end; it != end; ++it)
        names.insert(it->str());
    return names;
}

// The statuses in the lines after `heading` that match `line` (its first group), up to the
// next empty line or section.
Names statuses_in(const std::string& text, const std::string& heading, const std::string& line) {
    Names statuses;
    const std::size_t at = text.find(heading + "\n");
    if (at == std::string::npos) return statuses;
    std::istringstream lines(text.substr(at + heading.size() + 1));
    const std::regex pattern(line);
    std::smatch match;
    for (std::string each;
         std::getline(lines, each) && !each.empty() && !each.starts_with(".SH");) {
        if (std::regex_match(each, match, pattern)) statuses.insert(match[1]);
    }
    return statuses;
}

// The window's help: its option table until it prints a help of its own.

struct Program {
    const char* man_page;
    std::string help;
};

TEST(ManPages, NameEveryOptionAndExitStatusOfTheProgramsHelpAndNoOther) {
    const Program programs[] = {{"qlm5120rx-cli.1", qlm::cli::help_text()},
                                {"qlm5120rx.1", qlm::window_help_text()}};
    for (const Program& program : programs) {
        SCOPED_TRACE(program.man_page);
        const std::string page = read(std::string(QLM_MAN_PAGES) + "/" + program.man_page);
        EXPECT_EQ(options_in(page), options_in(program.help));
        // Help: "  6  只完成了一部分…"; man page: ".TP", ".B 6", the meaning.
        EXPECT_EQ(statuses_in(page, ".SH EXIT STATUS", R"(\.B ([0-9]+))"),
                  statuses_in(program.help, "退出状态：", "  ([0-9]+)  .*"));
    }
    // The help's statuses were found at all.
    EXPECT_FALSE(statuses_in(programs[0].help, "退出状态：", "  ([0-9]+)  .*").empty());
}

} // namespace
