// vurk-tool: the editor's level and picture operations from the command line,
// working in the current directory exactly as the editor does.
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

#include "tools/tool_commands.h"

namespace vurk::tool {

namespace {
std::vector<Command>& table() {
    static std::vector<Command> t;
    return t;
}
}  // namespace

bool registerCommand(const Command& command) {
    table().push_back(command);
    return true;
}

const std::vector<Command>& commands() { return table(); }

BoxAnswer ConsoleShell::messageBox(const std::string& text, const std::string& caption, BoxButtons buttons,
                                   BoxOwner) {
    ++boxesShown;
    std::cerr << caption << ": " << text << "\n";
    return buttons == BoxButtons::YesNo ? BoxAnswer::No : BoxAnswer::Ok;
}

bool parseLevelNumber(const std::string& text, uint32_t& level) {
    char* end = nullptr;
    unsigned long v = text.empty() ? 0 : std::strtoul(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || text[0] == '-' || text[0] == '+' || v > 55) {
        std::cerr << "Error: the level must be a number from 0 to 55, not \"" << text << "\"\n";
        return false;
    }
    level = static_cast<uint32_t>(v);
    return true;
}

}  // namespace vurk::tool

int main(int argc, char** argv) {
    using namespace vurk::tool;
    std::vector<std::string> args(argv + 1, argv + argc);
    if (!args.empty()) {
        for (const Command& c : commands()) {
            if (args[0] == c.name) return c.run({args.begin() + 1, args.end()});
        }
    }
    std::cerr << "usage:\n";
    for (const Command& c : commands()) std::cerr << "  vurk-tool " << c.name << " " << c.usage << "\n";
    return 1;
}
