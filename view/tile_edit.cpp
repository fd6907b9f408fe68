#include "view/tile_edit.h"

#include "view/edit_history.h"
#include "view/map_canvas.h"

namespace vurk {

namespace {

// Byte offset of the first byte of the target's selected cell, or -1 when the
// selection lies outside the grid.
int64_t selectedOffset(const EditorState& s, TileTarget target) {
    if (target == TileTarget::Pad) {
        if (s.padX < 0 || s.padY < 0 || s.padX >= kPadPixels || s.padY >= kPadPixels) return -1;
        return ((int64_t{s.padY} >> 6) * kPadCells + (s.padX >> 6)) * 2;
    }
    if (s.selX < 0 || s.selY < 0) return -1;
    const int64_t column = s.selX >> 6, row = s.selY >> 6;
    if (column >= s.mapWidth || row >= s.mapHeight) return -1;
    const int64_t offset = (row * s.mapWidth + column) * 2;
    return offset < static_cast<int64_t>(s.mapBuffer.size()) ? offset : -1;
}

}  // namespace

uint8_t& currentClipboardSlot(TileClipboard& clip) {
    clip.index = static_cast<uint32_t>(clip.index % clip.tiles.size());
    return clip.tiles[clip.index];
}

void advanceClipboard(TileClipboard& clip) {
    clip.index = static_cast<uint32_t>((clip.index + 1) % clip.tiles.size());
}

void storeInClipboard(TileClipboard& clip, uint8_t value) {
    advanceClipboard(clip);
    currentClipboardSlot(clip) = value;
}

uint8_t selectedTile(const EditorState& s, TileTarget target) {
    const int64_t offset = selectedOffset(s, target);
    if (offset < 0) return 0;
    return target == TileTarget::Pad ? s.ScratchPad[offset] : s.mapBuffer[offset];
}

void setSelectedTile(EditorState& s, Shell& shell, uint8_t value, TileTarget target) {
    const int64_t offset = selectedOffset(s, target);
    if (offset < 0) return;
    if (target == TileTarget::Pad) {
        s.ScratchPad[offset] = value;
        drawTile(s, s.PadSurface, value, s.padX, s.padY);
        toggleCellMarker(s.PadSurface, s.padX, s.padY);
        presentScratchPad(s, shell);
        return;
    }
    const uint8_t before = s.mapBuffer[offset];
    s.mapBuffer[offset] = value;
    recordCellEdit(s, static_cast<size_t>(offset), before);
    presentMap(s, shell);
}

void adjustSelectedTile(EditorState& s, Shell& shell, int8_t delta, TileTarget target) {
    if (selectedOffset(s, target) < 0) return;
    const auto value = static_cast<uint8_t>(selectedTile(s, target) + delta);
    setSelectedTile(s, shell, value, target);
    currentClipboardSlot(s.clipboard) = value;
}

void copyTileToClipboard(EditorState& s, TileTarget target) {
    storeInClipboard(s.clipboard, selectedTile(s, target));
}

void pasteTileFromClipboard(EditorState& s, Shell& shell, TileTarget target, bool advanceFirst) {
    if (advanceFirst) advanceClipboard(s.clipboard);
    setSelectedTile(s, shell, currentClipboardSlot(s.clipboard), target);
}

void createScratchPad(EditorState& s) {
    s.PadSurface.selectBitmap(Bitmap::create(kPadPixels, kPadPixels, 32));
    s.ScratchPad.fill(0);
}

void fillScratchPad(EditorState& s, uint8_t value) {
    for (size_t i = 0; i + 1 < s.ScratchPad.size(); i += 2) {
        s.ScratchPad[i] = value;
        s.ScratchPad[i + 1] = 0;
    }
}

void redrawScratchPad(EditorState& s) {
    for (size_t i = 0; i * 2 < s.ScratchPad.size(); ++i) {
        const auto column = static_cast<int32_t>(i % kPadCells), row = static_cast<int32_t>(i / kPadCells);
        drawTile(s, s.PadSurface, s.ScratchPad[i * 2], column * kCellSize, row * kCellSize);
    }
    toggleCellMarker(s.PadSurface, s.padX, s.padY);
}

void presentScratchPad(EditorState& s, Shell& shell) {
    if (const Bitmap* pad = s.PadSurface.bitmap()) shell.presentScratchPad(*pad);
}

}  // namespace vurk
