// A Shell that records what the behaviour asks of the window system and
// answers boxes from a script.
#pragma once

#include <deque>
#include <string>
#include <vector>

#include "platform/shell.h"

namespace vurk::test {

struct RecordedBox {
    std::string text;
    std::string caption;
    BoxButtons buttons;
    BoxOwner owner;
};

class FakeShell : public Shell {
public:
    BoxAnswer messageBox(const std::string& text, const std::string& caption, BoxButtons buttons,
                         BoxOwner owner) override {
        boxes.push_back({text, caption, buttons, owner});
        if (answers.empty()) return buttons == BoxButtons::YesNo ? BoxAnswer::No : BoxAnswer::Ok;
        BoxAnswer a = answers.front();
        answers.pop_front();
        return a;
    }

    void presentMap(const Bitmap& canvas, int32_t originX, int32_t originY) override {
        mapPresents.push_back({&canvas, originX, originY});
    }
    void invalidateMap() override { ++mapInvalidations; }
    void presentScratchPad(const Bitmap& pad) override { padPresents.push_back(&pad); }

    struct MapPresent {
        const Bitmap* canvas;
        int32_t originX;
        int32_t originY;
    };

    std::vector<RecordedBox> boxes;
    std::vector<MapPresent> mapPresents;
    int mapInvalidations = 0;
    std::vector<const Bitmap*> padPresents;
    std::deque<BoxAnswer> answers;  // answered in order; then No / Ok
};

}  // namespace vurk::test
