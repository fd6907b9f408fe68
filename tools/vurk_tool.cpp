// vurk-tool: the editor's level and picture operations from the command line,
// working in the current directory exactly as the editor does.
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

#include "platform/image_file.h"
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

// Fault injection for the tests, from VURK_TEST_IO_FAULT: "stop:K" ends the
// process half-way through the K-th write step of a save (as a kill would),
// "fail:K" makes that step fail, "fail:read" makes reading the image fail.
void installTestFault() {
    const char* fault = std::getenv("VURK_TEST_IO_FAULT");
    if (!fault) return;
    const std::string s = fault;
    const bool stop = s.rfind("stop:", 0) == 0;
    if (!stop && s.rfind("fail:", 0) != 0) return;
    const std::string at = s.substr(5);
    const long k = at == "read" ? 0 : std::atol(at.c_str());
    setImageFaultHook([stop, k, count = 0L](ImageStep step) mutable {
        if (step == ImageStep::Read) return ImageFault{k == 0 ? EIO : 0};
        if (++count != k) return ImageFault{};
        return stop ? ImageFault{0, true} : ImageFault{EIO};
    });
}

void printUsage(std::ostream& out) {
    out << "usage:\n";
    for (const Command& c : commands()) out << "  vurk-tool " << c.name << " " << c.usage << "\n";
    out << "  vurk-tool --help | -h | --version\n";
}

}  // namespace vurk::tool

int main(int argc, char** argv) {
    using namespace vurk::tool;
    std::vector<std::string> args(argv + 1, argv + argc);
    installTestFault();
    if (!args.empty() && (args[0] == "--help" || args[0] == "-h" || args[0] == "--version")) {
        if (args[0] == "--version") {
            std::cout << "vurk-tool " << VURK_VERSION << "\n";
        } else {
            printUsage(std::cout);
        }
        return 0;
    }
    if (!args.empty()) {
        for (const Command& c : commands()) {
            if (args[0] == c.name) return c.run({args.begin() + 1, args.end()});
        }
    }
    printUsage(std::cerr);
    return 1;
}
