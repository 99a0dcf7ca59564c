// The application's toolbar on a real QMainWindow (offscreen): layout, default-disabled items, the
// enabled registry, clicks and their actions, groups, search, the print menu, the share link, the
// account switcher's life, labels, re-attaching and customization. Ends with a review image.
#include <gtest/gtest.h>

#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMainWindow>
#include <QMenu>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include "tarnwick/native/accountsegmentedcontrol.h"
#include "tarnwick/native/actionbridge.h"
#include "tarnwick/native/itemvalidation.h"
#include "tarnwick/native/toolbaritem.h"
#include "toolbarmanager.h"

using namespace tarnwick::native;
using tarnwick::nativelib::ShareItemsProvider;
using tarnwick::nativelib::ToolbarManager;
using Actions = std::vector<std::pair<std::string, std::string>>;

namespace {

Actions g_actions;
void record(const char* a, const char* p)
{
    g_actions.emplace_back(a, p);
}

const char* kLabelsJson = R"({"labels":{
  "toolbar.newMessage":"New Message","toolbar.archive":"Archive","toolbar.delete":"Delete",
  "toolbar.toggleRead":"Read/Unread","toolbar.manage":"Manage","toolbar.reply":"Reply",
  "toolbar.replyAll":"Reply All","toolbar.forward":"Forward","toolbar.search":"Search mail",
  "toolbar.print":"Print","toolbar.print.toolTip":"Print or export","toolbar.print.menuPrint":"Print…",
  "toolbar.print.menuExport":"Export as PDF…","toolbar.share":"Share","toolbar.share.toolTip":"Share this message",
  "toolbar.signInRequired":"Sign-in required","toolbar.account.unknown":"Account",
  "toolbar.account.noUnread":"{name}: no unread mail{shortcut}","toolbar.account.oneUnread":"{name}: 1 unread{shortcut}",
  "toolbar.account.unread":"{name}: {count} unread{shortcut}",
  "toolbar.account.signInRequired":"{name}: sign in again{shortcut}"}})";

const char* kThreeAccounts = R"({"accounts":[
  {"id":"home","name":"Home","color":"#3b82f6","unreadCount":4},
  {"id":"work","name":"Work","color":"#22c55e","unreadCount":150},
  {"id":"club","name":"Club","color":"#ef4444","needsAuth":true,"unreadCount":2}],
  "activeAccountId":"work"})";

// A manager with its own saved arrangement, so arranging here never touches the shared one.
class ArrangedManager : public ToolbarManager {
public:
    explicit ArrangedManager(QString id) : m_id(std::move(id)) {}
    QString toolbarIdentifier() const override { return m_id; }

private:
    QString m_id;
};

class ToolbarTest : public ::testing::Test {
protected:
    // The saved arrangement lives in a settings file of this process's own: cases run side by side
    // in separate processes, and each rewrites it.
    static void SetUpTestSuite()
    {
        static QTemporaryDir settings;
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings.path());
    }
    void SetUp() override
    {
        ItemValidation::shared().reset();
        ShareItemsProvider::shared().url.reset();
        g_actions.clear();
        ActionBridge::setCallback(record);
        window.resize(900, 500);
        window.setCentralWidget(new QTextEdit);
        manager.clearSavedItemIdentifiers();
        manager.updateLabels(kLabelsJson);
    }
    void TearDown() override
    {
        manager.detach();
        manager.clearSavedItemIdentifiers();
        ActionBridge::setCallback(nullptr);
    }

    ToolbarItem* item(const QString& id) const
    {
        for (ToolbarItem* i : manager.items())
            if (i->identifier() == id)
                return i;
        return nullptr;
    }
    QToolButton* button(const QString& id) const
    {
        ToolbarItem* i = item(id);
        return i ? qobject_cast<QToolButton*>(i->existingWidget()) : nullptr;
    }
    void arrange(const QStringList& ids) { manager.setItemIdentifiers(ids); }

    QMainWindow window;
    ArrangedManager manager{QStringLiteral("TestToolbar")};
};

} // namespace

