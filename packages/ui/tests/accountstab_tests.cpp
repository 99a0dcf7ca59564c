// The Accounts tab as the user sees it: rows, buttons, the reset alert, the profile menu and the events
// each control sends.

#include <gtest/gtest.h>

#include <QAbstractItemModel>
#include <QAction>
#include <QColorDialog>
#include <QDir>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>

#include "tarnwick/ui/accountrow.h"
#include "tarnwick/ui/accountstab.h"
#include "tarnwick/ui/colorwell.h"
#include "tarnwick/ui/installedbrowsers.h"
#include "uitestsupport.h"

using namespace tarnwick;
using namespace tarnwick::test;

namespace {

// Runs posted tasks (the tab defers model writes by one turn of the event loop) until `done` or a deadline.
template <typename Pred>
bool waitFor(Pred done)
{
    QDeadlineTimer deadline(5000);
    while (!done() && !deadline.hasExpired())
        QTest::qWait(5);
    return done();
}

class AccountsTabTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        InstalledBrowsers::setLocator([](const std::string&) { return true; });
        model.setBrowsers(objects(R"([{"id":"chrome","name":"Chrome","bundleId":"com.google.Chrome","isChromium":true}])"),
                          object(R"({"id":"chrome","name":"Chrome"})"), "system");
        model.setBrowserProfiles({{"chrome",
                                   {{{"directory", "Default"}, {"name", "Personal"}, {"email", "me@home.org"}},
                                    {{"directory", "Profile 2"}, {"name", "Work"}, {"email", "Boss@Work.com"}}}}});
        model.setAccountsJson(R"([
            {"id":"a","name":"Work","color":"#3b82f6","email":"boss@work.com"},
            {"id":"b","name":"Home","color":"#22c55e","needsAuth":true}])");
        tab = std::make_unique<AccountsTab>(model);
        tab->resize(400, 240);
        tab->show();
        model.take();
    }

    QToolButton* button(const char* name) const { return tab->findChild<QToolButton*>(QString::fromLatin1(name)); }
    QPushButton* resetButton() const { return tab->findChild<QPushButton*>(QStringLiteral("resetSession")); }

    FakeAccountListModel model;
    std::unique_ptr<AccountsTab> tab;
};

} // namespace

TEST_F(AccountsTabTest, ShowsOneRowPerAccountAndSelectsTheFirst)
{
    ASSERT_EQ(tab->list()->count(), 2);
    EXPECT_EQ(tab->row("a")->nameField()->text(), "Work");
    EXPECT_EQ(tab->row("a")->nameField()->placeholderText(), "Account name");
    EXPECT_EQ(tab->row("a")->colorWell()->color(), QColor(0x3b, 0x82, 0xf6));
    EXPECT_FALSE(tab->row("a")->signInButton()->isVisibleTo(tab.get()));
    EXPECT_TRUE(tab->row("b")->signInButton()->isVisibleTo(tab.get()));
    EXPECT_EQ(tab->row("b")->signInButton()->text(), "Sign In");
    EXPECT_EQ(tab->actions().selectedId(), "a");
    EXPECT_EQ(tab->list()->currentRow(), 0);

    EXPECT_EQ(button("addAccount")->toolTip(), "Add an account");
    EXPECT_EQ(button("removeAccount")->toolTip(), "Remove the selected account");
    EXPECT_EQ(resetButton()->text(), "Reset Session\u2026");
    EXPECT_EQ(resetButton()->toolTip(), "Sign the selected account out of Google");
    EXPECT_GE(tab->list()->minimumHeight(), 160);

    // A missing colour takes the first palette colour; a missing name is empty.
    model.setAccountsJson(R"([{"id":"x"},{"id":"y","name":"Y"}])");
    ASSERT_NE(tab->row("x"), nullptr);
    EXPECT_EQ(tab->row("x")->colorWell()->color(), QColor(0x3b, 0x82, 0xf6));
    EXPECT_EQ(tab->row("x")->nameField()->text(), "");
}

