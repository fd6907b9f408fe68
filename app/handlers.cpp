#include "app/handlers.h"

#include <algorithm>
#include <cstdio>

#include "app/settings.h"
#include "view/edit_history.h"
#include "view/level_loader.h"
#include "view/map_canvas.h"
#include "view/objects.h"
#include "view/tile_edit.h"
#include "view/tile_picker.h"
#include "view/tile_tools.h"

namespace vurk {

namespace {

constexpr const char* kNotDoneText = "Needs to be imlemented";
constexpr const char* kNotDoneCaption = "Not Done Yet";

// Commands that read or write level data are refused while there is none.
bool needLevel(EditorState& s, Shell& shell) {
    if (s.levelLoaded) return true;
    shell.messageBox(kNoLevelText, kErrorCaption);
    return false;
}

// Number of objects in the current mode's list; 0 in BG mode.
int32_t currentListSize(const EditorState& s) {
    switch (s.editMode) {
    case kModeItem:
        return static_cast<int32_t>(s.items.size());
    case kModeVictim:
        return static_cast<int32_t>(s.victims.size());
    case kModeMonster:
        return static_cast<int32_t>(s.monsterList == kOtmList ? s.otm.size() : s.rsm.size());
    default:
        return 0;
    }
}

bool selectedInCurrentList(const EditorState& s) {
    return s.selectedObject >= 0 && s.selectedObject < currentListSize(s);
}

// The object of the current list that a click at the level point takes hold
// of, or -1.
int32_t grabAt(EditorState& s, uint16_t x, uint16_t y) {
    int32_t hit = -1;
    switch (s.editMode) {
    case kModeItem:
        hit = hitTestItem(s, x, y);
        break;
    case kModeVictim:
        hit = hitTestVictim(s, x, y);
        break;
    case kModeMonster:
        hit = hitTestMonster(s, x, y);
        break;
    default:
        break;
    }
    if (hit >= 0) s.objectGrabbed = 1;
    return hit;
}

// Moves the grabbed object to the level point.
void moveGrabbed(EditorState& s, int32_t x, int32_t y) {
    switch (s.editMode) {
    case kModeItem:
        moveItem(s, s.selectedObject, x, y);
        break;
    case kModeVictim:
        moveVictim(s, s.selectedObject, x, y);
        break;
    case kModeMonster:
        moveMonster(s, s.selectedObject, x, y);
        break;
    default:
        break;
    }
}

// The tile step of a keypad key or of the main keyboard's + and - (which,
// with Ctrl, zoom instead), or 0 for any other key.
int8_t keypadTileStep(int key, bool ctrl) {
    switch (key) {
    case kKeyPadAdd:
        return 1;
    case kKeyPadSubtract:
        return -1;
    case kKeyPlus:
        return ctrl ? 0 : 1;
    case kKeyMinus:
        return ctrl ? 0 : -1;
    case kKeyPadMultiply:
        return 16;
    case kKeyPadDivide:
        return -16;
    default:
        return 0;
    }
}

int32_t mapPixelsX(const EditorState& s) { return static_cast<int32_t>(s.mapWidth) * 64; }
int32_t mapPixelsY(const EditorState& s) { return static_cast<int32_t>(s.mapHeight) * 64; }

void openDialog(EditorState& s, Shell& shell, DialogId id, BoxOwner owner = BoxOwner::MainWindow,
                int32_t param = 0) {
    if (!needLevel(s, shell)) return;
    shell.openDialog(id, owner, param);
}

// Ends a drag, which becomes one step, a selection being dragged and the ring
// of a found object: used by a mode change, so that neither outlives its list
// or mode, and before undo and redo.
void dropGrab(EditorState& s, Shell& shell) {
    endObjectDrag(s);
    s.tiles.marking = false;
    if (s.tiles.selecting) {
        s.tiles.selecting = false;
        shell.killTimer(kAutoScrollTimer);
    }
    if (!s.objectGrabbed) return;
    shell.killTimer(kAutoScrollTimer);
    s.objectGrabbed = 0;
    s.selectedObject = -1;
}

}  // namespace

const char* modeTitle(const EditorState& s) {
    switch (s.editMode) {
    case kModeItem:
        return "VURK-Edit - Item edit mode";
    case kModeVictim:
        return "VURK-Edit - Victim edit mode";
    case kModeMonster:
        return s.monsterList == kOtmList ? "VURK-Edit - Monster edit mode 1" : "VURK-Edit - Monster edit mode 2";
    default:
        return "VURK-Edit - BG edit mode";
    }
}

void enterMode(EditorState& s, Shell& shell, int32_t mode) {
    if (s.editMode == mode) {
        if (mode == kModeItem && s.levelLoaded) {
            s.itemFlash = true;
            presentMap(s, shell);
            shell.startTimer(kHighlightTimer, 500);
        }
        return;
    }
    dropGrab(s, shell);
    // The flash belongs to Item mode and ends with it; so does a stamp being
    // placed to BG mode, which a click elsewhere must not write.
    s.itemFlash = false;
    s.tiles.placing = false;
    s.editMode = mode;
    presentMap(s, shell);
    shell.setMainTitle(modeTitle(s));
}

void showModeAndList(EditorState& s, Shell& shell, int32_t mode, int32_t list) {
    if (s.editMode != mode) enterMode(s, shell, mode);
    if (mode != kModeMonster || s.monsterList == list) return;
    dropGrab(s, shell);
    s.monsterList = list;
    shell.setMainTitle(modeTitle(s));
    presentMap(s, shell);
}

void onHighlightTimer(EditorState& s, Shell& shell) {
    s.itemFlash = false;
    presentMap(s, shell);
    shell.killTimer(kHighlightTimer);
}

bool savePrompt(EditorState& s, Shell& shell) {
    if (!needLevel(s, shell)) return false;
    if (shell.messageBox("Save Map?", "Are you sure?", BoxButtons::YesNo) != BoxAnswer::Yes) return true;
    return saveLevel(s, shell);
}

// With its option the level change asks "Save Map?", modified or not: the
// user asked for that question and answers it. Without it, unsaved changes
// are not dropped without "Save changes to level N?". A save that fails
// keeps the level.
void changeLevel(EditorState& s, Shell& shell) {
    if (!needLevel(s, shell)) return;
    const bool goOn = (s.options & kOptPromptSaveOnLevelChange) ? savePrompt(s, shell) : askToSaveChanges(s, shell);
    if (goOn) shell.openDialog(DialogId::ChangeLevel, BoxOwner::MainWindow, 0);
}

bool onCloseRequest(EditorState& s, Shell& shell) {
    endObjectDrag(s);
    return askToSaveChanges(s, shell);
}

void undoCommand(EditorState& s, Shell& shell) {
    dropGrab(s, shell);
    undoEdit(s, shell);
}

void redoCommand(EditorState& s, Shell& shell) {
    dropGrab(s, shell);
    redoEdit(s, shell);
}

void homeView(EditorState& s, Shell& shell) {
    if (!s.levelLoaded) return;
    const VictimRecord& start = s.victims[kStart1Record];
    scrollViewTo(s, shell, uint16_t{start.x} - (s.clientW >> 1), uint16_t{start.y} - (s.clientH >> 1));
    presentMap(s, shell);
}

void showDebugBox(EditorState& s, Shell& shell) {
    if (!needLevel(s, shell)) return;
    char text[512];
    std::snprintf(text, sizeof text,
                  "level offset:\t%x\notm count:\t%zu\nrsm count:\t%zu\nitem count:\t%zu\nsize x (tiles):\t%u\n"
                  "size y (tiles):\t%u\nmap size (bytes):\t%u",
                  s.regions.header, s.otm.size(), s.rsm.size(), s.items.size(), unsigned{s.header.width},
                  unsigned{s.header.height}, s.mapSize);
    shell.messageBox(text, "debug", BoxButtons::Ok, BoxOwner::None);
}

void onCommand(EditorState& s, Shell& shell, int id) {
    switch (id) {
    case kCmdOpenRom:
    case kCmdContents:
        shell.messageBox(kNotDoneText, kNotDoneCaption);
        break;
    case kCmdSave:
        savePrompt(s, shell);
        break;
    case kCmdExit:
        if (onCloseRequest(s, shell)) shell.destroyMainWindow();
        break;
    case kCmdBgEdit:
        enterMode(s, shell, kModeBg);
        break;
    case kCmdItemEdit:
        enterMode(s, shell, kModeItem);
        break;
    case kCmdVictimEdit:
        enterMode(s, shell, kModeVictim);
        break;
    case kCmdMonsterEdit:
        enterMode(s, shell, kModeMonster);
        break;
    case kCmdChangeLevel:
        changeLevel(s, shell);
        break;
    case kCmdMiscData:
        openDialog(s, shell, DialogId::MiscData);
        break;
    case kCmdBonusEditor:
        openDialog(s, shell, DialogId::Bonus);
        break;
    case kCmdOptions:
        shell.openDialog(DialogId::Options, BoxOwner::MainWindow, 0);
        break;
    case kCmdAbout:
        shell.openDialog(DialogId::About, BoxOwner::MainWindow, 0);
        break;
    case kCmdUndo:
        undoCommand(s, shell);
        break;
    case kCmdRedo:
        redoCommand(s, shell);
        break;
    default:
        onTileCommand(s, shell, id);
        break;
    }
}

void onKeyDown(EditorState& s, Shell& shell, int key) {
    if (s.editMode != kModeBg || !s.levelLoaded) return;
    if (int8_t step = keypadTileStep(key, shell.ctrlHeld())) adjustSelectedTile(s, shell, step, TileTarget::Map);
    if (key >= kKeyLeft && key <= kKeyDown) {
        moveCursor(s, shell, key == kKeyLeft ? -1 : key == kKeyRight ? 1 : 0,
                   key == kKeyUp ? -1 : key == kKeyDown ? 1 : 0);
    }
}

void onKeyUp(EditorState& s, Shell& shell, int key) {
    if (onTileToolKeyUp(s, shell, key)) return;
    const bool bg = s.editMode == kModeBg;
    switch (key) {
    case kKeyE:
        if (bg) openDialog(s, shell, DialogId::EditTileValue);
        break;
    case kKeyP:
        if (bg && needLevel(s, shell)) pasteTileFromClipboard(s, shell, TileTarget::Map, shell.ctrlHeld());
        break;
    case kKeyC:
        if (!bg) break;
        if (shell.ctrlHeld()) {
            shell.openDialog(DialogId::ClipboardViewer, BoxOwner::MainWindow, 0);
        } else if (needLevel(s, shell)) {
            copyTileToClipboard(s, TileTarget::Map);
        }
        break;
    case kKeyF1:
        savePrompt(s, shell);
        break;
    case kKeyF2:
        changeLevel(s, shell);
        break;
    case kKeyF3:
        openDialog(s, shell, DialogId::MiscData);
        break;
    case kKeyF4:
        openDialog(s, shell, DialogId::Bonus);
        break;
    case kKeyF5:
        shell.showScratchPad();
        break;
    case kKeyF8:
        shell.openDialog(DialogId::Options, BoxOwner::MainWindow, 0);
        break;
    case kKeyS:
        if (shell.ctrlHeld() && needLevel(s, shell)) writeVmap(s, shell);
        break;
    case kKeyL:
        if (shell.ctrlHeld() && needLevel(s, shell) && askToSaveChanges(s, shell)) readVmap(s, shell);
        break;
    case kKeyZ:
        if (!shell.ctrlHeld()) break;
        if (shell.shiftHeld()) redoCommand(s, shell);
        else undoCommand(s, shell);
        break;
    case kKeyY:
        if (shell.ctrlHeld()) redoCommand(s, shell);
        break;
    case kKeyF12:
        showDebugBox(s, shell);
        break;
    case kKeyI:
        enterMode(s, shell, kModeItem);
        break;
    case kKeyV:
        enterMode(s, shell, kModeVictim);
        break;
    case kKeyM:
        enterMode(s, shell, kModeMonster);
        break;
    case kKeyB:
        enterMode(s, shell, kModeBg);
        break;
    case kKey1:
    case kKey2:
        if (s.editMode == kModeMonster) showModeAndList(s, shell, kModeMonster, key == kKey1 ? kOtmList : kRsmList);
        break;
    case kKeyHome:
        homeView(s, shell);
        break;
    default:
        break;
    }
}

void onSize(EditorState& s, Shell& shell, uint16_t width, uint16_t height) {
    s.clientW = width;
    s.clientH = height;
    // Keep the origin inside the new scroll range, so that the view never shows
    // pixels from beyond the canvas.
    s.viewX = clampViewOrigin(s.viewX, mapPixelsX(s), s.clientW);
    s.viewY = clampViewOrigin(s.viewY, mapPixelsY(s), s.clientH);
    s.vScrollMax = mapPixelsY(s) - s.clientH;
    s.hScrollMax = mapPixelsX(s) - s.clientW;
    shell.setScrollBar(ScrollBar::Vertical, s.vScrollMax, s.viewY);
    shell.setScrollBar(ScrollBar::Horizontal, s.hScrollMax, s.viewX);
}

void onLeftButtonDown(EditorState& s, Shell& shell, uint16_t cx, uint16_t cy, uint32_t flags) {
    if (!s.levelLoaded) return;
    const int32_t x = cx + s.viewX;
    const int32_t y = cy + s.viewY;
    const auto lx = static_cast<uint16_t>(x);
    const auto ly = static_cast<uint16_t>(y);
    s.tiles.marking = false;
    if (s.editMode == kModeBg) {
        if (s.tiles.placing) {
            moveStamp(s, shell, x, y);
            placeStamp(s, shell);
            return;
        }
        if (x >= 0 && y >= 0 && (x & ~63) < mapPixelsX(s) && (y & ~63) < mapPixelsY(s)) {
            selectCell(s, shell, x, y);
            if (flags & kMkShift) beginSelection(s, shell, x, y);
        }
    } else {
        s.selectedObject = grabAt(s, lx, ly);
        beginObjectDrag(s);
        presentMap(s, shell);  // circles are hidden while something is held
    }
    if ((flags & kMkControl) && s.editMode == kModeMonster && s.monsterList == kOtmList) {
        s.selectedObject = grabAt(s, lx, ly);
        beginObjectDrag(s);
        if (s.selectedObject >= 0) {
            const OtmRecord& o = s.otm[static_cast<size_t>(s.selectedObject)];
            char text[512] = {};
            std::snprintf(text, sizeof text, "pos: %hu, %hu\ndata: %x\nnumber: %hu\ncode: %x", uint16_t{o.x},
                          uint16_t{o.y}, unsigned{o.data}, uint16_t{o.number}, uint32_t{o.code});
            shell.messageBox(text, "Object Info");
        }
    }
}

void onMouseMove(EditorState& s, Shell& shell, uint16_t cx, uint16_t cy, uint32_t flags) {
    if (s.editMode == kModeBg && s.levelLoaded) {
        moveStamp(s, shell, cx + s.viewX, cy + s.viewY);
        if (flags & kMkLButton) {
            extendSelection(s, shell, cx + s.viewX, cy + s.viewY);
            // A selection dragged to the window's edge scrolls the view on.
            if (s.tiles.selecting && !shell.scrollLockOn()) shell.startTimer(kAutoScrollTimer, 1);
        }
    }
    if (flags != kMkLButton || !s.levelLoaded) return;
    if (s.editMode != kModeBg && s.objectGrabbed && selectedInCurrentList(s)) {
        moveGrabbed(s, static_cast<uint16_t>(cx + s.viewX), static_cast<uint16_t>(cy + s.viewY));
        presentMap(s, shell);
    }
    if (s.objectGrabbed && !shell.scrollLockOn()) shell.startTimer(kAutoScrollTimer, 1);
}

void onLeftButtonUp(EditorState& s, Shell& shell) {
    endSelection(s);
    shell.killTimer(kAutoScrollTimer);
    if (s.editMode == kModeBg) return;
    endObjectDrag(s);
    s.objectGrabbed = 0;
    s.selectedObject = -1;
    presentMap(s, shell);
}

void onRightButtonDown(EditorState& s, Shell& shell, uint16_t cx, uint16_t cy) {
    if (s.editMode == kModeBg || !s.levelLoaded) return;
    endObjectDrag(s);
    const auto lx = static_cast<uint16_t>(cx + s.viewX);
    const auto ly = static_cast<uint16_t>(cy + s.viewY);
    s.selectedObject = grabAt(s, lx, ly);
    if (s.selectedObject < 0) return;
    if (s.editMode == kModeMonster) {
        s.objectGrabbed = 0;
        shell.openDialog(DialogId::MonsterEdit, BoxOwner::MainWindow, 0);
        return;
    }
    // The two player start points have no kind to choose.
    if (s.editMode == kModeVictim && s.selectedObject >= kVictimCount) {
        s.objectGrabbed = 0;
        return;
    }
    s.objectGrabbed = 0;
    shell.openDialog(DialogId::ChooseObject, BoxOwner::MainWindow, s.editMode);
    s.selectedObject = -1;
}

void onScroll(EditorState& s, Shell& shell, ScrollBar bar, int request, int32_t trackPos, int32_t amount) {
    const bool horizontal = bar == ScrollBar::Horizontal;
    int32_t& pos = horizontal ? s.viewX : s.viewY;
    const int32_t max = horizontal ? s.hScrollMax : s.vScrollMax;
    const bool carriesAmount = s.scrollAmountFlag != 0;
    int32_t d = 0;
    switch (request) {
    case kScrollLineUp:
        d = carriesAmount ? amount : -16;
        break;
    case kScrollLineDown:
        d = carriesAmount ? amount : 16;
        break;
    case kScrollPageUp:
        d = -8;
        break;
    case kScrollPageDown:
        d = 8;
        break;
    case kScrollThumbTrack:
        d = static_cast<uint16_t>(trackPos) - pos;
        break;
    default:
        break;
    }
    const int32_t next = std::max(0, std::min(pos + d, max));
    d = next - pos;
    if (d != 0) {
        pos = next;
        shell.scrollWindow(horizontal ? -d : 0, horizontal ? 0 : -d);
        shell.setScrollPos(bar, next);
    }
    if (carriesAmount && --s.pendingAmountScrolls <= 0) {
        s.pendingAmountScrolls = 0;
        s.scrollAmountFlag = 0;
    }
    presentMap(s, shell);
}

namespace {
void postAmountScroll(EditorState& s, Shell& shell, ScrollBar bar, int request, int32_t amount) {
    s.scrollAmountFlag = 1;
    ++s.pendingAmountScrolls;
    shell.postScroll(bar, request, amount);
}
}  // namespace

void onWheel(EditorState& s, Shell& shell, int16_t delta, uint32_t flags) {
    const ScrollBar bar = (flags & kMkControl) ? ScrollBar::Horizontal : ScrollBar::Vertical;
    const int request = delta <= 0 ? kScrollLineDown : kScrollLineUp;
    const int32_t notches = delta / 120;
    const int32_t amount = notches * ((flags & kMkShift) ? 32 : 16);
    postAmountScroll(s, shell, bar, request, -amount);
}

void onAutoScrollTimer(EditorState& s, Shell& shell) {
    const int32_t innerLeft = 25, innerTop = 25;
    const int32_t innerRight = s.clientW - 25, innerBottom = s.clientH - 25;
    const ClientPoint p = shell.cursorPos();
    const bool inInner = p.x >= innerLeft && p.x < innerRight && p.y >= innerTop && p.y < innerBottom;
    const bool inClient = p.x >= 0 && p.x < s.clientW && p.y >= 0 && p.y < s.clientH;
    if (inInner || !inClient) return;
    if (s.levelLoaded && s.objectGrabbed && selectedInCurrentList(s)) {
        moveGrabbed(s, static_cast<uint16_t>(s.viewX + p.x), static_cast<uint16_t>(s.viewY + p.y));
    }
    if (s.levelLoaded && s.editMode == kModeBg) extendSelection(s, shell, s.viewX + p.x, s.viewY + p.y);
    if (p.x > innerRight) postAmountScroll(s, shell, ScrollBar::Horizontal, kScrollLineDown, 4);
    else if (p.x < innerLeft) postAmountScroll(s, shell, ScrollBar::Horizontal, kScrollLineUp, -4);
    if (p.y > innerBottom) postAmountScroll(s, shell, ScrollBar::Vertical, kScrollLineDown, 4);
    else if (p.y < innerTop) postAmountScroll(s, shell, ScrollBar::Vertical, kScrollLineUp, -4);
}

// The pad holds tile indices of its own, so it works without a level too.
void onPadKeyDown(EditorState& s, Shell& shell, int key) {
    if (s.editMode != kModeBg) return;
    if (int8_t step = keypadTileStep(key, shell.ctrlHeld())) adjustSelectedTile(s, shell, step, TileTarget::Pad);
}

void onPadKeyUp(EditorState& s, Shell& shell, int key) {
    if (s.editMode != kModeBg || onPadTileToolKeyUp(s, shell, key)) return;
    switch (key) {
    case kKeyE:
        shell.openDialog(DialogId::EditTileValue, BoxOwner::ScratchPad, 0);
        break;
    case kKeyF:
        shell.openDialog(DialogId::FillValue, BoxOwner::ScratchPad, 1);
        break;
    case kKeyP:
        pasteTileFromClipboard(s, shell, TileTarget::Pad, shell.ctrlHeld());
        break;
    case kKeyC:
        if (shell.ctrlHeld()) shell.openDialog(DialogId::ClipboardViewer, BoxOwner::ScratchPad, 0);
        else copyTileToClipboard(s, TileTarget::Pad);
        break;
    default:
        break;
    }
}

void onPadLeftButtonDown(EditorState& s, Shell& shell, uint16_t cx, uint16_t cy) {
    if (s.editMode != kModeBg) return;
    const int32_t x = cx & ~63, y = cy & ~63;
    if (x >= kPadPixels || y >= kPadPixels) return;
    toggleCellMarker(s.PadSurface, s.padX, s.padY);
    s.padX = x;
    s.padY = y;
    toggleCellMarker(s.PadSurface, s.padX, s.padY);
    presentScratchPad(s, shell);
}

void onPadShown(EditorState& s) { redrawScratchPad(s); }

}  // namespace vurk
