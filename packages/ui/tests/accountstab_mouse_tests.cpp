// The Accounts tab under the mouse: clicks, right clicks and drags sent through the window system to the
// widgets the user sees, the way a pointer reaches them.

// Mouse events go through the platform window, so grabs, context menu events and the widget under the
// pointer are decided as for a real pointer.
#define QTEST_QPA_MOUSE_HANDLING
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

#include "tarnwick/ui/accountrow.h"
#include "tarnwick/ui/accountstab.h"
#include "tarnwick/ui/colorwell.h"
#include "tarnwick/ui/draghandle.h"
#include "tarnwick/ui/installedbrowsers.h"
#include "uitestsupport.h"

using namespace tarnwick;
using namespace tarnwick::test;

namespace {

class AccountsTabMouseTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        InstalledBrowsers::setLocator([](const std::string&) { return true; });
        model.setAccountsJson(R"([{"id":"a","name":"Work","color":"#3b82f6"},
                                  {"id":"b","name":"Personal","color":"#22c55e"},
                                  {"id":"c","name":"Club","color":"#f97316"}])");
        tab = std::make_unique<AccountsTab>(model);
        tab->resize(400, 240);
        tab->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(tab.get()));
        tab->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(tab.get()));
        model.take();
    }

    QToolButton* minus() const { return tab->findChild<QToolButton*>(QStringLiteral("removeAccount")); }

    // A point of `widget` in the coordinates of `target`.
    static QPoint at(QWidget* widget, QWidget* target, QPoint local = {})
    {
        return target->mapFromGlobal(widget->mapToGlobal(local.isNull() ? widget->rect().center() : local));
    }

    FakeAccountListModel model;
    std::unique_ptr<AccountsTab> tab;
};

// The open pop-up menu after a right click, if the click produced one.
QMenu* openMenu()
{
    QTest::qWait(0);
    return qobject_cast<QMenu*>(QApplication::activePopupWidget());
}

QStringList texts(const QMenu* menu)
{
    QStringList out;
    for (const QAction* action : menu->actions())
        if (!action->isSeparator())
            out << action->text().remove(QLatin1Char('&')).section(QLatin1Char('\t'), 0, 0);
    return out;
}

} // namespace

TEST_F(AccountsTabMouseTest, ClickingIntoARowSelectsItForMinusAndReset)
{
    ASSERT_EQ(tab->actions().selectedId(), "a");
    QTest::mouseClick(tab->row("b")->nameField(), Qt::LeftButton);
    EXPECT_TRUE(tab->row("b")->nameField()->hasFocus()) << "the click still edits the name";
    EXPECT_EQ(tab->actions().selectedId(), "b");
    EXPECT_EQ(tab->list()->currentRow(), 1);

    QTest::mouseClick(minus(), Qt::LeftButton);
    EXPECT_EQ(model.take(), std::vector<std::string>{R"({"method":"account.remove","params":{"accountId":"b"}})"});

    // Reset Session… asks about the account the user last clicked into.
    QTest::mouseClick(tab->row("c")->colorWell(), Qt::LeftButton, {}, {3, 3});
    if (QWidget* dialog = tab->row("c")->colorWell()->dialog())
        dialog->close();
    EXPECT_EQ(tab->actions().selectedId(), "c");
    QTest::mouseClick(tab->findChild<QPushButton*>(QStringLiteral("resetSession")), Qt::LeftButton);
    ASSERT_NE(tab->resetAlert(), nullptr);
    EXPECT_EQ(tab->resetAlert()->text(), "Reset the session for \u201cClub\u201d?");
    tab->resetAlert()->close();
}

TEST_F(AccountsTabMouseTest, KeyboardFocusMovingIntoARowSelectsIt)
{
    tab->row("a")->nameField()->setFocus(Qt::MouseFocusReason);
    ASSERT_EQ(tab->actions().selectedId(), "a");
    // Tab order runs from a row's name field through the rest of the row to the next row.
    for (int i = 0; i < 8 && tab->actions().selectedId() == "a"; ++i)
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(tab->actions().selectedId(), "b");
    EXPECT_TRUE(tab->row("b")->isAncestorOf(QApplication::focusWidget()));
}

