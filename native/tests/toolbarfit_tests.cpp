// The toolbar with more accounts than fit: at every window width the buttons stay whole and inside
// the toolbar, and the account segments that do not fit wait behind the overflow button, which is
// there exactly when one is needed. Every case also runs at scale 1.5 and 2 (a child process each),
// and leaves review images of each scale.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QDir>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>
#include <QToolButton>

#include <unistd.h>

#include "tarnwick/native/accountsegmentedcontrol.h"
#include "tarnwick/native/actionbridge.h"
#include "tarnwick/native/itemvalidation.h"
#include "tarnwick/native/toolbaritem.h"
#include "tarnwick/testing/subprocess.h"
#include "toolbarmanager.h"

using namespace tarnwick::native;
using tarnwick::nativelib::ToolbarManager;
using Actions = std::vector<std::pair<std::string, std::string>>;

namespace {

Actions g_actions;
void record(const char* a, const char* p)
{
    g_actions.emplace_back(a, p);
}

const char* kLabels = R"({"labels":{
  "toolbar.newMessage":"New Message","toolbar.archive":"Archive","toolbar.delete":"Delete",
  "toolbar.toggleRead":"Read/Unread","toolbar.manage":"Manage","toolbar.reply":"Reply",
  "toolbar.replyAll":"Reply All","toolbar.forward":"Forward","toolbar.search":"Search mail",
  "toolbar.print":"Print","toolbar.print.toolTip":"Print or export","toolbar.print.menuPrint":"Print…",
  "toolbar.print.menuExport":"Export as PDF…","toolbar.share":"Share","toolbar.share.toolTip":"Share this message",
  "toolbar.signInRequired":"Sign-in required","toolbar.account.unknown":"Account",
  "toolbar.account.noUnread":"{name}: no unread mail{shortcut}","toolbar.account.oneUnread":"{name}: 1 unread{shortcut}",
  "toolbar.account.unread":"{name}: {count} unread{shortcut}",
  "toolbar.account.signInRequired":"{name}: sign in again{shortcut}"}})";

// Seven accounts: short and long names, an Arabic and a Hebrew one, emoji, a count above 99.
const char* kSevenAccounts = R"({"accounts":[
  {"id":"home","name":"Home","color":"#3b82f6","unreadCount":4},
  {"id":"work","name":"Work at Fenmoor Laboratories","color":"#22c55e","unreadCount":150},
  {"id":"ar","name":"مريم العربية","color":"#ef4444","unreadCount":7},
  {"id":"he","name":"דוד כהן","color":"#f59e0b","unreadCount":2},
  {"id":"family","name":"Family & Friends 👨‍👩‍👧 shared inbox for the whole household","color":"#a855f7","unreadCount":12},
  {"id":"club","name":"Rowing Club","color":"#14b8a6","needsAuth":true},
  {"id":"news","name":"Newsletters","color":"#64748b","unreadCount":1}],
  "activeAccountId":"news"})";

class ArrangedManager : public ToolbarManager {
public:
    QString toolbarIdentifier() const override { return QStringLiteral("FitTestToolbar"); }
};