TEST_F(ToolbarTest, AFreshAttachShowsTheDefaultLayoutWithShareAndPrintDisabled)
{
    manager.attach(&window);
    ASSERT_NE(manager.toolbar(), nullptr);
    EXPECT_EQ(manager.toolbar()->parent(), &window);
    EXPECT_EQ(manager.itemIdentifiers(),
              (QStringList{"accounts", "flexibleSpace", "compose", "share", "print"}));
    EXPECT_TRUE(item("compose")->isEnabled());
    EXPECT_FALSE(item("share")->isEnabled());
    EXPECT_FALSE(item("print")->isEnabled());
    EXPECT_FALSE(button("print")->isEnabled()) << "the widget follows the item";
    EXPECT_EQ(button("compose")->toolTip(), "New Message");
    EXPECT_EQ(button("print")->toolTip(), "Print or export");
    EXPECT_EQ(item("share")->toolTip(), "Share this message");
    EXPECT_EQ(ToolbarManager::shared().toolbarIdentifier(), "TarnwickToolbar");
}

TEST_F(ToolbarTest, TheThreeIdentifierListsAreInPaletteOrder)
{
    EXPECT_EQ(manager.defaultItemIdentifiers(), (QStringList{"accounts", "flexibleSpace", "compose", "share", "print"}));
    EXPECT_EQ(manager.allowedItemIdentifiers(),
              (QStringList{"accounts", "flexibleSpace", "space", "compose", "share", "print", "search", "archive",
                           "trash", "markRead", "reply", "replyAll", "forward", "manageGroup", "replyGroup"}));
    EXPECT_EQ(manager.immovableItemIdentifiers(), QStringList{"accounts"});
    EXPECT_EQ(manager.mouseNavigationSources(), NavigationSource::SideButtons | NavigationSource::Trackpad);
    EXPECT_EQ(manager.makeItem("nonsense"), nullptr);
    ToolbarManagerBase base;
    EXPECT_EQ(base.toolbarIdentifier(), "SuiteToolbar");
    EXPECT_EQ(base.defaultItemIdentifiers(), QStringList{"accounts"});
    EXPECT_EQ(base.allowedItemIdentifiers(), (QStringList{"accounts", "space", "flexibleSpace"}));
    EXPECT_EQ(base.mouseNavigationSources(), NavigationSources::all());
}

TEST_F(ToolbarTest, EveryButtonRaisesItsActionWithAnEmptyPayload)
{
    manager.attach(&window);
    arrange({"accounts", "compose", "archive", "trash", "markRead", "reply", "replyAll", "forward", "manageGroup",
             "replyGroup", "search", "print", "share"});
    for (const char* id : {"reply", "replyAll", "forward", "replyGroup"})
        manager.setItemEnabled(id, true);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));

    // Every plain button, then the group entries in order (the group's members follow it).
    Actions expected;
    for (ToolbarItem* i : manager.items()) {
        if (i->kind() != ToolbarItem::Kind::Button)
            continue;
        auto* b = qobject_cast<QToolButton*>(i->existingWidget());
        ASSERT_NE(b, nullptr) << i->identifier().toStdString();
        ASSERT_TRUE(b->isEnabled()) << i->identifier().toStdString();
        QTest::mouseClick(b, Qt::LeftButton);
    }
    const Actions wanted = {{"newMessage", ""}, {"archive", ""},  {"trash", ""},   {"toggleRead", ""},
                            {"reply", ""},      {"replyAll", ""}, {"forward", ""}, {"archive", ""},
                            {"trash", ""},      {"toggleRead", ""}, {"reply", ""}, {"replyAll", ""},
                            {"forward", ""}};
    EXPECT_EQ(g_actions, wanted);

    // The print menu's two entries.
    g_actions.clear();
    QMenu* menu = item("print")->menu();
    ASSERT_NE(menu, nullptr);
    ASSERT_EQ(menu->actions().size(), 2);
    EXPECT_EQ(menu->actions()[0]->text(), "Print…");
    EXPECT_EQ(menu->actions()[0]->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_P));
    EXPECT_EQ(menu->actions()[1]->text(), "Export as PDF…");
    menu->actions()[1]->trigger();
    menu->actions()[0]->trigger();
    EXPECT_EQ(g_actions, (Actions{{"exportPdf", ""}, {"print", ""}}));

    // A disabled button raises nothing.
    g_actions.clear();
    manager.setItemEnabled("compose", false);
    QTest::mouseClick(button("compose"), Qt::LeftButton);
    EXPECT_TRUE(g_actions.empty());
}