TEST_F(AccountsTabMouseTest, RightClickAnywhereInARowOffersRemoveAccountForThatRow)
{
    // On the name field the editing items stay, with the row's item after them.
    QTest::mouseClick(tab->row("b")->nameField(), Qt::RightButton);
    QMenu* menu = openMenu();
    ASSERT_NE(menu, nullptr);
    const QStringList fieldItems = texts(menu);
    EXPECT_TRUE(fieldItems.contains(QStringLiteral("Paste"))) << fieldItems.join(QLatin1Char(',')).toStdString();
    EXPECT_EQ(fieldItems.last(), "Remove Account");
    EXPECT_EQ(tab->actions().selectedId(), "b");
    menu->close();

    // On the colour well and on the drag handle the menu has the one item.
    for (QWidget* target : {static_cast<QWidget*>(tab->row("c")->colorWell()),
                            static_cast<QWidget*>(tab->row("c")->dragHandle())}) {
        QTest::mouseClick(target, Qt::RightButton);
        menu = openMenu();
        ASSERT_NE(menu, nullptr) << target->metaObject()->className();
        EXPECT_EQ(texts(menu), QStringList{QStringLiteral("Remove Account")});
        EXPECT_EQ(tab->row("c")->colorWell()->dialog(), nullptr) << "a right click opens no colour dialog";
        if (target == tab->row("c")->dragHandle()) {
            menu->actions().last()->trigger();
            EXPECT_EQ(model.take(),
                      std::vector<std::string>{R"({"method":"account.remove","params":{"accountId":"c"}})"});
        }
        menu->close();
    }
    EXPECT_TRUE(model.take().empty());
}

TEST_F(AccountsTabMouseTest, DraggingARowByItsHandleReorders)
{
    EXPECT_EQ(tab->findChild<QLabel*>(QStringLiteral("dragHint"))->text(), "Drag by the handle to reorder");
    auto* dropLine = tab->findChild<QFrame*>(QStringLiteral("dropIndicator"));
    ASSERT_NE(dropLine, nullptr);

    struct Drag {
        const char* what;
        const char* row;
        const char* ontoRow; // the row whose lower half the pointer is released over
        std::vector<std::string> events;
    };
    const Drag drags[] = {
        {"first below the last", "a", "c", {R"({"method":"account.reorder","params":{"accountIds":["b","c","a"]}})"}},
        {"last above the first", "a", nullptr, {R"({"method":"account.reorder","params":{"accountIds":["a","b","c"]}})"}},
        {"onto its own place", "b", "b", {}},
    };
    for (const Drag& drag : drags) {
        QWidget* window = tab->window();
        DragHandle* handle = tab->row(drag.row)->dragHandle();
        const QPoint start = at(handle, window);
        // Released over the lower half of a row, or above the top of the first row.
        QPoint end;
        if (drag.ontoRow) {
            QWidget* onto = tab->row(drag.ontoRow);
            end = at(onto, window, {onto->width() / 2, onto->height() - 2});
        } else {
            QWidget* first = tab->row(tab->actions().listedIds().front());
            end = at(first, window, {first->width() / 2, 1});
        }
        QTest::mousePress(window, Qt::LeftButton, {}, start);
        QTest::mouseMove(window, start + QPoint(0, (end.y() - start.y()) / 2));
        QTest::mouseMove(window, end);
        EXPECT_TRUE(dropLine->isVisible()) << drag.what;
        QTest::mouseRelease(window, Qt::LeftButton, {}, end);
        EXPECT_FALSE(dropLine->isVisible()) << drag.what;
        QTest::qWait(10);
        EXPECT_EQ(model.take(), drag.events) << drag.what;
    }
    // The list shows the order the drags left.
    EXPECT_EQ(tab->list()->itemWidget(tab->list()->item(0)), tab->row("a"));

    // A press that barely moves is a click, not a drag.
    QWidget* window = tab->window();
    const QPoint start = at(tab->row("a")->dragHandle(), window);
    QTest::mousePress(window, Qt::LeftButton, {}, start);
    QTest::mouseMove(window, start + QPoint(0, 1));
    QTest::mouseRelease(window, Qt::LeftButton, {}, start + QPoint(0, 1));
    QTest::qWait(10);
    EXPECT_TRUE(model.take().empty());
}
