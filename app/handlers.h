// The behaviour of the main window and of the scratch pad window: commands,
// keys, mouse, scrolling and timers, as plain code over the editor state. The
// windows turn toolkit events into these calls; tests call them directly.
#pragma once

#include <cstdint>

#include "platform/shell.h"
#include "view/editor_state.h"

namespace vurk {

// Menu command ids.
enum Command : int {
    kCmdOpenRom = 40001,
    kCmdSave = 40002,
    kCmdExit = 40003,
    kCmdBgEdit = 40004,
    kCmdItemEdit = 40005,
    kCmdVictimEdit = 40006,
    kCmdMonsterEdit = 40007,
    kCmdContents = 40008,
    kCmdChangeLevel = 40010,
    kCmdMiscData = 40011,
    kCmdBonusEditor = 40012,
    kCmdOptions = 40013,
    kCmdAbout = 40014,
    kCmdUndo = 40015,
    kCmdRedo = 40016,
    // The Tiles menu.
    kCmdSelectAll = 40030,
    kCmdCopyStamp = 40031,
    kCmdPasteStamp = 40032,
    kCmdFillSelection = 40033,
    kCmdFloodFill = 40034,
    kCmdStampPad = 40035,
    kCmdFindReplace = 40036,
    kCmdCancelTool = 40037,
};

// Key codes the windows react to (the platform's virtual-key codes).
enum Key : int {
    kKeyReturn = 0x0D,
    kKeyEscape = 0x1B,
    kKeyHome = 0x24,
    kKeyLeft = 0x25,
    kKeyUp = 0x26,
    kKeyRight = 0x27,
    kKeyDown = 0x28,
    kKey1 = 0x31,
    kKey2 = 0x32,
    kKeyA = 0x41,
    kKeyB = 0x42,
    kKeyC = 0x43,
    kKeyD = 0x44,
    kKeyE = 0x45,
    kKeyF = 0x46,
    kKeyI = 0x49,
    kKeyL = 0x4C,
    kKeyM = 0x4D,
    kKeyP = 0x50,
    kKeyR = 0x52,
    kKeyS = 0x53,
    kKeyT = 0x54,
    kKeyV = 0x56,
    kKeyY = 0x59,
    kKeyZ = 0x5A,
    kKeyPadMultiply = 0x6A,
    kKeyPadAdd = 0x6B,
    kKeyPadSubtract = 0x6D,
    kKeyPadDivide = 0x6F,
    kKeyF1 = 0x70,
    kKeyF2 = 0x71,
    kKeyF3 = 0x72,
    kKeyF4 = 0x73,
    kKeyF5 = 0x74,
    kKeyF8 = 0x77,
    kKeyF12 = 0x7B,
    kKeyPlus = 0xBB,   // the main keyboard's =/+ key
    kKeyMinus = 0xBD,  // the main keyboard's -/_ key
};

// Mouse message flags.
inline constexpr uint32_t kMkLButton = 0x0001;
inline constexpr uint32_t kMkRButton = 0x0002;
inline constexpr uint32_t kMkShift = 0x0004;
inline constexpr uint32_t kMkControl = 0x0008;
inline constexpr uint32_t kMkMButton = 0x0010;

// Scroll requests.
enum ScrollRequest : int {
    kScrollLineUp = 0,
    kScrollLineDown = 1,
    kScrollPageUp = 2,
    kScrollPageDown = 3,
    kScrollThumbPosition = 4,
    kScrollThumbTrack = 5,
    kScrollEnd = 8,
};

inline constexpr int kAutoScrollTimer = 100;
inline constexpr int kHighlightTimer = 101;

inline constexpr const char* kNoLevelText = "No level is loaded: vurk.smc could not be opened.";

const char* modeTitle(const EditorState& s);

// Main window.
void enterMode(EditorState& s, Shell& shell, int32_t mode);
void onCommand(EditorState& s, Shell& shell, int id);
void onKeyDown(EditorState& s, Shell& shell, int key);
void onKeyUp(EditorState& s, Shell& shell, int key);
void onSize(EditorState& s, Shell& shell, uint16_t width, uint16_t height);
void onLeftButtonDown(EditorState& s, Shell& shell, uint16_t x, uint16_t y, uint32_t flags);
void onMouseMove(EditorState& s, Shell& shell, uint16_t x, uint16_t y, uint32_t flags);
void onLeftButtonUp(EditorState& s, Shell& shell);
void onRightButtonDown(EditorState& s, Shell& shell, uint16_t x, uint16_t y);
// A scroll request for one axis; `trackPos` is the thumb position of a track
// request, `amount` the pixels a posted line request carries.
void onScroll(EditorState& s, Shell& shell, ScrollBar bar, int request, int32_t trackPos, int32_t amount);
void onWheel(EditorState& s, Shell& shell, int16_t delta, uint32_t flags);
void onAutoScrollTimer(EditorState& s, Shell& shell);
void onHighlightTimer(EditorState& s, Shell& shell);
// "Save Map?": Yes saves. Returns false when there is no level or the save
// failed, so that nothing goes on to drop the edits.
bool savePrompt(EditorState& s, Shell& shell);
// The window is about to close (close box or Exit): returns whether it may,
// after asking to save unsaved changes.
bool onCloseRequest(EditorState& s, Shell& shell);
// Ctrl+Z, Ctrl+Y and the Edit menu. A drag under way ends first.
void undoCommand(EditorState& s, Shell& shell);
void redoCommand(EditorState& s, Shell& shell);
void changeLevel(EditorState& s, Shell& shell);
void homeView(EditorState& s, Shell& shell);
void showDebugBox(EditorState& s, Shell& shell);
// Enters the mode and, in Monster mode, selects the list; an Item mode that is
// already on does not flash.
void showModeAndList(EditorState& s, Shell& shell, int32_t mode, int32_t list);

// The tile tools (app/tile_handlers.cpp): their keys, which return whether
// they took the key, and the Tiles menu.
bool onTileToolKeyUp(EditorState& s, Shell& shell, int key);
void onTileCommand(EditorState& s, Shell& shell, int id);

// Scratch pad window.
void onPadKeyDown(EditorState& s, Shell& shell, int key);
void onPadKeyUp(EditorState& s, Shell& shell, int key);
void onPadLeftButtonDown(EditorState& s, Shell& shell, uint16_t x, uint16_t y);
void onPadShown(EditorState& s);
// S in the pad: the pad stamped into the map at the cursor.
bool onPadTileToolKeyUp(EditorState& s, Shell& shell, int key);

}  // namespace vurk