TEST_F(ToolbarTest, NoCallbackMeansClicksAreLostNotQueued)
{
    manager.attach(&window);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    ActionBridge::setCallback(nullptr);
    QTest::mouseClick(button("compose"), Qt::LeftButton);
    ActionBridge::setCallback(record);
    EXPECT_TRUE(g_actions.empty());
    QTest::mouseClick(button("compose"), Qt::LeftButton);
    EXPECT_EQ(g_actions, (Actions{{"newMessage", ""}}));
}

TEST_F(ToolbarTest, SearchSendsTrimmedTextOnReturnOnly)
{
    manager.attach(&window);
    arrange({"accounts", "search"});
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    auto* field = window.findChild<QLineEdit*>("searchField");
    ASSERT_NE(field, nullptr);
    EXPECT_EQ(field->placeholderText(), "Search mail");
    struct Row {
        QString typed;
        Actions expected;
    } rows[] = {
        {"   ", {}},
        {" \t ", {}},
        {"  from:anna\t", {{"search", "from:anna"}}},
        {"a b", {{"search", "a b"}}},
    };
    for (const Row& row : rows) {
        g_actions.clear();
        field->setText(row.typed);
        EXPECT_TRUE(g_actions.empty()) << "typing alone sends nothing";
        QTest::keyClick(field, Qt::Key_Return);
        EXPECT_EQ(g_actions, row.expected) << row.typed.toStdString();
        EXPECT_EQ(field->text(), row.typed) << "Return inserts nothing";
    }
}

TEST_F(ToolbarTest, EnabledStatesGoToTheFirstMatchingItemAndTheRegistry)
{
    manager.attach(&window);
    arrange({"accounts", "replyGroup", "manageGroup", "markRead"});
    ToolbarItem* group = item("replyGroup");
    ASSERT_NE(group, nullptr);
    ASSERT_EQ(group->subItems().size(), 3u);
    EXPECT_FALSE(group->isEnabled()) << "the reply group starts disabled";
    for (ToolbarItem* sub : group->subItems())
        EXPECT_FALSE(sub->isEnabled()) << sub->identifier().toStdString();

    manager.setItemEnabled("reply", true);
    EXPECT_TRUE(group->subItems()[0]->isEnabled());
    EXPECT_FALSE(group->subItems()[1]->isEnabled()) << "replyAll untouched";
    EXPECT_FALSE(group->isEnabled()) << "the group itself untouched";

    ToolbarItem* toggle = item("manageGroup")->subItems()[2];
    ASSERT_EQ(toggle->identifier(), "toggleRead");
    manager.setItemEnabled("markRead", false);
    EXPECT_FALSE(item("markRead")->isEnabled());
    EXPECT_TRUE(toggle->isEnabled()) << "markRead and toggleRead are separate items";
    manager.setItemEnabled("toggleRead", false);
    manager.setItemEnabled("markRead", true);
    EXPECT_FALSE(toggle->isEnabled());
    EXPECT_TRUE(item("markRead")->isEnabled());

    manager.setItemEnabled("nothing-has-this", false);
    EXPECT_FALSE(ItemValidation::shared().isEnabled("nothing-has-this")) << "recorded for later";
}

TEST_F(ToolbarTest, StatesSetBeforeAttachingOrAcrossReattachingAreKept)
{
    manager.setItemEnabled("print", true);
    manager.runCustomization(); // nothing to customise yet
    EXPECT_EQ(window.findChild<QDialog*>(), nullptr);
    manager.attach(&window);
    EXPECT_TRUE(item("print")->isEnabled());
    manager.setItemEnabled("share", true);
    manager.detach();
    EXPECT_EQ(manager.toolbar(), nullptr);
    EXPECT_TRUE(window.findChildren<QToolBar*>().isEmpty());
    manager.attach(&window);
    EXPECT_TRUE(item("share")->isEnabled());
    EXPECT_TRUE(item("print")->isEnabled());
}

