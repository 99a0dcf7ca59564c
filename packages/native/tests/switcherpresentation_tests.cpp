// What the switcher draws and how it is reached: counts after names in the reading direction,
// names elided by whole graphemes, wrapped tooltips, arrows and Return between segments, a visible
// focus mark. On Qt's offscreen platform.
#include <gtest/gtest.h>

#include <QApplication>
#include <QGlyphRun>
#include <QHelpEvent>
#include <QTest>
#include <QTextBoundaryFinder>
#include <QTextLayout>
#include <QToolButton>
#include <QToolTip>

#include "tarnwick/native/accountsegmentedcontrol.h"
#include "tarnwick/native/actionbridge.h"
#include "tarnwick/native/toolbartooltips.h"

using namespace tarnwick::native;
using Actions = std::vector<std::pair<std::string, std::string>>;

namespace {

Actions g_actions;
void record(const char* a, const char* p)
{
    g_actions.emplace_back(a, p);
}

const QChar kIsolate(0x2068);
const QChar kPop(0x2069);
const QChar kEllipsis(0x2026);

ToolbarAccount account(std::string id, std::string name, std::int64_t unread = 0)
{
    ToolbarAccount a;
    a.id = std::move(id);
    a.name = std::move(name);
    a.unreadCount = unread;
    return a;
}

// The horizontal extent, as laid out for drawing, of the characters [from, to) of `text`.
std::pair<qreal, qreal> visualSpan(const QString& text, const QFont& font, Qt::LayoutDirection direction, int from, int to)
{
    QTextLayout layout(text, font);
    QTextOption option;
    option.setTextDirection(direction);
    layout.setTextOption(option);
    layout.beginLayout();
    layout.createLine().setLineWidth(10000);
    layout.endLayout();
    qreal left = 1e9, right = -1e9;
    for (int i = from; i < to; ++i) {
        if (text[i].isSpace())
            continue;
        for (const QGlyphRun& run : layout.glyphRuns(i, 1)) {
            const QRectF box = run.boundingRect();
            left = std::min(left, box.left());
            right = std::max(right, box.right());
        }
    }
    return {left, right};
}

// Where the name (between the isolates) and the count's "(n)" are drawn.
struct Placement {
    std::pair<qreal, qreal> name, count;
};
Placement placement(const QString& shown, const QFont& font, Qt::LayoutDirection direction)
{
    const int open = static_cast<int>(shown.lastIndexOf(QLatin1Char('(')));
    const int nameEnd = shown.contains(kPop) ? static_cast<int>(shown.indexOf(kPop)) : open - 1;
    const int nameStart = shown.startsWith(kIsolate) ? 1 : 0;
    return {visualSpan(shown, font, direction, nameStart, nameEnd),
            visualSpan(shown, font, direction, open, static_cast<int>(shown.size()))};
}

} // namespace

TEST(SwitcherPresentation, TheCountFollowsTheNameInTheReadingDirection)
{
    const QFont font = QApplication::font();
    const QFontMetrics metrics(font);
    for (const char* name : {"مريم العربية", "דוד כהן", "Work", "Ana — مكتب", "ملف 2024"}) {
        const QString shown = AccountSegmentedControl::presentedText(QString::fromUtf8(name), QStringLiteral("7"), metrics);
        const Placement ltr = placement(shown, font, Qt::LeftToRight);
        EXPECT_GE(ltr.count.first, ltr.name.second - 0.5) << name << ": the count right of the name";
        const Placement rtl = placement(shown, font, Qt::RightToLeft);
        EXPECT_LE(rtl.count.second, rtl.name.first + 0.5) << name << ": in a right-to-left window, left of it";
    }
    // Without the isolates an Arabic name pulls the count to its left: what the isolates are for.
    const QString plain = QString::fromUtf8("مريم العربية (7)");
    const Placement wrong = placement(plain, font, Qt::LeftToRight);
    EXPECT_LT(wrong.count.second, wrong.name.first + 0.5);
}

