// vurk-tool: the editor's level and picture operations from the command line,
// working in the current directory exactly as the editor does.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

#include "platform/image_file.h"
#include "tools/tool_commands.h"

namespace vurk::tool {

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
    if (args.empty()) {
        printUsage(std::cerr);
        return 1;
    }
    for (const Command& c : commands()) {
        if (args[0] == c.name) return c.run({args.begin() + 1, args.end()});
    }
    std::cerr << "unknown command: " << args[0] << "\n";
    printUsage(std::cerr);
    return 2;
}
