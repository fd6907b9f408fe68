// The viewing tools on Qt: the tile picker dock, the View menu (zoom and
// grid), and the [view] section of the settings file that keeps them.
#pragma once

#include <QWidget>
#include <cstdint>
#include <string>

#include "app/settings.h"
#include "platform/surface.h"

namespace vurk {

class EditorWindows;

// The level's tile sheet as its 16 x 16 grid. A click makes a tile the current
// clipboard slot's value, a double click also puts it in the selected cell;
// the current slot's tile is framed.
class TilePicker : public QWidget {
public:
    explicit TilePicker(EditorWindows& app);
    QSize sizeHint() const override;
    // The tile at a widget point, or -1 outside the grid.
    int tileAt(QPoint p) const;
    // Side of one tile in the widget.
    int tileSide() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    EditorWindows& app_;
    Surface sheet_;                     // the 256 tiles as the map draws them
    const Bitmap* drawnFrom_ = nullptr;  // the tile sheet they were drawn from
};

}  // namespace vurk