TEST(SwitcherPresentation, LongNamesAreElidedAtTheirLogicalEndByWholeGraphemes)
{
    const QFont font = QApplication::font();
    const QFontMetrics metrics(font);
    struct Row {
        const char* name;
        bool rightToLeft;
    } rows[] = {
        {"Family 👨‍👩‍👧‍👦👨‍👩‍👧‍👦👨‍👩‍👧‍👦👨‍👩‍👧‍👦 shared inbox of the whole household", false},
        {"Travel 🇫🇷🇩🇪🇮🇹🇪🇸🇵🇹🇬🇷🇳🇱🇧🇪🇦🇹🇨🇭 and more flags", false},
        {"Thumbs 👍🏽👍🏽👍🏽👍🏽👍🏽👍🏽👍🏽👍🏽👍🏽👍🏽👍🏽👍🏽", false},
        {"مكتب المحاماة والاستشارات القانونية في القاهرة", true},
        {"חשבון העבודה של המשרד הראשי בתל אביב יפו", true},
    };
    for (const Row& row : rows) {
        const QString name = QString::fromUtf8(row.name);
        for (const int width : {40, 70, 100, 140, AccountSegmentedControl::kMaxNameWidth}) {
            const QString shown = AccountSegmentedControl::presentedText(name, QStringLiteral("3"), metrics, width);
            ASSERT_TRUE(shown.startsWith(kIsolate)) << row.name;
            const QString inner = shown.mid(1, shown.indexOf(kPop) - 1);
            ASSERT_TRUE(inner.endsWith(kEllipsis)) << row.name << " at " << width;
            const QString kept = inner.chopped(1);
            EXPECT_TRUE(name.startsWith(kept)) << "cut at the logical end: " << row.name;
            QTextBoundaryFinder graphemes(QTextBoundaryFinder::Grapheme, name);
            graphemes.setPosition(kept.size());
            EXPECT_TRUE(graphemes.isAtBoundary()) << "no grapheme cut in two: " << row.name << " at " << width;
            EXPECT_LE(metrics.horizontalAdvance(inner), width) << row.name;
            EXPECT_TRUE(shown.endsWith(QStringLiteral(" (3)")));
            if (row.rightToLeft) {
                // The ellipsis is drawn where the name reads on, at its left.
                const int dots = static_cast<int>(shown.indexOf(kEllipsis));
                const auto ellipsis = visualSpan(shown, font, Qt::LeftToRight, dots, dots + 1);
                const auto text = visualSpan(shown, font, Qt::LeftToRight, 1, dots);
                EXPECT_LE(ellipsis.second, text.first + 0.5) << row.name;
            }
        }
    }
    const QString shortName = AccountSegmentedControl::presentedText(QStringLiteral("R&D"), QString(), metrics);
    EXPECT_EQ(shortName, QString(kIsolate) + "R&&D" + kPop) << "short names whole, '&' not a mnemonic, no count";
}

TEST(SwitcherPresentation, TooltipsAreWrappedToFourHundredPixels)
{
    const QFont font = QToolTip::font();
    const QFontMetrics metrics(font);
    const QString longText = QStringLiteral(
        "Work at Fenmoor Laboratories: 150 unread conversations, the newest from the quarterly review "
        "committee about the budget for next year (Ctrl+2)");
    struct Row {
        QString text;
        int lines; // 0: more than one
    } rows[] = {
        {QString(), 1},
        {QStringLiteral("Home: no unread mail (Ctrl+1)"), 1},
        {longText, 0},
        {QStringLiteral("first line\nsecond line"), 2},
        {QString(300, QLatin1Char('x')), 0},
        {QString::fromUtf8("مكتب المحاماة والاستشارات القانونية في القاهرة: ١٥٠ رسالة غير مقروءة من لجنة المراجعة الفصلية حول الميزانية"), 0},
    };
    for (const Row& row : rows) {
        const QString wrapped = wrappedToolTip(row.text, font);
        const QStringList lines = wrapped.split(QLatin1Char('\n'));
        if (row.lines > 0)
            EXPECT_EQ(lines.size(), row.lines) << row.text.toStdString();
        else
            EXPECT_GT(lines.size(), 1) << row.text.toStdString();
        for (const QString& line : lines)
            EXPECT_LE(metrics.horizontalAdvance(line), kToolTipWidth) << line.toStdString();
        QString joined = wrapped;
        EXPECT_EQ(joined.remove(QLatin1Char('\n')).remove(QLatin1Char(' ')), QString(row.text).remove(QLatin1Char('\n')).remove(QLatin1Char(' ')))
            << "nothing lost";
    }
}

