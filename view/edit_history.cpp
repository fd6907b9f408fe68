#include "view/edit_history.h"

#include <QUndoStack>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <span>
#include <utility>

#include "view/level_loader.h"
#include "view/map_canvas.h"
#include "view/tile_edit.h"

namespace vurk {

struct EditHistory {
    EditHistory() { stack.setUndoLimit(kHistorySteps); }
    QUndoStack stack;
    uint64_t saves = 0;
    // The drag under way: the record as it was when the button went down.
    bool dragging = false;
    ObjectRef drag;
    RecordBytes dragBefore{};
};

void EditHistoryDeleter::operator()(EditHistory* h) const { delete h; }

namespace {

EditHistory& history(EditorState& s) {
    if (!s.history) s.history.reset(new EditHistory);
    return *s.history;
}

template <class T>
bool sameBytes(const std::vector<T>& a, const std::vector<T>& b) {
    return a.size() == b.size() && (a.empty() || std::memcmp(a.data(), b.data(), a.size() * sizeof(T)) == 0);
}

template <class T>
bool sameBytes(const T& a, const T& b) {
    return std::memcmp(&a, &b, sizeof(T)) == 0;
}

// A record's bytes in its list; empty when the index lies outside it.
std::span<const uint8_t> recordSpan(const EditorState& s, ObjectRef ref) {
    auto bytes = [&ref](const auto& list) -> std::span<const uint8_t> {
        if (ref.index < 0 || static_cast<size_t>(ref.index) >= list.size()) return {};
        return {reinterpret_cast<const uint8_t*>(&list[static_cast<size_t>(ref.index)]), sizeof list[0]};
    };
    switch (ref.list) {
    case ObjectList::Items:
        return bytes(s.items);
    case ObjectList::Victims:
        return bytes(s.victims);
    case ObjectList::Otm:
        return bytes(s.otm);
    case ObjectList::Rsm:
        return bytes(s.rsm);
    }
    return {};
}

std::span<uint8_t> recordSpan(EditorState& s, ObjectRef ref) {
    const std::span<const uint8_t> r = recordSpan(static_cast<const EditorState&>(s), ref);
    return {const_cast<uint8_t*>(r.data()), r.size()};
}

// A step whose change the edit operation has already made: the push does
// nothing, and undo and redo both swap the step's other side with the level's.
class Step : public QUndoCommand {
public:
    Step(EditorState& s, const char* what) : s_(s) { setText(what); }
    void redo() override {
        if (fresh_) {
            fresh_ = false;
            return;
        }
        swap();
    }
    void undo() override { swap(); }

protected:
    virtual void swap() = 0;
    EditorState& s_;

private:
    bool fresh_ = true;
};

class CellStep : public Step {
public:
    CellStep(EditorState& s, size_t offset, uint8_t other) : Step(s, "tile change"), offset_(offset), other_(other) {}

private:
    void swap() override { std::swap(s_.mapBuffer[offset_], other_); }
    size_t offset_;
    uint8_t other_;
};

class RecordStep : public Step {
public:
    RecordStep(EditorState& s, ObjectRef ref, const RecordBytes& other, const char* what)
        : Step(s, what), ref_(ref), other_(other) {}

private:
    void swap() override {
        const std::span<uint8_t> r = recordSpan(s_, ref_);
        for (size_t i = 0; i < r.size() && i < other_.size(); ++i) std::swap(r[i], other_[i]);
    }
    ObjectRef ref_;
    RecordBytes other_;
};

// A whole field of the level: the header, the bonus list.
template <class T>
class FieldStep : public Step {
public:
    FieldStep(EditorState& s, T LevelState::*field, T other, const char* what)
        : Step(s, what), field_(field), other_(std::move(other)) {}

private:
    void swap() override { std::swap(s_.*field_, other_); }
    T LevelState::*field_;
    T other_;
};

class LevelStep : public Step {
public:
    LevelStep(EditorState& s, LevelSnapshot other, const char* what) : Step(s, what), other_(std::move(other)) {}

private:
    void swap() override {
        std::swap(s_.header, other_.header);
        s_.mapBuffer.swap(other_.mapBuffer);
        s_.items.swap(other_.items);
        std::swap(s_.victims, other_.victims);
        s_.otm.swap(other_.otm);
        s_.rsm.swap(other_.rsm);
        s_.bonus.swap(other_.bonus);
    }
    LevelSnapshot other_;
};

const char* moveText(ObjectRef ref) {
    switch (ref.list) {
    case ObjectList::Items:
        return "item move";
    case ObjectList::Victims:
        return ref.index >= kVictimCount ? "start point move" : "victim move";
    default:
        return "monster move";
    }
}

// The level after a step was taken back or done again: the view repaints
// what the step changed.
void showLevel(EditorState& s, Shell& shell, uint32_t sheetBefore) {
    if (tileSheetNumber(s.header.tileset) != sheetBefore) {
        loadTileSheet(s, shell);
        redrawScratchPad(s);
        presentScratchPad(s, shell);
    }
    s.viewX = clampViewOrigin(s.viewX, static_cast<int32_t>(s.mapWidth) * kCellSize, s.clientW);
    s.viewY = clampViewOrigin(s.viewY, static_cast<int32_t>(s.mapHeight) * kCellSize, s.clientH);
    presentMap(s, shell);
}

void step(EditorState& s, Shell& shell, bool back) {
    QUndoStack& stack = history(s).stack;
    if (back ? !stack.canUndo() : !stack.canRedo()) return;
    const uint32_t sheet = tileSheetNumber(s.header.tileset);
    if (back) stack.undo();
    else stack.redo();
    showLevel(s, shell, sheet);
}

}  // namespace

QUndoStack& undoStack(EditorState& s) { return history(s).stack; }

void clearHistory(EditorState& s) {
    EditHistory& h = history(s);
    h.stack.clear();
    h.dragging = false;
}

bool levelModified(const EditorState& s) { return s.history && !s.history->stack.isClean(); }

void markLevelSaved(EditorState& s) {
    EditHistory& h = history(s);
    h.stack.setClean();
    ++h.saves;
}

void forgetSavedState(EditorState& s) { history(s).stack.resetClean(); }

uint64_t saveCount(const EditorState& s) { return s.history ? s.history->saves : 0; }

std::string statusText(const EditorState& s) {
    if (!s.levelLoaded) return {};
    char text[80];
    std::snprintf(text, sizeof text, "Level %u - %u x %u%s%s", s.currentLevel, s.mapWidth, s.mapHeight,
                  levelModified(s) ? " - modified" : "", s.rom.file.readOnly() ? " - vurk.smc is read-only" : "");
    return text;
}

void undoEdit(EditorState& s, Shell& shell) { step(s, shell, true); }
void redoEdit(EditorState& s, Shell& shell) { step(s, shell, false); }

bool saveLevel(EditorState& s, Shell& shell, BoxOwner owner) {
    std::string why;
    if (!writeLevel(s, &why)) {
        if (why.ends_with(kReadOnlyText))
            why += ".\n\nThe edits stay in the editor: Ctrl+S writes them to the level's VMAP file.";
        shell.messageBox(why, kErrorCaption, BoxButtons::Ok, owner);
        return false;
    }
    markLevelSaved(s);
    return true;
}

bool askToSaveChanges(EditorState& s, Shell& shell) {
    if (!levelModified(s)) return true;
    char text[64];
    std::snprintf(text, sizeof text, "Save changes to level %u?", s.currentLevel);
    switch (shell.messageBox(text, "VURK-Edit", BoxButtons::YesNoCancel)) {
    case BoxAnswer::Yes:
        return saveLevel(s, shell);
    case BoxAnswer::No:
        return true;
    default:
        return false;
    }
}

void recordCellEdit(EditorState& s, size_t offset, uint8_t before) {
    if (offset >= s.mapBuffer.size() || s.mapBuffer[offset] == before) return;
    history(s).stack.push(new CellStep(s, offset, before));
}

void recordMapEdit(EditorState& s, std::vector<uint8_t> before, const char* what) {
    if (s.mapBuffer == before) return;
    history(s).stack.push(new FieldStep<std::vector<uint8_t>>(s, &LevelState::mapBuffer, std::move(before), what));
}

ObjectRef selectedObjectRef(const EditorState& s) {
    ObjectRef ref;
    switch (s.editMode) {
    case kModeItem:
        ref.list = ObjectList::Items;
        break;
    case kModeVictim:
        ref.list = ObjectList::Victims;
        break;
    case kModeMonster:
        ref.list = s.monsterList == kOtmList ? ObjectList::Otm : ObjectList::Rsm;
        break;
    default:
        return ref;
    }
    ref.index = s.selectedObject;
    if (recordSpan(s, ref).empty()) ref.index = -1;
    return ref;
}

RecordBytes recordBytes(const EditorState& s, ObjectRef ref) {
    RecordBytes bytes{};
    const std::span<const uint8_t> r = recordSpan(s, ref);
    std::copy(r.begin(), r.end(), bytes.begin());
    return bytes;
}

void recordObjectEdit(EditorState& s, ObjectRef ref, const RecordBytes& before, const char* what) {
    if (recordSpan(s, ref).empty() || recordBytes(s, ref) == before) return;
    history(s).stack.push(new RecordStep(s, ref, before, what));
}

void beginObjectDrag(EditorState& s) {
    endObjectDrag(s);
    const ObjectRef ref = selectedObjectRef(s);
    if (ref.index < 0) return;
    EditHistory& h = history(s);
    h.dragging = true;
    h.drag = ref;
    h.dragBefore = recordBytes(s, ref);
}

void endObjectDrag(EditorState& s) {
    if (!s.history || !s.history->dragging) return;
    s.history->dragging = false;
    recordObjectEdit(s, s.history->drag, s.history->dragBefore, moveText(s.history->drag));
}

void recordHeaderEdit(EditorState& s, const LevelHeader& before, const char* what) {
    if (sameBytes(s.header, before)) return;
    history(s).stack.push(new FieldStep<LevelHeader>(s, &LevelState::header, before, what));
}

void recordBonusEdit(EditorState& s, const std::vector<uint16_t>& before) {
    if (s.bonus == before) return;
    history(s).stack.push(new FieldStep<std::vector<uint16_t>>(s, &LevelState::bonus, before, "bonus list"));
}

LevelSnapshot takeSnapshot(const EditorState& s) {
    return {s.header, s.mapBuffer, s.items, s.victims, s.otm, s.rsm, s.bonus};
}

void recordLevelEdit(EditorState& s, LevelSnapshot before, const char* what) {
    if (sameBytes(s.header, before.header) && s.mapBuffer == before.mapBuffer && sameBytes(s.items, before.items) &&
        sameBytes(s.victims, before.victims) && sameBytes(s.otm, before.otm) && sameBytes(s.rsm, before.rsm) &&
        s.bonus == before.bonus) {
        return;
    }
    history(s).stack.push(new LevelStep(s, std::move(before), what));
}

}  // namespace vurk