TEST_F(AccountsTabTest, ButtonsSendTheirEventsAndFollowSelectionAndCount)
{
    EXPECT_TRUE(button("removeAccount")->isEnabled());
    EXPECT_TRUE(resetButton()->isEnabled());

    button("addAccount")->click();
    EXPECT_EQ(model.take(), std::vector<std::string>{
                                R"({"method":"account.add","params":{"color":"#a855f7","name":"New Account"}})"});

    tab->list()->setCurrentRow(1);
    EXPECT_EQ(tab->actions().selectedId(), "b");
    button("removeAccount")->click();
    EXPECT_EQ(model.take(), std::vector<std::string>{R"({"method":"account.remove","params":{"accountId":"b"}})"});
    EXPECT_EQ(tab->actions().selectedId(), std::nullopt);
    EXPECT_FALSE(button("removeAccount")->isEnabled()) << "nothing selected";
    EXPECT_FALSE(resetButton()->isEnabled());

    // The main application answers with a single account: − stays disabled, Delete and the row menu are quiet.
    model.setAccountsJson(R"([{"id":"a","name":"Work","color":"#3b82f6"}])");
    tab->list()->setCurrentRow(0);
    EXPECT_FALSE(button("removeAccount")->isEnabled());
    EXPECT_TRUE(resetButton()->isEnabled());
    tab->list()->setFocus();
    QTest::keyClick(tab->list(), Qt::Key_Delete);
    for (QAction* action : tab->row("a")->actions())
        action->trigger();
    EXPECT_TRUE(model.take().empty());
}

TEST_F(AccountsTabTest, DeleteKeyAndRowMenuRemove)
{
    tab->activateWindow();
    tab->list()->setFocus();
    QTest::keyClick(tab->list(), Qt::Key_Delete);
    EXPECT_EQ(model.take(), std::vector<std::string>{R"({"method":"account.remove","params":{"accountId":"a"}})"});

    const auto rowActions = tab->row("b")->actions();
    ASSERT_EQ(rowActions.size(), 1);
    EXPECT_EQ(rowActions[0]->text(), "Remove Account");
    rowActions[0]->trigger();
    EXPECT_EQ(model.take(), std::vector<std::string>{R"({"method":"account.remove","params":{"accountId":"b"}})"});
}

TEST_F(AccountsTabTest, RenamingCommitsTrimmedNamesOnly)
{
    QLineEdit* field = tab->row("a")->nameField();
    struct Row {
        const char* typed;
        std::vector<std::string> events;
        const char* shownAfter;
    };
    const Row rows[] = {
        {"  Work  ", {}, "  Work  "},
        {"   ", {}, "Work"},
        {" Office\n", {R"({"method":"account.update","params":{"accountId":"a","color":"#3b82f6","name":"Office"}})"}, "Office"},
    };
    for (const Row& row : rows) {
        field->setText(QString::fromUtf8(row.typed));
        QTest::keyClick(field, Qt::Key_Return);
        waitFor([&] { return model.lines.size() >= row.events.size(); });
        EXPECT_EQ(model.take(), row.events) << row.typed;
        EXPECT_EQ(field->text(), row.shownAfter) << row.typed;
    }
    EXPECT_EQ(tab->actions().value("a", "name"), "Office") << "the local copy follows at once";

    // A name from outside replaces the field's text while the user is not typing in it.
    model.setAccountsJson(R"([{"id":"a","name":"Renamed","color":"#ef4444"},{"id":"b","name":"Home"}])");
    EXPECT_EQ(tab->row("a")->nameField()->text(), "Renamed");
    EXPECT_EQ(tab->row("a")->colorWell()->color(), QColor(0xef, 0x44, 0x44)) << "a colour from outside is shown too";
    EXPECT_FALSE(tab->row("b")->signInButton()->isVisibleTo(tab.get())) << "signed in again";
    EXPECT_TRUE(model.take().empty()) << "values from outside are not reported";
}

TEST_F(AccountsTabTest, ChoosingAColourReportsItInLowerCaseWithoutAProfile)
{
    ColorWell* well = tab->row("b")->colorWell();
    well->click();
    QColorDialog* dialog = well->dialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_FALSE(dialog->testOption(QColorDialog::ShowAlphaChannel));
    dialog->setCurrentColor(QColor(0xAB, 0xCD, 0xEF));
    dialog->accept();
    ASSERT_TRUE(waitFor([&] { return !model.lines.empty(); }));
    EXPECT_EQ(model.take(), std::vector<std::string>{
                                R"({"method":"account.update","params":{"accountId":"b","color":"#abcdef","name":"Home"}})"});
    EXPECT_EQ(tab->actions().value("b", "color"), "#abcdef");
}

TEST_F(AccountsTabTest, SignInReportsTheRowsAccount)
{
    tab->row("b")->signInButton()->click();
    EXPECT_EQ(model.take(), std::vector<std::string>{R"({"method":"account.signIn","params":{"accountId":"b"}})"});
}

TEST_F(AccountsTabTest, ResetAsksFirstAndReportsOnlyTheResetButton)
{
    for (const char* choice : {"Cancel", "Reset"}) {
        resetButton()->click();
        QMessageBox* alert = tab->resetAlert();
        ASSERT_NE(alert, nullptr);
        EXPECT_EQ(alert->text(), "Reset the session for \u201cWork\u201d?");
        EXPECT_EQ(alert->informativeText(),
                  "Signs this account out of Google and clears its cookies. Other accounts are untouched.");
        EXPECT_EQ(alert->icon(), QMessageBox::Warning);
        QAbstractButton* chosen = nullptr;
        for (QAbstractButton* b : alert->buttons())
            if (b->text() == QLatin1String(choice))
                chosen = b;
        ASSERT_NE(chosen, nullptr) << choice;
        EXPECT_TRUE(model.lines.empty()) << "nothing before the choice";
        chosen->click();
        waitFor([&] { return !tab->resetAlert(); });
        if (std::string(choice) == "Reset")
            EXPECT_EQ(model.take(),
                      std::vector<std::string>{R"({"method":"account.resetSession","params":{"accountId":"a"}})"});
        else
            EXPECT_TRUE(model.take().empty());
    }
}

TEST_F(AccountsTabTest, ProfileMenuShowsTheMatchedProfileAndUncheckingGoesBackToAutomatic)
{
    QToolButton* menuButton = tab->profileMenu("a");
    ASSERT_NE(menuButton, nullptr);
    EXPECT_EQ(menuButton->text(), "Work") << "matched by email, letter case ignored";
    EXPECT_TRUE(menuButton->isEnabled());
    EXPECT_EQ(menuButton->toolTip(), "The Chromium profile this account\u2019s links open in.");
    EXPECT_EQ(tab->profileMenu("b")->text(), "None");

    QList<QAction*> items;
    for (QAction* action : menuButton->menu()->actions())
        if (!action->isSeparator())
            items.push_back(action);
    ASSERT_EQ(items.size(), 3);
    EXPECT_EQ(items[0]->text(), "None");
    EXPECT_EQ(items[2]->text(), "Work");
    EXPECT_TRUE(items[2]->isChecked());

    items[2]->trigger(); // unchecks the checked profile
    ASSERT_TRUE(waitFor([&] { return !model.lines.empty(); }));
    EXPECT_EQ(model.take(), std::vector<std::string>{R"({"method":"account.update","params":{"accountId":"a",)"
                                                     R"("browserProfile":"_auto","color":"#3b82f6","name":"Work"}})"});

    tab->profileMenu("a")->menu()->actions().first()->trigger(); // "None"
    ASSERT_TRUE(waitFor([&] { return !model.lines.empty(); }));
    EXPECT_EQ(model.take(), std::vector<std::string>{R"({"method":"account.update","params":{"accountId":"a",)"
                                                     R"("browserProfile":"_none","color":"#3b82f6","name":"Work"}})"});
    EXPECT_EQ(tab->profileMenu("a")->text(), "None");

    // Links that open in a browser without profiles: the menu is disabled and says why.
    model.setBrowsers(model.browsers(), object(R"({"id":"firefox","name":"Firefox"})"), "system");
    EXPECT_FALSE(tab->profileMenu("a")->isEnabled());
    EXPECT_EQ(tab->profileMenu("a")->text(), "No profiles");
    EXPECT_EQ(tab->profileMenu("a")->toolTip(), "Firefox has no profiles to choose between.");
}

TEST_F(AccountsTabTest, AMoveInTheListReordersAndReportsEveryId)
{
    model.setAccountsJson(R"([{"id":"a","name":"A"},{"id":"b","name":"B"},{"id":"c","name":"C"}])");
    QAbstractItemModel* items = tab->list()->model();
    ASSERT_TRUE(items->moveRow(QModelIndex(), 0, QModelIndex(), 3));
    ASSERT_TRUE(waitFor([&] { return !model.lines.empty(); }));
    EXPECT_EQ(model.take(),
              std::vector<std::string>{R"({"method":"account.reorder","params":{"accountIds":["b","c","a"]}})"});
    EXPECT_EQ(tab->actions().listedIds(), (std::vector<std::string>{"b", "c", "a"}));
    ASSERT_EQ(tab->list()->count(), 3);
    EXPECT_EQ(tab->row("a")->nameField()->text(), "A") << "rows rebuilt in the new order";
    EXPECT_EQ(tab->list()->itemWidget(tab->list()->item(2)), tab->row("a"));
}

TEST_F(AccountsTabTest, ReviewImage)
{
    const QImage image = tab->grab().toImage();
    ASSERT_FALSE(image.isNull());
#ifdef TARNWICK_REVIEW_DIR
    QDir().mkpath(QStringLiteral(TARNWICK_REVIEW_DIR));
    EXPECT_TRUE(image.save(QStringLiteral(TARNWICK_REVIEW_DIR "/accounts-tab.png")));
#endif
}
