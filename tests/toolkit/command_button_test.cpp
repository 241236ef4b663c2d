// Command buttons: Space, Return and keypad Enter press the button that has the focus;
// no button is a default button, so Enter in a text box presses none.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>

#include "gui_test_support.h"
#include "toolkit/toolkit.h"

namespace {

struct ButtonFixture : ::testing::Test {
    QWidget window;
    toolkit::TextBox* box = new toolkit::TextBox(&window);
    toolkit::CommandButton* first = new toolkit::CommandButton(&window);
    toolkit::CommandButton* second = new toolkit::CommandButton(&window);
    std::vector<std::string> log;

    void SetUp() override {
        box->setGeometry(0, 0, 200, 20);
        first->setGeometry(0, 30, 80, 22);
        second->setGeometry(100, 30, 80, 22);
        first->onClick([this] { log.push_back("first"); });
        second->onClick([this] { log.push_back("second"); });
        window.resize(300, 100);
        window.show();
        QApplication::setActiveWindow(&window);
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    }
};

TEST_F(ButtonFixture, SpaceReturnAndKeypadEnterPressTheFocusedButtonOnce) {
    const struct {
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
    } keys[] = {{Qt::Key_Space, Qt::NoModifier},
                {Qt::Key_Return, Qt::NoModifier},
                {Qt::Key_Enter, Qt::KeypadModifier}};
    for (const auto& k : keys) {
        log.clear();
        second->setFocus();
        ASSERT_TRUE(second->hasFocus());
        QTest::keyClick(QApplication::focusWidget(), k.key, k.modifiers);
        EXPECT_EQ(log, std::vector<std::string>{"second"}) << k.key;
    }
}

TEST_F(ButtonFixture, EnterInATextBoxPressesNoButton) {
    int keyPresses = 0;
    box->onKeyPress([&](std::int16_t& k) { keyPresses += k == 13 ? 1 : 0; });
    box->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_EQ(keyPresses, 2);
    EXPECT_TRUE(log.empty());
    for (const toolkit::CommandButton* b : {first, second}) {
        EXPECT_FALSE(b->isDefault());
        EXPECT_FALSE(b->autoDefault());
    }
}

}  // namespace