class ToolbarFit : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        static QTemporaryDir settings;
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings.path());
    }
    void SetUp() override
    {
        ItemValidation::shared().reset();
        g_actions.clear();
        ActionBridge::setCallback(record);
        manager.clearSavedItemIdentifiers();
        manager.updateLabels(kLabels);
        manager.updateAccounts(kSevenAccounts);
        window.setCentralWidget(new QLabel("web content"));
        window.resize(900, 300);
        manager.attach(&window);
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    }
    void TearDown() override
    {
        manager.detach();
        ActionBridge::setCallback(nullptr);
    }

    ToolbarItem* item(const QString& id) const
    {
        for (ToolbarItem* i : manager.items())
            if (i->identifier() == id)
                return i;
        return nullptr;
    }
    AccountSegmentedControl* switcher() const { return qobject_cast<AccountSegmentedControl*>(item("accounts")->view()); }

    void resizeTo(int width)
    {
        window.resize(width, 300);
        // Until the toolbar has its width and has laid its items out again.
        QTRY_COMPARE(manager.toolbar()->width(), window.width());
        QCoreApplication::processEvents();
        QCoreApplication::processEvents();
    }

    // The widget's rectangle in toolbar coordinates.
    QRect inToolbar(const QWidget* widget) const
    {
        return QRect(widget->mapTo(manager.toolbar(), QPoint()), widget->size());
    }

    // What must hold at any width: whole buttons inside the toolbar, leading segments shown, the
    // overflow button present exactly when a segment is behind it and that segment could not be
    // shown instead.
    void expectFitted(const std::string& where)
    {
        QToolBar* toolbar = manager.toolbar();
        const QRect inside = toolbar->rect();
        for (const char* id : {"compose", "share", "print"}) {
            QWidget* button = item(id)->existingWidget();
            ASSERT_NE(button, nullptr) << id;
            EXPECT_TRUE(button->isVisible()) << where << ": " << id << " vanished";
            EXPECT_TRUE(inside.contains(inToolbar(button))) << where << ": " << id << " cut at the edge";
        }
        AccountSegmentedControl* control = switcher();
        ASSERT_NE(control, nullptr);
        const QRect holder = inToolbar(item("accounts")->existingWidget());
        int shown = 0;
        int firstHidden = -1;
        for (int i = 0; i < control->segmentCount(); ++i) {
            QToolButton* segment = control->segmentButton(i);
            if (!segment->isVisible()) {
                if (firstHidden < 0)
                    firstHidden = i;
                continue;
            }
            EXPECT_LT(firstHidden, 0) << where << ": segment " << i << " shown after a hidden one";
            ++shown;
            const QRect r = inToolbar(segment);
            EXPECT_TRUE(inside.contains(r)) << where << ": segment " << i << " cut at the toolbar's edge";
            EXPECT_TRUE(holder.contains(r)) << where << ": segment " << i << " cut by its item";
            EXPECT_GE(r.width(), segment->sizeHint().width()) << where << ": segment " << i << " squeezed";
        }
        QToolButton* chevron = control->overflowButton();
        EXPECT_EQ(chevron->isVisible(), shown < control->segmentCount()) << where;
        if (chevron->isVisible()) {
            EXPECT_TRUE(inside.contains(inToolbar(chevron))) << where << ": the overflow button is cut";
            // Showing the next segment would have pushed something out (the chevron gives its own
            // room only when that segment is the last).
            const bool last = firstHidden == control->segmentCount() - 1;
            const int room = item("flexibleSpace")->existingWidget()->width() + (last ? chevron->width() : 0);
            EXPECT_GT(control->segmentButton(firstHidden)->sizeHint().width(), room)
                << where << ": segment " << firstHidden << " would have fitted";
        }
        QWidget* extension = toolbar->findChild<QWidget*>(QStringLiteral("qt_toolbar_ext_button"));
        EXPECT_TRUE(!extension || !extension->isVisible()) << where << ": the toolbar's own overflow took items";
    }

    ArrangedManager manager;
    QMainWindow window;
};

} // namespace

TEST_F(ToolbarFit, SevenAccountsInNineHundredPixelsKeepEveryButton)
{
    resizeTo(900);
    expectFitted("900 px");
    AccountSegmentedControl* control = switcher();
    EXPECT_TRUE(control->overflowButton()->isVisible()) << "seven accounts with these names do not fit 900 px";

    // The menu lists exactly the accounts behind the chevron, in order, the active one checked.
    QMenu* menu = control->overflowMenu();
    Q_EMIT menu->aboutToShow();
    int firstHidden = 0;
    while (control->isSegmentShown(firstHidden))
        ++firstHidden;
    const QList<QAction*> entries = menu->actions();
    ASSERT_EQ(entries.size(), control->segmentCount() - firstHidden);
    for (int i = 0; i < entries.size(); ++i) {
        EXPECT_EQ(entries[i]->text(), control->segmentDisplayText(firstHidden + i));
        EXPECT_EQ(entries[i]->isChecked(), firstHidden + i == 6) << "only the active account is checked";
        EXPECT_EQ(entries[i]->isEnabled(), control->isSegmentEnabled(firstHidden + i));
    }
    EXPECT_TRUE(control->overflowButton()->property("holdsSelection").toBool())
        << "the active account is behind the chevron";

    // Choosing an entry does what a click on its segment does.
    entries.front()->trigger();
    const std::string chosen = control->accountIds()[static_cast<std::size_t>(firstHidden)];
    EXPECT_EQ(g_actions, (Actions{{"switchAccount", chosen}}));
    EXPECT_EQ(control->selectedSegment(), firstHidden);
}

TEST_F(ToolbarFit, AtEveryWidthTheChevronShowsExactlyWhenSegmentsDoNotFit)
{
    bool sawOverflow = false;
    bool sawAll = false;
    for (int width = 520; width <= 2000; width += 60) {
        resizeTo(width);
        ASSERT_EQ(window.width(), width) << "nothing keeps the window from narrowing";
        expectFitted(std::to_string(width) + " px");
        (switcher()->overflowButton()->isVisible() ? sawOverflow : sawAll) = true;
        if (::testing::Test::HasFailure())
            break;
    }
    EXPECT_TRUE(sawOverflow);
    EXPECT_TRUE(sawAll) << "a wide window shows every segment";

    // Fewer accounts: nothing overflows at 900 px.
    manager.updateAccounts(R"({"accounts":[{"id":"a","name":"Home","unreadCount":3},{"id":"b","name":"Work"}]})");
    resizeTo(900);
    expectFitted("two accounts");
    EXPECT_FALSE(switcher()->overflowButton()->isVisible());
}

