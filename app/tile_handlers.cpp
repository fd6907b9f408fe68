// The keys and menu entries of the tile tools. Keys work in BG mode with a
// level, like the other tile keys; a menu entry enters BG mode first.
#include "app/handlers.h"
#include "view/tile_tools.h"

namespace vurk {

namespace {

void runTileTool(EditorState& s, Shell& shell, int id) {
    switch (id) {
    case kCmdSelectAll:
        selectAllCells(s, shell);
        break;
    case kCmdCopyStamp:
        copyStamp(s);
        break;
    case kCmdPasteStamp:
        beginStampPlacing(s, shell);
        break;
    case kCmdFillSelection:
        fillSelection(s, shell);
        break;
    case kCmdFloodFill:
        floodFillAtCursor(s, shell);
        break;
    case kCmdStampPad:
        stampScratchPad(s, shell);
        break;
    case kCmdCancelTool:
        cancelTileTool(s, shell);
        break;
    default:
        break;
    }
}

// The tool a key runs in BG mode; 0 for none. Shift changes no key: Ctrl+C,
// Ctrl+V and their Shift chords stay the editor's own keys.
int tileToolOfKey(Shell& shell, int key) {
    const bool ctrl = shell.ctrlHeld();
    switch (key) {
    case kKeyD:
        return ctrl ? kCmdCopyStamp : 0;
    case kKeyT:
        return ctrl ? kCmdPasteStamp : 0;
    case kKeyA:
        return ctrl ? kCmdSelectAll : 0;
    case kKeyF:
        return ctrl ? 0 : kCmdFillSelection;
    case kKeyR:
        return ctrl ? 0 : kCmdFloodFill;
    case kKeyEscape:
        return kCmdCancelTool;
    default:
        return 0;
    }
}

}  // namespace

bool onTileToolKeyUp(EditorState& s, Shell& shell, int key) {
    if (key == kKeyF && shell.ctrlHeld()) {
        onTileCommand(s, shell, kCmdFindReplace);
        return true;
    }
    if (s.editMode != kModeBg) return false;
    if (key == kKeyReturn) {
        placeStamp(s, shell);
        return true;
    }
    const int id = tileToolOfKey(shell, key);
    if (id == 0) return false;
    if (s.levelLoaded) runTileTool(s, shell, id);
    return true;
}

void onTileCommand(EditorState& s, Shell& shell, int id) {
    if (id < kCmdSelectAll || id > kCmdCancelTool) return;
    if (!s.levelLoaded) {
        shell.messageBox(kNoLevelText, kErrorCaption);
        return;
    }
    if (id == kCmdFindReplace) {
        shell.openDialog(DialogId::FindReplace, BoxOwner::MainWindow, 0);
        return;
    }
    enterMode(s, shell, kModeBg);
    runTileTool(s, shell, id);
}

bool onPadTileToolKeyUp(EditorState& s, Shell& shell, int key) {
    if (key != kKeyS || shell.ctrlHeld()) return false;
    stampScratchPad(s, shell);
    return true;
}

}  // namespace vurk
