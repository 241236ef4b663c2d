// Ending the program, the top-level error report and the screen pointer: no error crosses the event
// loop, each reaches the report with its number and description; end() stops at once.
#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QTest>
#include <stdexcept>

#include "error/error.h"
#include "gui_test_support.h"
#include "toolkit/toolkit.h"

namespace {

TEST(Dispatch, ErrorsOfEveryKindReachTheReportAndTheProgramGoesOn) {
    guitest::ErrorRecorder errors;
    QWidget window;
    auto* button = new toolkit::CommandButton(&window);
    int step = 0;
    button->onClick([&] {
        ++step;
        if (step == 1) throw converti::Error(3024, "Could not find file 'x.mdb'.");
        if (step == 2) throw std::runtime_error("boom");
        if (step == 3) throw 42;
    });
    window.show();
    for (int i = 0; i < 4; ++i) QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_EQ(step, 4);
    ASSERT_EQ(errors.errors().size(), 3u);
    EXPECT_EQ(errors.errors()[0].number, 3024);
    EXPECT_EQ(errors.errors()[0].description, "Could not find file 'x.mdb'.");
    EXPECT_EQ(errors.errors()[1].number, toolkit::kErrInternal);
    EXPECT_TRUE(errors.errors()[1].description.contains("boom"));
    EXPECT_EQ(errors.errors()[2].number, toolkit::kErrInternal);
}

TEST(Dispatch, EndStopsTheRoutineAtOnceWithoutReport) {
    guitest::ErrorRecorder errors;
    guitest::EndRecorder ends;
    bool after = false;
    toolkit::dispatch([&] {
        toolkit::end();
        after = true;
    });
    EXPECT_EQ(ends.ends(), 1);
    EXPECT_FALSE(after);
    EXPECT_TRUE(errors.errors().empty());
}

TEST(Dispatch, EndInsideANestedClickStopsTheOuterRoutineToo) {
    guitest::EndRecorder ends;
    toolkit::ListBox list;
    list.AddItem("a");
    list.onClick([] { toolkit::end(); });
    bool after = false;
    toolkit::dispatch([&] {
        list.setListIndex(0);
        after = true;
    });
    EXPECT_EQ(ends.ends(), 1);
    EXPECT_FALSE(after);
}

TEST(Dispatch, TheDefaultEndExitsTheProcessWithoutUnload) {
    // The real end hook in a child process: it must exit with status 0 at once.
    GTEST_FLAG_SET(death_test_style, "threadsafe");  // Qt has threads running
    auto defaultHook = toolkit::setEndHook({});
    EXPECT_EXIT({ toolkit::end(); }, ::testing::ExitedWithCode(0), "");
    toolkit::setEndHook(std::move(defaultHook));
}

TEST(ScreenPointer, BusyAndDefaultThroughTheOverrideCursor) {
    toolkit::Screen::setMousePointer(11);
    ASSERT_NE(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
    EXPECT_EQ(toolkit::Screen::MousePointer(), 11);
    toolkit::Screen::setMousePointer(11);  // no second override
    toolkit::Screen::setMousePointer(0);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_EQ(toolkit::Screen::MousePointer(), 0);
}

TEST(ScreenPointer, SettingDefaultRemovesEveryOverride) {
    QGuiApplication::setOverrideCursor(Qt::CrossCursor);
    QGuiApplication::setOverrideCursor(Qt::CrossCursor);
    toolkit::Screen::setMousePointer(0);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

TEST(ScreenPointer, NeverStaysBusyAfterAnEventRoutine) {
    guitest::ErrorRecorder errors;
    toolkit::dispatch([] { toolkit::Screen::setMousePointer(11); });
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    toolkit::dispatch([] {
        toolkit::Screen::setMousePointer(11);
        throw converti::Error(3000, "x");
    });
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_EQ(errors.errors().size(), 1u);
}

TEST(ScreenPointer, NestedEventsLeaveTheOuterRoutinesPointerAlone) {
    toolkit::ListBox list;
    list.AddItem("a");
    list.onClick([] {});
    bool busyAfterNested = false;
    toolkit::dispatch([&] {
        toolkit::Screen::setMousePointer(11);
        list.setListIndex(0);
        busyAfterNested = QGuiApplication::overrideCursor() != nullptr;
    });
    EXPECT_TRUE(busyAfterNested);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

}  // namespace
