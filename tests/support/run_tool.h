// Runs the project's programs in the current directory and captures what they print.
#pragma once

#include <string>

namespace vurk::test {

struct ToolRun {
    int status = -1;
    std::string out;
    std::string err;
};

// Runs `program` with the arguments, as a shell command line.
ToolRun runProgram(const std::string& program, const std::string& args);

// vurk-tool and the demo workspace maker of this build.
ToolRun runTool(const std::string& args);
ToolRun runDemoMaker(const std::string& args);

}  // namespace vurk::test
