#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QFontMetrics>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "app/editor_windows.h"
#include "tests/support/modal_driver.h"
#include "tests/support/run_tool.h"
#include "tests/support/workdir.h"
#include "tools/rom_builder.h"

namespace vurk {
namespace {

void clickOk(QWidget* w, const char* id = "1") { w->findChild<QPushButton*>(id)->click(); }

TEST(EditorDialogs, EveryDialogOpensFromTheEditorAndItsValuesReachTheImage) {
    test::WorkDir dir;
    RomBuilder rom;
    LevelContent c;
    c.width = 8;
    c.height = 6;
    c.items.push_back(makeItem(100, 100, 0));
    c.rsm.push_back(makeRsm(300, 300, 0x82EF36));
    c.bonus = {4, 10, 32};
    c.bgPalette = 0x9E8E76;
    rom.addLevel(1, c);
    ASSERT_TRUE(rom.save("vurk.smc"));

    test::ModalDriver driver;  // answers the boxes of the missing tiles folder, five at the start
    {
        EditorWindows editor;
        ASSERT_TRUE(editor.start());
        MainWindow* main = editor.main();
        QWidget* map = main->mapView();
        ASSERT_EQ(driver.seen.size(), 5u);

        driver.steps.push_back([](QWidget* w) {
            w->findChild<QComboBox*>("1005")->setCurrentIndex(5);  // "Sneakers"
            clickOk(w);
        });
        QTest::keyClick(main, Qt::Key_I);
        QTest::mouseClick(map, Qt::RightButton, Qt::NoModifier, QPoint(100, 100));

        driver.steps.push_back([](QWidget* w) {
            w->findChild<QLineEdit*>("1003")->setText("77");
            w->findChild<QLineEdit*>("1004")->setText("9");
            w->findChild<QComboBox*>("1005")->setCurrentIndex(2);  // "Frankenstein"
            clickOk(w);
        });
        QTest::keyClick(main, Qt::Key_M);
        QTest::keyClick(main, Qt::Key_2);
        QTest::mouseClick(map, Qt::RightButton, Qt::NoModifier, QPoint(300, 280));

        driver.steps.push_back([](QWidget* w) {
            w->findChild<QListWidget*>("1002")->item(3)->setSelected(false);  // "Pass Completion"
            clickOk(w);
        });
        QTest::keyClick(main, Qt::Key_F4);

        driver.steps.push_back([](QWidget* w) {
            w->findChild<QLineEdit*>("1000")->setText("4");
            w->findChild<QComboBox*>("1007")->setCurrentIndex(2);  // "Night Grass"
            clickOk(w);
        });
        QTest::keyClick(main, Qt::Key_F3);

        driver.steps.push_back([](QWidget* w) {
            w->findChild<QListWidget*>("1002")->item(3)->setCheckState(Qt::Checked);
            clickOk(w);
        });
        QTest::keyClick(main, Qt::Key_F8);
        EXPECT_EQ(editor.state.options, 8u);

        driver.steps.push_back([](QWidget* w) { clickOk(w, "1019"); });
        for (QAction* menu : main->menuBar()->actions()) {
            for (QAction* a : menu->menu()->actions()) {
                if (a->text() == "About") a->trigger();
            }
        }

        driver.steps.push_back([](QWidget* w) { w->close(); });
        QTest::keyClick(main, Qt::Key_B);
        QTest::keyClick(main, Qt::Key_C, Qt::ControlModifier);
        driver.steps.push_back([](QWidget* w) { w->close(); });
        QTest::keyClick(main, Qt::Key_E);
        // The option set above: the modified level's change asks "Save Map?" alone.
        driver.steps.push_back([](QWidget* w) { w->close(); });
        driver.steps.push_back([](QWidget* w) { w->close(); });
        QTest::keyClick(main, Qt::Key_F2);

        driver.answers = {QMessageBox::Yes};
        QTest::keyClick(main, Qt::Key_F1);
        EXPECT_TRUE(driver.steps.empty());
        editor.destroyMainWindow();
    }
    EXPECT_EQ(std::vector<std::string>(driver.seen.begin() + 5, driver.seen.end()),
              (std::vector<std::string>{"Choose Item", "Monster Edit", "Bonus", "Misc. Data", "Options",
                                        "About VURK-Edit", "Clipboard Viewer", "Edit Tile Value (0-255)",
                                        "Are you sure?|Save Map?", "Change Level (0-55)", "Are you sure?|Save Map?"}));
    // Every window is wide enough for its whole title in a bold title bar
    // beside the frame's icon and buttons.
    QFont bold = QApplication::font();
    bold.setBold(true);
    for (size_t i = 0; i < driver.seen.size(); ++i) {
        const QString title = QString::fromStdString(driver.seen[i].substr(0, driver.seen[i].find('|')));
        EXPECT_GE(driver.widths[i], QFontMetrics(bold).horizontalAdvance(title) + 100) << driver.seen[i];
    }

    test::ToolRun run = test::runTool("dump 1");
    ASSERT_EQ(run.status, 0) << run.err;
    QJsonObject o = QJsonDocument::fromJson(QByteArray::fromStdString(run.out)).object();
    EXPECT_EQ(o["items"].toArray()[0].toObject()["type"].toInt(), 10);
    QJsonObject rsm = o["rsm"].toArray()[0].toObject();
    EXPECT_EQ(rsm["radius"].toInt(), 77);
    EXPECT_EQ(rsm["delay"].toInt(), 9);
    EXPECT_EQ(rsm["code"].toInteger(), 0x81A455);
    EXPECT_EQ(o["bonus"].toArray(), (QJsonArray{4, 32}));
    EXPECT_EQ(o["header"].toObject()["music"].toInt(), 6);
    EXPECT_EQ(o["header"].toObject()["bgPalette"].toInteger(), 0x9E9276);
    auto ini = test::readFileBytes("vurk.ini");
    EXPECT_NE(std::string(ini.begin(), ini.end()).find("options=8\n"), std::string::npos);
}

TEST(EditorDialogs, MiscDataAsksAboutTheReloadWhileItIsOpen) {
    test::WorkDir dir;
    RomBuilder rom;
    LevelContent c;
    c.width = 4;
    c.height = 4;
    rom.addLevel(1, c);
    ASSERT_TRUE(rom.save("vurk.smc"));
    test::ModalDriver driver;
    EditorWindows editor;
    ASSERT_TRUE(editor.start());
    const size_t atStart = driver.seen.size();
    std::string owner;
    driver.steps.push_back([](QWidget* w) {
        auto* tileset = w->findChild<QComboBox*>("1005");
        tileset->setCurrentIndex(tileset->currentIndex() == 1 ? 2 : 1);
        QTimer::singleShot(0, w, [w] { clickOk(w); });  // the driver sees the box OK opens
    });
    driver.steps.push_back([&owner](QWidget* box) {
        QWidget* parent = box->parentWidget();
        owner = parent && parent->isVisible() ? parent->windowTitle().toStdString() : "none";
        static_cast<QMessageBox*>(box)->done(QMessageBox::No);
    });
    QTest::keyClick(editor.main(), Qt::Key_F3);
    ASSERT_GT(driver.seen.size(), atStart + 1);
    EXPECT_EQ(driver.seen[atStart + 1], "Save Before Reloading?|If you don't save, all changes will be lost");
    EXPECT_EQ(owner, "Misc. Data");
    editor.destroyMainWindow();
}

}  // namespace
}  // namespace vurk
