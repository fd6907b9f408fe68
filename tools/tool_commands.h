// The command table of vurk-tool. Each command lives in a source file of its
// own and registers itself here.
#pragma once

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "level/level_state.h"
#include "platform/bitmap.h"
#include "platform/shell.h"
#include "view/editor_state.h"

namespace vurk::tool {

struct Command {
    const char* name;
    const char* usage;  // arguments, as shown in the help
    int (*run)(const std::vector<std::string>& args);
};

bool registerCommand(const Command& command);
const std::vector<Command>& commands();

// Shows the editor's boxes as lines on standard error ("Error: text", or the
// text alone when it names the error already, then ": detail" when there is
// one); questions are answered No.
class ConsoleShell : public Shell {
public:
    BoxAnswer messageBox(const std::string& text, const std::string& caption, BoxButtons buttons,
                         BoxOwner owner) override;
    // Printed as an error line and counted as a box.
    void sheetNotDecoded(const std::string& path, const std::string& why) override;
    int boxesShown = 0;
    std::string detail;  // why, added after the next box's text
};

// The editor's settings file; the tool reads only its [backups] section.
inline constexpr const char* kToolSettingsFile = ".\\vurk.ini";

// Opens "vurk.smc" as the editor does, with the restore points kept as vurk.ini
// says; prints the editor's text on failure. Commands that only read open it
// for reading, unlocked; those that write refuse a read-only image at once.
bool openImage(LevelState& s, ImageFile::Access access);

// Reads an image or side file whole for comparing, without locking it; files
// larger than any image the editor opens are refused unread.
inline bool readImageBytes(const std::string& name, std::vector<uint8_t>& out) {
    return readWholeFile(name, out, ImageFile::kMaxSize) == ReadResult::Ok;
}

// The differences of the loaded level between two states, one line each
// (header fields, cells with old and new values, objects added, removed, moved
// or changed, the bonus list); none when the level is the same. Changed cells
// are added to `cells` when given.
std::vector<std::string> levelDifferences(const LevelState& a, const LevelState& b,
                                          std::vector<std::pair<uint32_t, uint32_t>>* cells = nullptr);

// Loads `level` from both states' images and compares it: a level refused by
// one side only, or for other reasons, differs too. Returns true when the
// same; `out` holds the lines of the differences.
bool compareLevel(LevelState& a, LevelState& b, uint32_t level, std::vector<std::string>& out,
                  std::vector<std::pair<uint32_t, uint32_t>>* cells = nullptr, const std::string& nameA = "A",
                  const std::string& nameB = "B");

// Draws the loaded level as the map view shows it and writes the picture as
// a PNG file band by band, after `overlay` has drawn on each band (given the
// level y of its top row), so memory stays bounded for any level. False, with
// the error printed and nothing written, when it could not be written.
bool writeLevelPng(EditorState& s, const std::string& path,
                   const std::function<void(Bitmap& band, int32_t top)>& overlay = {});

// Parses a decimal or 0x-prefixed hexadecimal number from 0 to `max`: no sign,
// no spaces, and a leading 0 is no octal. Returns false, printing nothing,
// otherwise.
bool parseNumber(const std::string& text, uint32_t max, uint32_t& value);

// Parses a level number 0 to 55; prints a message and returns false otherwise.
bool parseLevelNumber(const std::string& text, uint32_t& level);

// Loads the level that `args` (one level number) names from "vurk.smc", opened
// as openImage opens it; prints why not and returns false otherwise.
bool openLevel(LevelState& s, const std::vector<std::string>& args, ImageFile::Access access);

}  // namespace vurk::tool