TEST_F(ToolbarTest, AttachingTwiceChangesNothingAndAnotherWindowTakesTheToolbar)
{
    manager.attach(&window);
    QToolBar* first = manager.toolbar();
    manager.attach(&window);
    EXPECT_EQ(manager.toolbar(), first);
    EXPECT_EQ(window.findChildren<QToolBar*>().size(), 1);

    QMainWindow second;
    manager.attach(&second);
    EXPECT_EQ(manager.window(), &second);
    EXPECT_TRUE(window.findChildren<QToolBar*>().isEmpty());
    EXPECT_EQ(second.findChildren<QToolBar*>().size(), 1);
    manager.detach();
}

TEST_F(ToolbarTest, AWindowClosedUnderTheToolbarLeavesNothingDangling)
{
    auto* doomed = new QMainWindow;
    manager.attach(doomed);
    delete doomed;
    EXPECT_EQ(manager.toolbar(), nullptr);
    EXPECT_TRUE(manager.items().isEmpty());
    manager.setItemEnabled("print", true);
    manager.updateAccounts(kThreeAccounts);
    manager.detach();
    manager.attach(&window);
    EXPECT_NE(manager.toolbar(), nullptr);
}

TEST_F(ToolbarTest, TheSwitcherHidesBelowTwoAccountsAndIsReused)
{
    manager.attach(&window);
    ToolbarItem* accounts = item("accounts");
    ASSERT_NE(accounts, nullptr);
    EXPECT_EQ(accounts->view()->objectName(), "emptyAccountsView");
    EXPECT_EQ(accounts->view()->size(), QSize(0, 0));

    manager.updateAccounts(kThreeAccounts);
    auto* control = qobject_cast<AccountSegmentedControl*>(accounts->view());
    ASSERT_NE(control, nullptr);
    EXPECT_EQ(control->segmentCount(), 3);
    EXPECT_EQ(control->selectedSegment(), 1);
    EXPECT_EQ(control->segmentToolTip(1), QString::fromUtf8("Work: 150 unread (Ctrl+2)"));

    manager.updateAccounts(R"({"activeAccountId":"home"})");
    EXPECT_EQ(accounts->view(), control) << "the control is reused";
    EXPECT_EQ(control->selectedSegment(), 0);

    manager.updateAccounts("not json");
    EXPECT_EQ(control->selectedSegment(), 0);

    manager.updateAccounts(R"({"accounts":[{"id":"solo","name":"Solo"}]})");
    EXPECT_EQ(accounts->view()->objectName(), "emptyAccountsView");
    manager.updateAccounts(kThreeAccounts);
    EXPECT_NE(qobject_cast<AccountSegmentedControl*>(accounts->view()), nullptr) << "shown again";

    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    control = qobject_cast<AccountSegmentedControl*>(accounts->view());
    QTest::mouseClick(control->segmentButton(0), Qt::LeftButton);
    EXPECT_EQ(g_actions, (Actions{{"switchAccount", "home"}}));
}

TEST_F(ToolbarTest, LabelsApplyToItemsBuiltAfterThemAndToTheNextSwitcherConfiguration)
{
    manager.updateAccounts(kThreeAccounts);
    manager.attach(&window);
    manager.updateLabels(R"({"labels":{"toolbar.newMessage":"Verfassen","toolbar.account.unread":"{name} – {count}"}})");
    EXPECT_EQ(button("compose")->toolTip(), "New Message") << "built items keep their texts";
    auto* control = qobject_cast<AccountSegmentedControl*>(item("accounts")->view());
    EXPECT_EQ(control->segmentToolTip(1), QString::fromUtf8("Work: 150 unread (Ctrl+2)"));
    manager.updateAccounts(R"({})");
    EXPECT_EQ(control->segmentToolTip(1), QString::fromUtf8("Work – 150"));

    manager.updateLabels(R"({"labels":{"toolbar.newMessage":"X","bad":1}})");
    EXPECT_EQ(manager.labels()["toolbar.newMessage"], "Verfassen") << "a numeric value rejects the whole object";
    EXPECT_EQ(manager.labels()["toolbar.archive"], "") << "keys not sent are gone";
    arrange({"accounts", "compose"});
    EXPECT_EQ(button("compose")->toolTip(), "Verfassen");
}

