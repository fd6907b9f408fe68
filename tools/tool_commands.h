// The command table of vurk-tool. Each command lives in a source file of its
// own and registers itself here.
#pragma once

#include <string>
#include <vector>

#include "level/level_state.h"
#include "platform/shell.h"

namespace vurk::tool {

struct Command {
    const char* name;
    const char* usage;  // arguments, as shown in the help
    int (*run)(const std::vector<std::string>& args);
};

bool registerCommand(const Command& command);
const std::vector<Command>& commands();

// Shows the editor's boxes as lines on standard error; questions are answered No.
class ConsoleShell : public Shell {
public:
    BoxAnswer messageBox(const std::string& text, const std::string& caption, BoxButtons buttons,
                         BoxOwner owner) override;
    int boxesShown = 0;
};

// Opens "vurk.smc" as the editor does; prints the editor's text on failure.
bool openImage(LevelState& s);

// Parses a level number 0 to 55; prints a message and returns false otherwise.
bool parseLevelNumber(const std::string& text, uint32_t& level);

}  // namespace vurk::tool