TEST_F(ToolbarFit, LongNamesAreElidedAndEveryControlHasAName)
{
    resizeTo(1400);
    AccountSegmentedControl* control = switcher();
    const QString family = control->segmentDisplayText(4);
    EXPECT_TRUE(family.contains(QChar(0x2026))) << family.toStdString();
    EXPECT_TRUE(family.endsWith(QStringLiteral(" (12)"))) << family.toStdString();
    const QString drawnName = family.section(QChar(0x2069), 0, 0).mid(1).replace(QStringLiteral("&&"), QStringLiteral("&"));
    EXPECT_LE(control->segmentButton(4)->fontMetrics().horizontalAdvance(drawnName), AccountSegmentedControl::kMaxNameWidth);
    EXPECT_EQ(control->segmentLabel(4),
              QString::fromUtf8("Family & Friends 👨‍👩‍👧 shared inbox for the whole household (12)"))
        << "the segment's own text stays whole";

    // Every button the toolbar shows, the overflow button included, has a name for screen readers.
    manager.setItemIdentifiers({"accounts", "search", "flexibleSpace", "compose", "manageGroup", "replyGroup", "share", "print"});
    resizeTo(1100);
    ASSERT_TRUE(switcher()->overflowButton()->isVisible());
    int buttons = 0;
    std::function<void(QAccessibleInterface*)> walk = [&](QAccessibleInterface* node) {
        if (!node || node->state().invisible)
            return;
        const QAccessible::Role role = node->role();
        if (role == QAccessible::Button || role == QAccessible::ButtonMenu || role == QAccessible::ButtonDropDown
            || role == QAccessible::CheckBox || role == QAccessible::RadioButton || role == QAccessible::EditableText) {
            ++buttons;
            EXPECT_FALSE(node->text(QAccessible::Name).trimmed().isEmpty())
                << "unnamed " << role << " " << (node->object() ? node->object()->objectName().toStdString() : "");
        }
        for (int i = 0; i < node->childCount(); ++i)
            walk(node->child(i));
    };
    walk(QAccessible::queryAccessibleInterface(manager.toolbar()));
    EXPECT_GE(buttons, 12) << "segments, chevron, search, compose, six group members, share, print";
    QAccessibleInterface* chevron = QAccessible::queryAccessibleInterface(switcher()->overflowButton());
    EXPECT_FALSE(chevron->text(QAccessible::Name).isEmpty());

    // Narrower than the items besides the switcher: Qt's own overflow button appears, named too.
    resizeTo(420);
    QWidget* extension = manager.toolbar()->findChild<QWidget*>(QStringLiteral("qt_toolbar_ext_button"));
    ASSERT_NE(extension, nullptr);
    EXPECT_TRUE(extension->isVisible());
    EXPECT_FALSE(QAccessible::queryAccessibleInterface(extension)->text(QAccessible::Name).isEmpty());
}

TEST_F(ToolbarFit, ReviewImage)
{
    resizeTo(900);
    const QImage image = window.grab().toImage();
    const QString dir = QStringLiteral(TARNWICK_REVIEW_DIR);
    QDir().mkpath(dir);
    const QString scale = qEnvironmentVariableIsEmpty("QT_SCALE_FACTOR") ? QStringLiteral("1")
                                                                           : qEnvironmentVariable("QT_SCALE_FACTOR");
    EXPECT_TRUE(image.save(dir + "/native-toolbar-7-accounts-" + scale + "x.png"));
}

// The cases above once more in processes of their own at the larger scales.
TEST(ToolbarFitScales, HoldAtOneAndAHalfAndTwice)
{
    if (!qEnvironmentVariableIsEmpty("QT_SCALE_FACTOR"))
        GTEST_SKIP() << "already a scaled run";
    char self[4096] = {};
    ASSERT_GT(::readlink("/proc/self/exe", self, sizeof self - 1), 0);
    for (const char* scale : {"1.5", "2"}) {
        tarnwick::testing::Subprocess child(self, {"--gtest_filter=ToolbarFit.*"},
                                            {{{"QT_SCALE_FACTOR", scale}, {"QT_QPA_PLATFORM", "offscreen"}}, {}, {}});
        const auto status = child.wait(std::chrono::seconds(120));
        const std::string out = child.remainingStdout();
        EXPECT_EQ(status, 0) << "at scale " << scale << ":\n" << out << child.stderrText();
        EXPECT_NE(out.find("[  PASSED  ]"), std::string::npos) << out;
        EXPECT_EQ(out.find("[  SKIPPED ]"), std::string::npos) << out;
    }
}
