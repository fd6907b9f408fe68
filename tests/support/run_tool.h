// Runs vurk-tool in the current directory and captures what it prints.
#pragma once

#include <string>

namespace vurk::test {

struct ToolRun {
    int status = -1;
    std::string out;
    std::string err;
};

ToolRun runTool(const std::string& args);

}  // namespace vurk::test
