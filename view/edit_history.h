// The level's edit history: every change to the level's data is one step that
// can be undone and redone, and the history knows whether the level differs
// from what was last loaded or saved.
//
// The edit operations change the level first, as they always have, and then
// record the step with the values they replaced. A step holds only the other
// side of what it changed (a cell, a record, the header, the bonus list, or
// the whole level for the steps that replace all of it); undo and redo swap it
// with the level's own.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/shell.h"
#include "view/editor_state.h"

class QUndoStack;

namespace vurk {

// The history keeps at least this many steps; older ones are dropped.
inline constexpr int kHistorySteps = 1000;

// The history's stack, for the windows to follow its changes.
QUndoStack& undoStack(EditorState& s);

// Forgets every step and calls the level as it is now unmodified.
void clearHistory(EditorState& s);
// Whether the level's data differ from what was last loaded or saved.
bool levelModified(const EditorState& s);
// The level as it is now is what the image holds.
void markLevelSaved(EditorState& s);
// "Level 2 - 40 x 30 - modified", then " - vurk.smc is read-only" when it is;
// empty without a level.
std::string statusText(const EditorState& s);

// Takes the last step back, or does the last step taken back again, and shows
// the level as a fresh draw of it shows it. The view origin and the cursor stay.
void undoEdit(EditorState& s, Shell& shell);
void redoEdit(EditorState& s, Shell& shell);

// Saves the level (writeLevel); a failure is shown with its reason. Returns
// whether the level was saved.
bool saveLevel(EditorState& s, Shell& shell, BoxOwner owner = BoxOwner::MainWindow);
// Before unsaved changes would be thrown away: when the level is modified,
// asks "Save changes to level N?" with Yes, No and Cancel. Returns whether to
// go on: Yes once the level is saved, No, or an unmodified level.
bool askToSaveChanges(EditorState& s, Shell& shell);

// Map cells: the map byte at `offset` held `before` until the edit.
void recordCellEdit(EditorState& s, size_t offset, uint8_t before);

// Many map cells at once: the map as it was until the edit.
void recordMapEdit(EditorState& s, std::vector<uint8_t> before, const char* what);

// Object records.
enum class ObjectList : int32_t { Items, Victims, Otm, Rsm };
struct ObjectRef {
    ObjectList list = ObjectList::Items;
    int32_t index = -1;
};
// A record's bytes (the largest record is 12 bytes).
using RecordBytes = std::array<uint8_t, 12>;
// The selected object of the current mode's list; index -1 when there is none.
ObjectRef selectedObjectRef(const EditorState& s);
// The record's bytes now; zeros for a record that does not exist.
RecordBytes recordBytes(const EditorState& s, ObjectRef ref);
// One step when the record differs from `before`.
void recordObjectEdit(EditorState& s, ObjectRef ref, const RecordBytes& before, const char* what);

// A drag: the selected object's record is taken when the button goes down,
// and the whole drag becomes one step when it ends, if the object moved.
void beginObjectDrag(EditorState& s);
void endObjectDrag(EditorState& s);

// The header and the bonus list, each one step when it changed.
void recordHeaderEdit(EditorState& s, const LevelHeader& before, const char* what);
void recordBonusEdit(EditorState& s, const std::vector<uint16_t>& before);

// Everything of a level that a step can change.
struct LevelSnapshot {
    LevelHeader header{};
    std::vector<uint8_t> mapBuffer;
    std::vector<ItemRecord> items;
    VictimArray victims{};
    std::vector<OtmRecord> otm;
    std::vector<RsmRecord> rsm;
    std::vector<uint16_t> bonus;
};
LevelSnapshot takeSnapshot(const EditorState& s);
// One step when the level differs from `before` (a VMAP load, a new tileset).
void recordLevelEdit(EditorState& s, LevelSnapshot before, const char* what);
// A save made inside a step that is still to be recorded: no step of the
// history then holds what the image holds.
void forgetSavedState(EditorState& s);
// Counts successful saves; tells whether a save happened in between.
uint64_t saveCount(const EditorState& s);

}  // namespace vurk
