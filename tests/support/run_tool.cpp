#include "tests/support/run_tool.h"

#include <cstdio>
#include <fstream>
#include <sstream>
#include <sys/wait.h>

namespace vurk::test {

ToolRun runProgram(const std::string& program, const std::string& args) {
    ToolRun r;
    std::string cmd = program + " " + args + " 2>tool-stderr.txt";
    FILE* p = popen(cmd.c_str(), "r");
    if (!p) return r;
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0) r.out.append(buf, n);
    int status = pclose(p);
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    std::ifstream err("tool-stderr.txt");
    std::stringstream ss;
    ss << err.rdbuf();
    r.err = ss.str();
    std::remove("tool-stderr.txt");
    return r;
}

ToolRun runTool(const std::string& args) { return runProgram(VURK_TOOL_PATH, args); }
ToolRun runDemoMaker(const std::string& args) { return runProgram(VURK_DEMO_PATH, args); }

}  // namespace vurk::test
