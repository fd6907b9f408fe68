// The command table and what the commands share: the console shell and the
// number parsers. Kept apart from main so that the commands can also be run
// in-process (the fuzz targets do).
#include <charconv>
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

BoxAnswer ConsoleShell::messageBox(const std::string& text, const std::string& caption, BoxButtons buttons, BoxOwner) {
    ++boxesShown;
    if (text.rfind(caption, 0) != 0) std::cerr << caption << ": ";
    std::cerr << text << (detail.empty() ? "" : ": " + detail) << "\n";
    detail.clear();
    return buttons == BoxButtons::YesNo ? BoxAnswer::No : BoxAnswer::Ok;
}

void ConsoleShell::sheetNotDecoded(const std::string& path, const std::string& why) {
    ++boxesShown;
    std::cerr << "Error: could not decode " << path << ": " << why << "\n";
}

bool parseNumber(const std::string& text, uint32_t max, uint32_t& value) {
    const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    const char* first = text.data() + (hex ? 2 : 0);
    const char* last = text.data() + text.size();
    uint32_t v = 0;
    const auto [end, error] = std::from_chars(first, last, v, hex ? 16 : 10);
    if (first == last || error != std::errc{} || end != last || v > max) return false;
    value = v;
    return true;
}

bool parseLevelNumber(const std::string& text, uint32_t& level) {
    if (parseNumber(text, kLevelCount - 1, level)) return true;
    std::cerr << "Error: the level must be a number from 0 to 55, not \"" << text << "\"\n";
    return false;
}

}  // namespace vurk::tool