TEST(SwitcherPresentation, ArrowsMoveBetweenSegmentsReturnSwitchesAndFocusShows)
{
    g_actions.clear();
    ActionBridge::setCallback(record);
    AccountSegmentedControl control;
    ToolbarAccount blocked = account("c", "Club");
    blocked.disabledByFocus = true;
    control.configure({account("a", "Home", 2), account("b", "Work"), blocked, account("d", "News")}, "a");
    control.show();
    control.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&control));

    QToolButton* home = control.segmentButton(0);
    control.segmentButton(1)->setFocus(Qt::TabFocusReason);
    const QImage unfocused = home->grab().toImage();
    home->setFocus(Qt::TabFocusReason);
    ASSERT_TRUE(home->hasFocus()) << "segments take the keyboard";
    EXPECT_NE(home->grab().toImage(), unfocused) << "the focused segment looks different";

    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Right);
    EXPECT_EQ(QApplication::focusWidget(), control.segmentButton(1));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Right);
    EXPECT_EQ(QApplication::focusWidget(), control.segmentButton(3)) << "a disabled segment is skipped";
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Right);
    EXPECT_EQ(QApplication::focusWidget(), control.segmentButton(3)) << "the last stays";
    EXPECT_TRUE(g_actions.empty()) << "moving switches nothing";
    EXPECT_EQ(control.selectedSegment(), 0);

    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    EXPECT_EQ(g_actions, (Actions{{"switchAccount", "d"}}));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Left);
    EXPECT_EQ(QApplication::focusWidget(), control.segmentButton(1));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
    EXPECT_EQ(g_actions.back(), (std::pair<std::string, std::string>{"switchAccount", "b"}));

    // Right to left the arrows follow the picture.
    control.setLayoutDirection(Qt::RightToLeft);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Left);
    EXPECT_EQ(QApplication::focusWidget(), control.segmentButton(3));

    // The overflow button is the last stop and opens with the keyboard too.
    control.setAvailableWidth(control.segmentButton(0)->sizeHint().width() + control.overflowButton()->sizeHint().width() + 2);
    ASSERT_TRUE(control.overflowButton()->isVisible());
    control.segmentButton(0)->setFocus(Qt::TabFocusReason);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Left);
    EXPECT_EQ(QApplication::focusWidget(), control.overflowButton()) << "hidden segments are not stops";
    ActionBridge::setCallback(nullptr);
}

TEST(SwitcherPresentation, AHoveredSegmentShowsItsTooltipWrapped)
{
    AccountSegmentedControl control;
    ToolTipPresenter::install(&control);
    const std::string longName = "Work at Fenmoor Laboratories and the quarterly review committee of the board";
    control.setLabels(ToolbarLabels(ToolbarLabels::Map{{"toolbar.account.unread", "{name}: {count} unread conversations waiting{shortcut}"}}));
    control.configure({account("a", "Home", 2), account("b", longName, 40)}, "a");
    control.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&control));
    QToolButton* work = control.segmentButton(1);
    const QPoint centre = work->rect().center();
    QHelpEvent hover(QEvent::ToolTip, centre, work->mapToGlobal(centre));
    QApplication::sendEvent(work, &hover);
    ASSERT_TRUE(QToolTip::isVisible());
    EXPECT_EQ(QToolTip::text(), wrappedToolTip(QString::fromStdString(longName + ": 40 unread conversations waiting (Ctrl+2)"),
                                               QToolTip::font()));
    EXPECT_TRUE(QToolTip::text().contains(QLatin1Char('\n')));
    QToolTip::hideText();
}
