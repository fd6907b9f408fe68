// A Shell that records what the behaviour asks of the window system and
// answers boxes from a script.
#pragma once

#include <deque>
#include <functional>
#include <map>
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
        if (answers.empty()) {
            if (buttons == BoxButtons::YesNoCancel) return BoxAnswer::Cancel;
            return buttons == BoxButtons::YesNo ? BoxAnswer::No : BoxAnswer::Ok;
        }
        BoxAnswer a = answers.front();
        answers.pop_front();
        return a;
    }

    void presentMap(const Bitmap& canvas, int32_t originX, int32_t originY) override {
        mapPresents.push_back({&canvas, originX, originY});
    }
    void invalidateMap() override { ++mapInvalidations; }
    void presentScratchPad(const Bitmap& pad) override { padPresents.push_back(&pad); }

    void setMainTitle(const std::string& t) override { titles.push_back(t); }
    void setScrollBar(ScrollBar bar, int32_t max, int32_t pos) override {
        scrollBars.push_back({bar, max, pos});
        scrollPos[bar] = pos;
    }
    void setScrollPos(ScrollBar bar, int32_t pos) override { scrollPos[bar] = pos; }
    void scrollWindow(int32_t dx, int32_t dy) override { windowScrolls.push_back({dx, dy}); }
    void startTimer(int id, int periodMs) override { timers[id] = periodMs; }
    void killTimer(int id) override { timers.erase(id); }
    void postScroll(ScrollBar bar, int request, int32_t amount) override { posted.push_back({bar, request, amount}); }
    bool ctrlHeld() override { return ctrl; }
    bool shiftHeld() override { return shift; }
    bool scrollLockOn() override { return scrollLock; }
    ClientPoint cursorPos() override { return cursor; }
    void showScratchPad() override { ++padShows; }
    void destroyMainWindow() override { ++destroyRequests; }
    void openDialog(DialogId id, BoxOwner owner, int32_t param) override {
        dialogs.push_back({id, owner, param});
        if (onDialog) onDialog(id, owner, param);
    }

    struct ScrollBarSet {
        ScrollBar bar;
        int32_t max;
        int32_t pos;
    };
    struct PostedScroll {
        ScrollBar bar;
        int request;
        int32_t amount;
    };
    struct OpenedDialog {
        DialogId id;
        BoxOwner owner;
        int32_t param;
    };

    std::vector<std::string> titles;
    std::vector<ScrollBarSet> scrollBars;
    std::map<ScrollBar, int32_t> scrollPos;
    std::vector<std::pair<int32_t, int32_t>> windowScrolls;
    std::map<int, int> timers;  // running timers and their periods
    std::vector<PostedScroll> posted;
    std::vector<OpenedDialog> dialogs;
    // Plays the user's part in a dialog: called when one opens.
    std::function<void(DialogId, BoxOwner, int32_t)> onDialog;
    bool ctrl = false;
    bool shift = false;
    bool scrollLock = false;
    ClientPoint cursor{-1, -1};
    int padShows = 0;
    int destroyRequests = 0;

    struct MapPresent {
        const Bitmap* canvas;
        int32_t originX;
        int32_t originY;
    };

    std::vector<RecordedBox> boxes;
    std::vector<MapPresent> mapPresents;
    int mapInvalidations = 0;
    std::vector<const Bitmap*> padPresents;
    std::deque<BoxAnswer> answers;  // answered in order; then Cancel / No / Ok

    // The boxes so far, each as "caption|text".
    std::vector<std::string> boxLines() const {
        std::vector<std::string> out;
        for (const RecordedBox& b : boxes) out.push_back(b.caption + "|" + b.text);
        return out;
    }
};

}  // namespace vurk::test
