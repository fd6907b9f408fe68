#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QScrollBar>
#include <QStatusBar>
#include <QTest>
#include <QWindow>
#include <cstdlib>
#include <filesystem>
#include <tuple>

#include "app/editor_windows.h"
#include "app/handlers.h"
#include "app/workspace.h"
#include "platform/instance_lock.h"
#include "tests/support/file_holders.h"
#include "tests/support/modal_driver.h"
#include "tests/support/workdir.h"
#include "tools/rom_builder.h"
#include "view/edit_history.h"
#include "view/tile_edit.h"

namespace vurk {
namespace {

using test::WorkDir;

using BoxCatcher = test::ModalDriver;

void writeSpriteSheets() {
    std::filesystem::create_directories("tiles");
    for (const char* name : {"tiles/items.png", "tiles/victims.png", "tiles/monsters.png", "tiles/tiles00.png"}) {
        QImage image(name == std::string("tiles/tiles00.png") ? 1024 : 400, 1024, QImage::Format_RGB32);
        image.fill(QColor(20, 90, 40));
        ASSERT_TRUE(image.save(name));
    }
}

std::string fileText(const char* name) {
    auto b = test::readFileBytes(name);
    return {b.begin(), b.end()};
}

// Also when another editor holds the image: the box then names it.
TEST(EditorWindows, StartWithoutAnImageShowsOneBoxAndStillWritesSettings) {
    for (bool held : {false, true}) {
        WorkDir dir;
        writeSpriteSheets();
        std::unique_ptr<test::LockHolder> holder;
        if (held) {
            ASSERT_TRUE(RomBuilder().save("vurk.smc"));
            holder = std::make_unique<test::LockHolder>("vurk-edit", "vurk.smc");
            ASSERT_TRUE(holder->holds());
        }
        BoxCatcher catcher;
        {
            EditorWindows editor;
            ASSERT_TRUE(editor.start());
            EXPECT_EQ(catcher.seen, (std::vector<std::string>{held ? "Error|vurk.smc is open in VURK-Edit"
                                                                   : "Error|Could not find vurk.smc"}));
            MainWindow* w = editor.main();
            EXPECT_TRUE(w->isVisible());
            EXPECT_EQ(w->windowTitle(), "VURK-Edit - BG edit mode");
            EXPECT_EQ(w->frameGeometry().size(), QSize(600, 400));
            EXPECT_FALSE(editor.pad()->isVisible());
            editor.destroyMainWindow();
        }
        const QRect screen = QApplication::primaryScreen()->geometry();
        char expected[160];
        std::snprintf(expected, sizeof expected, "[vurk]\nx=%d\ny=%d\nlevel=1\noptions=0\nmaxed=0\nw=600\nh=400\n",
                      (screen.width() - 600) >> 1, (screen.height() - 400) >> 1);
        EXPECT_EQ(fileText("vurk.ini"), expected);
    }
}

// Outside any workspace the folder chooser comes first, opening where the last
// choice was; a folder chosen is entered and remembered, and the start goes on
// there; none chosen (or one without a workspace, which is not remembered)
// gives the one box naming it.
TEST(EditorWindows, StartOutsideAWorkspaceAsksForTheFolderFirst) {
    WorkDir dir;
    const std::filesystem::path outside = dir.path() / "outside", empty = outside / "empty";
    const std::filesystem::path chosen = dir.path() / "chosen", memory = dir.path() / "config" / "last-workspace";
    std::filesystem::create_directories(empty);
    std::filesystem::create_directories(chosen);
    std::filesystem::current_path(chosen);
    writeSpriteSheets();
    const std::string noWorkspace = "Error|There is no VURK-Edit workspace in ";
    struct Case {
        std::filesystem::path pick;  // none: the chooser is cancelled
        std::filesystem::path opensIn, endsIn;
        std::string box;
    };
    const Case cases[] = {
        {{}, outside, outside, noWorkspace + outside.string() + "\n\n"},
        {chosen, outside, chosen, "Error|Could not find vurk.smc"},
        {{}, chosen, outside, noWorkspace + outside.string() + "\n\n"},
        {empty, chosen, empty, noWorkspace + empty.string() + "\n\n"},
        {{}, chosen, outside, noWorkspace + outside.string() + "\n\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pick.string() + " from " + c.opensIn.string());
        std::filesystem::current_path(outside);
        BoxCatcher catcher;
        std::string openedIn;
        catcher.steps.push_back([&](QWidget* w) {
            auto* chooser = qobject_cast<QFileDialog*>(w);
            if (!chooser) return w->close(), void();  // no chooser: the title check fails
            openedIn = chooser->directory().absolutePath().toStdString();
            if (c.pick.empty()) return chooser->reject();
            chooser->setDirectory(QString::fromStdString(c.pick.string()));
            static_cast<QDialog*>(chooser)->accept();  // the chooser's own accept checks the folder
        });
        EditorWindows editor;
        editor.workspaceMemory = memory;
        ASSERT_TRUE(editor.start());
        ASSERT_EQ(catcher.seen.size(), 2u);
        EXPECT_EQ(catcher.seen[0], kWorkspaceChooserTitle);
        EXPECT_EQ(catcher.seen[1].substr(0, c.box.size()), c.box);
        EXPECT_EQ(openedIn, c.opensIn.string());
        EXPECT_EQ(std::filesystem::current_path(), c.endsIn);
        // Nothing before the first pick; then "chosen", since "empty" holds no workspace.
        EXPECT_EQ(fileText(memory.c_str()), &c == &cases[0] ? "" : chosen.string() + "\n");
        EXPECT_FALSE(editor.state.levelLoaded);
        editor.destroyMainWindow();
    }
    // The settings of a start in the chosen folder were written there.
    EXPECT_TRUE(std::filesystem::exists(chosen / "vurk.ini"));
}

TEST(EditorWindows, SavedPlacementAndLastLevelAreApplied) {
    WorkDir dir;
    writeSpriteSheets();
    RomBuilder rom;
    for (uint32_t level = 0; level < 13; ++level) rom.addLevel(level, LevelContent{});
    ASSERT_TRUE(rom.save("vurk.smc"));
    std::string ini = "[vurk]\noptions=3\nx=30\ny=40\nlevel=12\n";
    test::writeFileBytes("vurk.ini", {ini.begin(), ini.end()});
    BoxCatcher catcher;
    EditorWindows editor;
    ASSERT_TRUE(editor.start());
    EXPECT_TRUE(catcher.seen.empty());
    EXPECT_EQ(editor.main()->frameGeometry(), QRect(30, 40, 384, 512));
    EXPECT_EQ(std::tuple(editor.state.currentLevel, editor.state.levelLoaded), std::tuple(12u, true));
    editor.destroyMainWindow();
}

TEST(EditorWindows, SavedPlacementOffEveryScreenOpensOnOne) {
    WorkDir dir;
    writeSpriteSheets();
    const QRect area = QApplication::primaryScreen()->availableGeometry();
    const char* cases[] = {
        "x=2147483647\ny=2147483647\nw=2147483647\nh=2147483647\n",
        "x=-2147483648\ny=-2147483648\nw=-2147483648\nh=0\n",
        "x=-5000\ny=90000\nw=300\nh=200\n",
    };
    for (const char* values : cases) {
        SCOPED_TRACE(values);
        const std::string ini = std::string("[vurk]\noptions=1\n") + values;
        test::writeFileBytes("vurk.ini", {ini.begin(), ini.end()});
        BoxCatcher catcher;
        EditorWindows editor;
        ASSERT_TRUE(editor.start());
        const QRect frame = editor.main()->frameGeometry();
        EXPECT_FALSE(frame.isEmpty());
        EXPECT_TRUE(area.contains(frame)) << frame.x() << "," << frame.y() << " " << frame.width() << "x"
                                          << frame.height();
        editor.destroyMainWindow();
    }
}

TEST(EditorWindows, ImageProblemsAtStartAreReportedInABox) {
    struct Case {
        bool emptyImage;
        bool started;
        const char* box;
    } cases[] = {
        {false, true,
         "Unfinished save|The last save to vurk.smc was interrupted before it changed anything; its incomplete "
         "journal was removed and vurk.smc is as it was before that save."},
        {true, false, "Error|vurk.smc is empty."},
    };
    for (const Case& c : cases) {
        WorkDir dir;
        writeSpriteSheets();
        RomBuilder rom;
        rom.addLevel(1, LevelContent{});
        ASSERT_TRUE(rom.save("vurk.smc"));
        if (c.emptyImage) test::writeFileBytes("vurk.smc", {});
        test::writeFileBytes("vurk.smc.journal", {'V', 'U', 'R', 'K'});  // torn
        BoxCatcher catcher;
        EditorWindows editor;
        const bool started = editor.start();
        EXPECT_EQ(std::pair(started, editor.state.levelLoaded), std::pair(c.started, c.started));
        EXPECT_EQ(catcher.seen, (std::vector<std::string>{c.box}));
        editor.destroyMainWindow();
    }
}

TEST(EditorWindows, PlacementPicksTheScreenItOverlapsMost) {
    const QList<QRect> screens{QRect(0, 0, 1920, 1080), QRect(1920, 0, 1280, 1024)};
    const struct {
        int32_t x, y, w, h;
        QRect placed;
    } cases[] = {
        {2000, 100, 400, 300, QRect(2000, 100, 400, 300)},  // inside the second screen: as it is
        {1800, 100, 400, 300, QRect(1920, 100, 400, 300)},  // mostly on the second: moved onto it
        {1700, -50, 400, 300, QRect(1520, 0, 400, 300)},    // mostly on the first
        {99999, 99999, 5000, 5000, QRect(0, 0, 1920, 1080)},  // on none: the first, shrunk to it
    };
    for (const auto& c : cases) EXPECT_EQ(placeOnScreens(c.x, c.y, c.w, c.h, screens), c.placed) << c.x;
}

class EditorWindowsWithLevel : public ::testing::Test {
protected:
    void SetUp() override {
        writeSpriteSheets();
        LevelContent c;
        c.width = 12;
        c.height = 10;
        c.items.push_back(makeItem(100, 100, 0));
        rom.addLevel(1, c);
        ASSERT_TRUE(rom.save("vurk.smc"));
        editor = std::make_unique<EditorWindows>();
        ASSERT_TRUE(editor->start());
        ASSERT_TRUE(editor->state.levelLoaded);
        QApplication::processEvents();
    }
    void TearDown() override { editor->destroyMainWindow(); }

    WorkDir dir;
    RomBuilder rom;
    BoxCatcher catcher;
    std::unique_ptr<EditorWindows> editor;
};

TEST_F(EditorWindowsWithLevel, MenuHasTheEntriesOfTheEditor) {
    QStringList texts;
    for (QAction* menu : editor->main()->menuBar()->actions()) {
        texts << menu->text();
        for (QAction* a : menu->menu()->actions()) {
            const QString keys = a->shortcut().toString(QKeySequence::NativeText);
            texts << (a->isSeparator() ? "-" : keys.isEmpty() ? a->text() : a->text() + "[" + keys + "]");
        }
    }
    // The View menu shows the keys of its entries.
    EXPECT_EQ(texts.join(",").toStdString(),
              "File,Open Rom...,Save...,-,Exit,Mode,BG Edit,Item Edit,Victim Edit,Moster Edit,"
              "Misc,Change Level,Misc Data,Bonus Editor,Options,Help,Contents,-,About,"
              "Edit,Undo\tCtrl+Z,Redo\tCtrl+Y,"
              "Tiles,Select All\tCtrl+A,Copy Stamp\tCtrl+D,Paste Stamp\tCtrl+T,"
              "Cancel Stamp or Selection\tEsc,-,Fill Selection\tF,Flood Fill\tR,Stamp Scratch Pad\tS in the pad,-,"
              "Find and Replace...\tCtrl+F,"
              "View,Zoom In[Ctrl++],Zoom Out[Ctrl+-],Actual Size[Ctrl+0],-,25%,50%,100%,200%,-,Grid[G],"
              "Tile Picker[F6]");
    // Nothing to take back yet: both Edit entries are greyed.
    EXPECT_FALSE(editor->main()->undoAction()->isEnabled());
    EXPECT_FALSE(editor->main()->redoAction()->isEnabled());
    for (QAction* menu : editor->main()->menuBar()->actions()) {
        if (menu->text() == "View") break;
        for (QAction* a : menu->menu()->actions()) EXPECT_TRUE(a->shortcut().isEmpty());
    }
}

TEST_F(EditorWindowsWithLevel, KeysActOnReleaseAndAutoRepeatReleasesAreIgnored) {
    MainWindow* w = editor->main();
    QKeyEvent press(QEvent::KeyPress, Qt::Key_I, Qt::NoModifier);
    QKeyEvent repeatRelease(QEvent::KeyRelease, Qt::Key_I, Qt::NoModifier, QString(), true);
    QApplication::sendEvent(w, &press);
    QApplication::sendEvent(w, &repeatRelease);
    EXPECT_EQ(w->windowTitle(), "VURK-Edit - BG edit mode");
    QTest::keyRelease(w, Qt::Key_I);
    EXPECT_EQ(w->windowTitle(), "VURK-Edit - Item edit mode");
    QTest::keyClick(w, Qt::Key_M);
    QTest::keyClick(w, Qt::Key_2);
    EXPECT_EQ(w->windowTitle(), "VURK-Edit - Monster edit mode 2");
    QTest::keyClick(w, Qt::Key_B);

    // The digit keys by their key: Shift+1 gives "!", a layout whose digits
    // need Shift gives "&" for the unshifted 1 key.
    struct DigitKey {
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        quint32 scanCode;
        const char* title;
    };
    for (const DigitKey& d : {DigitKey{Qt::Key_At, Qt::ShiftModifier, 11, "VURK-Edit - Monster edit mode 2"},
                              DigitKey{Qt::Key_Exclam, Qt::ShiftModifier, 10, "VURK-Edit - Monster edit mode 1"},
                              DigitKey{Qt::Key_Eacute, Qt::NoModifier, 11, "VURK-Edit - Monster edit mode 2"},
                              DigitKey{Qt::Key_Ampersand, Qt::NoModifier, 10, "VURK-Edit - Monster edit mode 1"}}) {
        QKeyEvent down(QEvent::KeyPress, d.key, d.modifiers, d.scanCode, 0, 0);
        QKeyEvent up(QEvent::KeyRelease, d.key, d.modifiers, d.scanCode, 0, 0);
        QTest::keyClick(w, Qt::Key_M);
        QApplication::sendEvent(w, &down);
        QApplication::sendEvent(w, &up);
        EXPECT_EQ(w->windowTitle().toStdString(), d.title) << d.scanCode;
    }
    QTest::keyClick(w, Qt::Key_B);

    // Keypad steps act on every press, repeats included.
    const uint8_t tile = editor->state.mapBuffer[0];
    QTest::keyPress(w, Qt::Key_Plus, Qt::KeypadModifier);
    QKeyEvent repeat(QEvent::KeyPress, Qt::Key_Plus, Qt::KeypadModifier, "+", true);
    QApplication::sendEvent(w, &repeat);
    QTest::keyRelease(w, Qt::Key_Plus, Qt::KeypadModifier);
    EXPECT_EQ(editor->state.mapBuffer[0], static_cast<uint8_t>(tile + 2));
    // The main keyboard's + (or = unshifted) and - step too, on every press.
    for (Qt::Key key : {Qt::Key_Plus, Qt::Key_Equal, Qt::Key_Equal, Qt::Key_Minus}) QTest::keyClick(w, key);
    EXPECT_EQ(editor->state.mapBuffer[0], static_cast<uint8_t>(tile + 4));
}

TEST_F(EditorWindowsWithLevel, HeldKeysActOnceOnTheirRealReleaseAndBeforeTheNextClick) {
    // Auto-repeat as some X servers report it: a release and a press of the
    // same key with one timestamp, without the auto-repeat flag.
    MainWindow* w = editor->main();
    auto send = [w](QEvent::Type type, quint64 time) {
        QKeyEvent e(type, Qt::Key_I, Qt::NoModifier);
        e.setTimestamp(time);
        QApplication::sendEvent(w, &e);
    };
    send(QEvent::KeyPress, 1000);
    for (quint64 t : {1660u, 1700u, 1740u}) {
        send(QEvent::KeyRelease, t);
        send(QEvent::KeyPress, t);
    }
    QTest::qWait(100);
    EXPECT_EQ(w->windowTitle().toStdString(), "VURK-Edit - BG edit mode");
    send(QEvent::KeyRelease, 1900);
    QTest::qWait(100);
    EXPECT_EQ(w->windowTitle().toStdString(), "VURK-Edit - Item edit mode");

    // A click right after a held key's release comes after the key: B acts
    // first, so the click selects a cell in BG mode.
    EditorState& s = editor->state;
    QKeyEvent press(QEvent::KeyPress, Qt::Key_B, Qt::NoModifier), release(QEvent::KeyRelease, Qt::Key_B, Qt::NoModifier);
    press.setTimestamp(3000);
    release.setTimestamp(3500);
    QApplication::sendEvent(w, &press);
    QApplication::sendEvent(w, &release);
    QTest::mouseClick(w->mapView(), Qt::LeftButton, Qt::NoModifier, QPoint(70, 140));
    EXPECT_EQ(std::tuple(w->windowTitle().toStdString(), s.selX, s.selY),
              std::tuple(std::string("VURK-Edit - BG edit mode"), 64, 128));
}

TEST_F(EditorWindowsWithLevel, TheStatusBarFollowsTheViewUnderAStillPointer) {
    MainWindow* w = editor->main();
    QMouseEvent move(QEvent::MouseMove, QPointF(70, 140), w->mapView()->mapToGlobal(QPointF(70, 140)), Qt::NoButton,
                     Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(w->mapView(), &move);
    EXPECT_NE(w->statusLabel()->text().indexOf("Cell 1, 2:"), -1) << w->statusLabel()->text().toStdString();
    for (int i = 0; i < 4; ++i) w->scrollBar(ScrollBar::Vertical)->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    ASSERT_EQ(editor->state.viewY, 64);
    EXPECT_NE(w->statusLabel()->text().indexOf("Cell 1, 3:"), -1) << w->statusLabel()->text().toStdString();
}

TEST_F(EditorWindowsWithLevel, ZoomedOutAWheelNotchScrollsAsFarOnTheScreen) {
    MainWindow* w = editor->main();
    w->resize(200, 160);  // small enough for the 768 x 640 level to scroll at 25%
    QApplication::processEvents();
    for (auto [zoom, step] : {std::pair{100, 16}, {50, 32}, {25, 64}, {200, 16}}) {
        w->setZoom(zoom);
        onScroll(editor->state, *editor, ScrollBar::Vertical, kScrollThumbTrack, 0, 0);
        QWheelEvent notch(QPointF(5, 5), w->mapView()->mapToGlobal(QPointF(5, 5)), QPoint(), QPoint(0, -120),
                          Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(w->mapView(), &notch);
        QApplication::processEvents();  // the notch's requests are posted
        EXPECT_EQ(editor->state.viewY, step) << zoom;
    }
}

TEST_F(EditorWindowsWithLevel, ASelectionDraggedPastTheViewReachesItsEdge) {
    const EditorState& s = editor->state;
    QTest::keyClick(editor->main(), Qt::Key_B);
    QWidget* map = editor->main()->mapView();
    QTest::mousePress(map, Qt::LeftButton, Qt::ShiftModifier, QPoint(10, 10));
    QMouseEvent beyond(QEvent::MouseMove, QPointF(map->width() + 300, map->height() + 300), map->mapToGlobal(QPointF(0, 0)),
                       Qt::NoButton, Qt::LeftButton, Qt::ShiftModifier);
    QApplication::sendEvent(map, &beyond);
    const CellRect r = s.tiles.selection;
    EXPECT_EQ(std::pair(r.column + r.columns, r.row + r.rows),
              std::pair((s.viewX + s.clientW - 1) / kCellSize + 1, (s.viewY + s.clientH - 1) / kCellSize + 1));
    QTest::mouseRelease(map, Qt::LeftButton, Qt::ShiftModifier, QPoint(10, 10));
}

TEST_F(EditorWindowsWithLevel, ClicksScrollBarsAndTheScratchPad) {
    MainWindow* w = editor->main();
    EditorState& s = editor->state;
    QScrollBar* v = w->scrollBar(ScrollBar::Vertical);
    ASSERT_GT(v->maximum(), 0);
    v->triggerAction(QAbstractSlider::SliderPageStepAdd);
    EXPECT_EQ(s.viewY, 8);
    EXPECT_EQ(v->value(), 8);
    v->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(s.viewY, 24);

    QWheelEvent wheel(QPointF(50, 50), w->mapView()->mapToGlobal(QPointF(50, 50)), QPoint(), QPoint(0, -120),
                      Qt::NoButton, Qt::ShiftModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(w->mapView(), &wheel);
    QApplication::processEvents();  // the wheel's request is posted
    EXPECT_EQ(s.viewY, 56);
    // Over the scroll bars and the menu bar a notch acts as over the map, and
    // the bar adds no scrolling of its own; a tilt wheel does nothing.
    struct Notch {
        QWidget* over;
        QPoint angle;
        int32_t viewY;
    };
    for (const Notch& n : {Notch{v, QPoint(0, 120), 40}, Notch{w->menuBar(), QPoint(0, -120), 56},
                           Notch{w->scrollBar(ScrollBar::Horizontal), QPoint(0, 120), 40},
                           Notch{w->mapView(), QPoint(-120, 0), 40}, Notch{v, QPoint(120, 0), 40}}) {
        QWheelEvent e(QPointF(2, 2), n.over->mapToGlobal(QPointF(2, 2)), QPoint(), n.angle, Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(n.over, &e);
        QApplication::processEvents();
        EXPECT_EQ(s.viewY, n.viewY) << n.over->metaObject()->className();
        EXPECT_EQ(v->value(), n.viewY);
        EXPECT_EQ(s.viewX, 0);
    }

    QTest::keyClick(w, Qt::Key_F5);
    // The pad has a fixed size: it can be neither resized nor maximised.
    ScratchPadWindow* pad = editor->pad();
    EXPECT_EQ(pad->minimumSize(), pad->maximumSize());
    EXPECT_FALSE(pad->windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(editor->pad()->isVisible());
    QTest::mouseClick(editor->pad(), Qt::LeftButton, Qt::NoModifier, QPoint(383, 383));
    EXPECT_EQ(std::pair(s.padX, s.padY), std::pair(320, 320));
    editor->pad()->close();
    EXPECT_FALSE(editor->pad()->isVisible());
}

TEST_F(EditorWindowsWithLevel, EditUndoSaveAndCloseAsIsReopenedLater) {
    MainWindow* w = editor->main();
    const EditorState& s = editor->state;
    // The map view lies between the menu bar, the scroll bars and the status bar.
    EXPECT_EQ(w->mapView()->size(), QSize(s.clientW, s.clientH));
    const int viewBottom = w->mapView()->mapTo(w, QPoint(0, s.clientH)).y();
    EXPECT_EQ(viewBottom + w->scrollBar(ScrollBar::Horizontal)->height(), w->statusBar()->geometry().top());
    const QLabel* status = w->statusLabel();
    EXPECT_EQ(status->text(), "Level 1 - 12 x 10");

    const uint8_t tile = s.mapBuffer[0];
    QTest::keyClick(w, Qt::Key_Plus, Qt::KeypadModifier);
    EXPECT_EQ(status->text(), "Level 1 - 12 x 10 - modified");
    EXPECT_EQ(w->undoAction()->text(), "Undo tile change\tCtrl+Z");
    EXPECT_TRUE(w->undoAction()->isEnabled());
    QTest::keyClick(w, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(s.mapBuffer[0], tile);
    EXPECT_EQ(status->text(), "Level 1 - 12 x 10");
    EXPECT_EQ(w->redoAction()->text(), "Redo tile change\tCtrl+Y");
    EXPECT_FALSE(w->undoAction()->isEnabled());
    catcher.answers = {QMessageBox::Yes};
    QTest::keyClick(w, Qt::Key_F1);
    EXPECT_EQ(catcher.seen.back(), "Are you sure?|Save Map?");

    QTest::keyClick(w, Qt::Key_Plus, Qt::KeypadModifier);
    catcher.answers = {QMessageBox::Cancel};
    w->close();
    EXPECT_EQ(catcher.seen.back(), "VURK-Edit|Save changes to level 1?");
    EXPECT_TRUE(w->isVisible());
    QTest::keyClick(w, Qt::Key_Plus, Qt::KeypadModifier);
    catcher.answers = {QMessageBox::No};
    w->close();
    EXPECT_FALSE(w->isVisible());

    // The image holds what was left after the undo and the save.
    editor = std::make_unique<EditorWindows>();
    ASSERT_TRUE(editor->start());
    EXPECT_EQ(editor->state.mapBuffer[0], tile);
    EXPECT_FALSE(levelModified(editor->state));
}

TEST(EditorProgram, SecondInstanceEndsAtOnce) {
    WorkDir dir;
    ::setenv("XDG_RUNTIME_DIR", dir.path().c_str(), 1);
    InstanceLock first;
    ASSERT_TRUE(first.acquire());
    const std::string cmd = std::string("QT_QPA_PLATFORM=offscreen timeout 20 ") + VURK_EDIT_PATH + "; echo $?";
    FILE* p = popen(cmd.c_str(), "r");
    ASSERT_NE(p, nullptr);
    char out[64] = {};
    size_t n = fread(out, 1, sizeof out - 1, p);
    pclose(p);
    EXPECT_EQ(std::string(out, n), "0\n");
    EXPECT_FALSE(std::filesystem::exists("vurk.ini"));
}

TEST_F(EditorWindowsWithLevel, DebugBoxLeavesTheMainWindowUsable) {
    QTest::keyClick(editor->main(), Qt::Key_F12);
    QMessageBox* debug = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible()) debug = box;
    }
    ASSERT_NE(debug, nullptr);
    EXPECT_EQ(debug->windowTitle(), "debug");
    EXPECT_TRUE(debug->text().startsWith("level offset:\t"));
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    QTest::keyClick(editor->main(), Qt::Key_I);  // still takes keys
    EXPECT_EQ(editor->main()->windowTitle(), "VURK-Edit - Item edit mode");
    debug->close();
}

// The main window's dialogs and boxes wait for an answer in the main window
// only: the scratch pad still takes clicks and keys through the window system.
TEST_F(EditorWindowsWithLevel, WhileTheMainWindowAsksThePadStaysUsable) {
    MainWindow* w = editor->main();
    const EditorState& s = editor->state;
    QTest::keyClick(w, Qt::Key_F5);
    QWindow* pad = editor->pad()->windowHandle();
    ASSERT_NE(pad, nullptr);
    for (auto [key, asked] : {std::pair{Qt::Key_F8, "Options"}, {Qt::Key_F1, "Are you sure?|Save Map?"}}) {
        const size_t seen = catcher.seen.size();
        const uint8_t padTile = s.ScratchPad[2];
        catcher.steps.push_back([&](QWidget* dialog) {
            QTest::mouseClick(pad, Qt::LeftButton, Qt::NoModifier, QPoint(70, 10));  // pad cell 1
            QTest::keyClick(pad, Qt::Key_Plus, Qt::KeypadModifier);
            QTest::keyClick(w->windowHandle(), Qt::Key_I);  // the main window waits
            dialog->close();
        });
        QTest::keyClick(w, key);
        ASSERT_EQ(catcher.seen.size(), seen + 1);
        EXPECT_EQ(catcher.seen.back(), asked);
        EXPECT_EQ(std::tuple(s.padX, s.padY, s.ScratchPad[2]), std::tuple(64, 0, static_cast<uint8_t>(padTile + 1)))
            << asked;
        EXPECT_EQ(w->windowTitle(), "VURK-Edit - BG edit mode") << asked;
    }
}

}  // namespace
}  // namespace vurk

namespace vurk {
namespace {

// A left-button drag in the map view's widget pixels.
void dragInView(QWidget* view, QPoint from, QPoint to) {
    QTest::mousePress(view, Qt::LeftButton, Qt::NoModifier, from);
    QMouseEvent move(QEvent::MouseMove, QPointF(to), view->mapToGlobal(QPointF(to)), Qt::NoButton, Qt::LeftButton,
                     Qt::NoModifier);
    QApplication::sendEvent(view, &move);
    QTest::mouseRelease(view, Qt::LeftButton, Qt::NoModifier, to);
}

TEST_F(EditorWindowsWithLevel, AtEveryZoomClicksDragsAndBarsWorkOnLevelPixels) {
    MainWindow* w = editor->main();
    MapView* view = w->mapView();
    EditorState& s = editor->state;
    QScrollBar* h = w->scrollBar(ScrollBar::Horizontal);
    const int32_t mapW = 12 * 64;
    for (int32_t zoom : {25, 200, 50, 100}) {
        w->setZoom(zoom);
        ASSERT_EQ(view->zoom(), zoom);
        // The bar's end shows the map's last column at the view's right edge;
        // a map narrower than the view has no bar.
        onScroll(s, *editor, ScrollBar::Horizontal, kScrollThumbTrack, mapW, 0);
        if (h->maximum() > 0) {
            EXPECT_EQ(s.viewX + view->toClient(QPoint(view->width() - 1, 0)).x(), mapW - 1) << zoom;
            EXPECT_EQ(h->value(), s.viewX);
        } else {
            EXPECT_EQ(s.viewX, 0) << zoom;
            EXPECT_LE(levelToWindow(mapW, zoom), view->width()) << zoom;
        }
        onScroll(s, *editor, ScrollBar::Horizontal, kScrollThumbTrack, 0, 0);
        onScroll(s, *editor, ScrollBar::Vertical, kScrollThumbTrack, 0, 0);

        // A click selects the cell under the pointer.
        QTest::keyClick(w, Qt::Key_B);
        QTest::mouseClick(view, Qt::LeftButton, Qt::NoModifier,
                          QPoint(levelToWindow(130, zoom), levelToWindow(70, zoom)));
        EXPECT_EQ(std::pair(s.selX, s.selY), std::pair(128, 64)) << zoom;

        // The item (centre 100, 100) dragged to level (152, 120) lands there
        // (at 25% a window pixel covers 4 level pixels).
        QTest::keyClick(w, Qt::Key_I);
        dragInView(view, QPoint(levelToWindow(100, zoom), levelToWindow(100, zoom)),
                   QPoint(levelToWindow(152, zoom), levelToWindow(120, zoom)));
        EXPECT_EQ(std::tuple(s.items[0].x, s.items[0].y), std::tuple(152, 120)) << zoom;
        undoCommand(s, *editor);
        ASSERT_EQ(uint16_t{s.items[0].x}, 100);
    }
    // The main row's keys step through the zoom levels and stop at the ends;
    // the keypad's + and - step the tile with Ctrl as without it.
    w->activateWindow();
    QTest::keyClick(w, Qt::Key_B);
    const uint8_t tile = selectedTile(s, TileTarget::Map);
    using ZoomKey = std::tuple<Qt::Key, Qt::KeyboardModifiers, int32_t>;
    const Qt::KeyboardModifiers keypad = Qt::ControlModifier | Qt::KeypadModifier;
    for (auto [key, mods, zoom] : {ZoomKey{Qt::Key_Minus, Qt::ControlModifier, 50},
                                   {Qt::Key_Minus, Qt::ControlModifier, 25},
                                   {Qt::Key_Minus, Qt::ControlModifier, 25},
                                   {Qt::Key_Plus, keypad, 25},
                                   {Qt::Key_Equal, Qt::ControlModifier, 50},
                                   {Qt::Key_Plus, Qt::ControlModifier, 100},
                                   {Qt::Key_Plus, Qt::ControlModifier, 200},
                                   {Qt::Key_Plus, Qt::ControlModifier, 200},
                                   {Qt::Key_Plus, keypad, 200},
                                   {Qt::Key_Minus, keypad, 200},
                                   {Qt::Key_Plus, keypad, 200},
                                   {Qt::Key_0, Qt::ControlModifier, 100}}) {
        QTest::keyClick(w, key, mods);
        EXPECT_EQ(view->zoom(), zoom) << key << (mods & Qt::KeypadModifier ? " on the keypad" : "");
    }
    EXPECT_EQ(selectedTile(s, TileTarget::Map), static_cast<uint8_t>(tile + 2));
}

TEST_F(EditorWindowsWithLevel, GridDrawsOverTheViewWithoutChangingTheCanvas) {
    MainWindow* w = editor->main();
    const Bitmap* canvas = editor->state.MapCanvas.bitmap();
    ASSERT_NE(canvas, nullptr);
    const std::vector<uint8_t> before(canvas->bits(), canvas->bits() + canvas->pitch() * canvas->height());
    const QImage plain = w->mapView()->grab().toImage();
    w->gridAction()->trigger();
    const QImage withGrid = w->mapView()->grab().toImage();
    EXPECT_EQ(std::vector<uint8_t>(canvas->bits(), canvas->bits() + canvas->pitch() * canvas->height()), before);
    EXPECT_NE(withGrid, plain);
    w->gridAction()->trigger();
    EXPECT_EQ(w->mapView()->grab().toImage(), plain);
}

}  // namespace
}  // namespace vurk