TEST_F(ToolbarTest, TheShareLinkIsSetClearedAndOffered)
{
    manager.attach(&window);
    EXPECT_TRUE(ShareItemsProvider::shared().items().isEmpty());
    manager.setShareUrl("https://mail.example.com/thread/42");
    EXPECT_EQ(ShareItemsProvider::shared().items(), QList<QUrl>{QUrl("https://mail.example.com/thread/42")});
    manager.setShareUrl("");
    EXPECT_TRUE(ShareItemsProvider::shared().items().isEmpty()) << "an empty string clears";
    manager.setShareUrl("https://example.com/a");
    manager.setShareUrl("http://exa mple.com/%zz");
    EXPECT_TRUE(ShareItemsProvider::shared().items().isEmpty()) << "text that is not a URL clears";

    manager.setShareUrl("https://example.com/b");
    manager.setItemEnabled("share", true);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    QMenu* picker = button("share")->menu();
    ASSERT_NE(picker, nullptr);
    Q_EMIT picker->aboutToShow();
    EXPECT_EQ(picker->actions().size(), 3) << "copy, open, mail";
    EXPECT_TRUE(g_actions.empty()) << "sharing raises no action";
}

TEST_F(ToolbarTest, CustomizationArrangesItemsAndKeepsTheSwitcherFirst)
{
    manager.attach(&window);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    manager.runCustomization();
    manager.runCustomization();
    EXPECT_EQ(window.findChildren<QDialog*>().size(), 1) << "asking again shows the same palette";
    auto* dialog = window.findChild<QDialog*>("toolbarCustomization");
    ASSERT_NE(dialog, nullptr);
    auto* list = dialog->findChild<QListWidget*>();
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->count(), manager.allowedItemIdentifiers().size());
    for (int i = 0; i < list->count(); ++i) {
        QListWidgetItem* row = list->item(i);
        const QString id = row->data(Qt::UserRole).toString();
        if (id == "compose")
            row->setCheckState(Qt::Unchecked);
        if (id == "search")
            row->setCheckState(Qt::Checked);
    }
    // Drag the switcher's row to the end: it stays first anyway.
    list->insertItem(list->count(), list->takeItem(0));
    dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
    EXPECT_EQ(manager.itemIdentifiers(), (QStringList{"accounts", "flexibleSpace", "share", "print", "search"}));
    EXPECT_EQ(manager.savedItemIdentifiers(), manager.itemIdentifiers());

    manager.detach();
    manager.attach(&window);
    EXPECT_EQ(manager.itemIdentifiers(), (QStringList{"accounts", "flexibleSpace", "share", "print", "search"}))
        << "the arrangement is restored";
}

TEST_F(ToolbarTest, ReviewImageOfTheHostWindowWithThreeAccounts)
{
    manager.updateAccounts(kThreeAccounts);
    manager.attach(&window);
    arrange({"accounts", "flexibleSpace", "compose", "manageGroup", "replyGroup", "search", "share", "print"});
    for (const char* id : {"replyGroup", "reply", "replyAll", "forward", "print"})
        manager.setItemEnabled(id, true);
    auto* content = new QLabel("<p style='color:#666'>web content</p>");
    content->setAlignment(Qt::AlignCenter);
    window.setCentralWidget(content);
    window.resize(1100, 260);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    const QImage image = window.grab().toImage();
    ASSERT_FALSE(image.isNull());
    const QString dir = QStringLiteral(TARNWICK_REVIEW_DIR);
    QDir().mkpath(dir);
    EXPECT_TRUE(image.save(dir + "/native-toolbar.png"));
    // The toolbar sits at the top, left to right in item order.
    const QWidget* accounts = item("accounts")->existingWidget();
    const QWidget* print = item("print")->existingWidget();
    EXPECT_LT(accounts->mapTo(&window, QPoint()).x(), print->mapTo(&window, QPoint()).x());
    EXPECT_LT(manager.toolbar()->geometry().bottom(), content->geometry().top() + 1);
}
