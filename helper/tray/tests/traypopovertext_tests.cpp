// Mail text in the popover's narrow places: cut at its logical end with "…", whole grapheme clusters
// only, drawn in its own direction (for right-to-left text the "…" is at the left), and the code
// card giving way on the service, never on its own label.

#include <QApplication>
#include <QDir>
#include <QMenu>
#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QTextBoundaryFinder>
#include <gtest/gtest.h>

#include "tarnwick/helper/traymessagerow.h"
#include "tarnwick/helper/traymodel.h"
#include "tarnwick/helper/traysearchfield.h"
#include "tarnwick/rpc/json.h"
#include "tarnwick/helper/traypopoverview.h"
#include "tarnwick/helper/traystyle.h"
#include "tarnwick/helper/verificationcodecard.h"
#include "traypopovertext_p.h"

using namespace tarnwick;
namespace text = tarnwick::traypopovertext;

namespace {

// The popover follows the model on the next turn of the event loop.
void settle()
{
    QCoreApplication::processEvents();
}

const QString kEllipsis = QStringLiteral("…");

bool endsOnGraphemeBoundary(const QString& whole, qsizetype at)
{
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, whole);
    finder.setPosition(at);
    return finder.isAtBoundary();
}

// The columns of `image` holding ink (pixels far from `background`) in rows [top, bottom].
std::vector<int> inkColumns(const QImage& image, QRgb background, int top, int bottom)
{
    std::vector<int> columns;
    for (int x = 0; x < image.width(); ++x)
        for (int y = std::max(0, top); y <= std::min(image.height() - 1, bottom); ++y) {
            const QRgb c = image.pixel(x, y);
            if (std::abs(qGray(c) - qGray(background)) > 60) {
                columns.push_back(x);
                break;
            }
        }
    return columns;
}

} // namespace

TEST(TrayPopoverText, ElidesAtTheLogicalEndOnWholeGraphemes)
{
    const QFont font = traystyle::font(12);
    const QFontMetricsF metrics(font);
    EXPECT_EQ(text::elided(QString(), font, 50), QString());
    EXPECT_EQ(text::elided(QStringLiteral("Short"), font, 200), "Short");
    EXPECT_EQ(text::elided(QStringLiteral("Anything"), font, 0), kEllipsis);

    const QString samples[] = {
        QStringLiteral("Quarterly report for the northern region, final"),
        QString::fromUtf8("فاتورة الشهر الماضي من شركة الكهرباء الوطنية"),
        QString::fromUtf8("שלום לכולם, הפגישה נדחתה ליום חמישי בבוקר"),
        // A family (joined by zero-width joiners), a thumbs-up with a skin tone, a flag: one cluster each.
        QString::fromUtf8("👨‍👩‍👧‍👦👍🏽🇳🇴👨‍👩‍👧‍👦👍🏽🇳🇴👨‍👩‍👧‍👦👍🏽🇳🇴 party"),
        QString::fromUtf8("e\u0301e\u0301e\u0301e\u0301e\u0301e\u0301e\u0301e\u0301e\u0301e\u0301e\u0301"),
    };
    for (const QString& sample : samples) {
        for (double width : {20.0, 45.0, 80.0, 130.0}) {
            const QString shown = text::elided(sample, font, width);
            if (metrics.horizontalAdvance(sample) <= width) {
                EXPECT_EQ(shown, sample);
                continue;
            }
            ASSERT_TRUE(shown.endsWith(kEllipsis)) << sample.toStdString() << " at " << width;
            EXPECT_LE(metrics.horizontalAdvance(shown), width + 0.01);
            const QString kept = shown.chopped(kEllipsis.size());
            EXPECT_TRUE(sample.startsWith(kept)) << "a start of the text, in logical order: " << shown.toStdString();
            EXPECT_TRUE(endsOnGraphemeBoundary(sample, kept.size())) << shown.toStdString();
        }
    }
}

TEST(TrayPopoverText, NamesThatReadRightToLeftAreIsolatedSoCountsFollowThem)
{
    EXPECT_EQ(text::isolated(QStringLiteral("Work")), "Work");
    const QString arabic = QString::fromUtf8("العمل");
    EXPECT_EQ(text::isolated(arabic), QChar(0x2068) + arabic + QChar(0x2069));
    EXPECT_EQ(text::direction(arabic), Qt::RightToLeft);
    EXPECT_EQ(text::direction(QStringLiteral("123 Work")), Qt::LeftToRight);
}

TEST(TrayPopoverText, RightToLeftTextIsDrawnWithItsEllipsisAtTheLeft)
{
    // Drawn, the cut text's "…" (ink only near the baseline) is at the left for Arabic and at the
    // right for English; the letters around it reach well above the baseline.
    QFont font = traystyle::font(14);
    const QFontMetricsF metrics(font);
    const struct {
        QString sample;
        bool ellipsisLeft;
    } cases[] = {{QString::fromUtf8("فاتورة الشهر الماضي من شركة الكهرباء الوطنية"), true},
                 {QStringLiteral("Quarterly report for the northern region"), false}};
    for (const auto& c : cases) {
        const QString shown = text::elided(c.sample, font, 120);
        QImage image(160, 40, QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        painter.setFont(font);
        painter.setPen(Qt::black);
        const double baseline = 28;
        text::draw(painter, 10, baseline, shown);
        painter.end();
        const auto all = inkColumns(image, qRgb(255, 255, 255), 0, image.height() - 1);
        ASSERT_FALSE(all.empty());
        const auto tall = inkColumns(image, qRgb(255, 255, 255), 0, int(baseline - metrics.xHeight() * 0.7));
        ASSERT_FALSE(tall.empty());
        const int ellipsisWidth = int(metrics.horizontalAdvance(kEllipsis));
        EXPECT_GE(all.front(), 9) << "starts at the given left edge";
        if (c.ellipsisLeft)
            EXPECT_GE(tall.front() - all.front(), ellipsisWidth - 3) << "dots first, then letters";
        else
            EXPECT_GE(all.back() - tall.back(), ellipsisWidth - 3) << "letters, then the dots";
    }
}

TEST(TrayPopoverText, RowsCutSenderAndSubjectAtTheirLogicalEnds)
{
    TrayMessage message;
    message.id = "m";
    message.threadId = "t";
    message.from = "\"محمد عبد الرحمن بن سلطان آل مكتوم الكبير\" <m@x>";
    message.subject = "👨‍👩‍👧‍👦 فاتورة الشهر الماضي من شركة الكهرباء الوطنية للمنطقة الشمالية";
    message.isUnread = true;
    TrayMessageRow row(message, QColor("#2563eb"), false, QStringLiteral("2m"), {}, {});
    row.resize(300, row.sizeHint().height());
    for (const auto& [shown, whole] : {std::pair{row.shownSender(), row.senderText()},
                                       std::pair{row.shownSubject(), row.subjectText()}}) {
        ASSERT_TRUE(shown.endsWith(kEllipsis)) << shown.toStdString();
        EXPECT_TRUE(whole.startsWith(shown.chopped(1)));
        EXPECT_TRUE(endsOnGraphemeBoundary(whole, shown.size() - 1));
    }
}

TEST(TrayPopoverText, TheCodeCardKeepsItsLabelWholeAndCutsALongService)
{
    TrayVerificationCode item;
    item.code = "482913";
    item.service = std::string("The Extremely Long Name Of A Regional Utility Company 👍🏽");
    item.subject = "Your sign-in code for the customer portal of the regional utility";
    item.accountId = "w";
    item.threadId = "t";
    item.receivedAt = 0;
    ManualClock clock(130);
    VerificationCodeCard card(item, QColor("#2563eb"), {}, clock);
    card.setFixedWidth(TrayPopoverView::kWidth);
    card.show();
    card.adjustSize();
    QApplication::processEvents();

    auto* pill = card.findChild<QLabel*>("pillLabel");
    ASSERT_NE(pill, nullptr);
    EXPECT_GE(pill->width(), QFontMetrics(pill->font()).horizontalAdvance(pill->text())) << "\"Verification Code\" whole";
    auto* time = card.findChild<QLabel*>("timeLabel");
    EXPECT_GE(time->width(), QFontMetrics(time->font()).horizontalAdvance(time->text()));
    EXPECT_EQ(time->text(), "2m ago");

    auto* service = static_cast<text::ElidingLabel*>(card.findChild<QLabel*>("serviceLabel"));
    ASSERT_NE(service, nullptr);
    EXPECT_EQ(service->text().toStdString(), *item.service) << "the whole name for assistive technology";
    EXPECT_TRUE(service->shownText().endsWith(kEllipsis)) << service->shownText().toStdString();
    EXPECT_LE(service->geometry().right(), card.width()) << "on the card";
    auto* subject = static_cast<text::ElidingLabel*>(card.findChild<QLabel*>("subjectLabel"));
    EXPECT_TRUE(subject->shownText().endsWith(kEllipsis));
    EXPECT_LT(subject->geometry().right(), card.copyButton()->geometry().left());
}

TEST(TrayPopoverText, ReviewImagesOfRightToLeftTextAndTheAccountMenus)
{
    // Written for a person to look at (Arabic and Hebrew rows, emoji, the card with a long service,
    // the filter and scope menus with the chosen account's mark); only the menu texts are checked.
    const QString dir = QStringLiteral(TARNWICK_REVIEW_DIR);
    QDir().mkpath(dir);
    ManualClock clock(1'760'000'000.0);
    TrayModel model(clock);
    const std::string received = std::to_string((long long)((clock.now() - 200) * 1000));
    auto parsed = json::parse(R"({"accounts":[
        {"id":"a","name":"العمل","color":"#2563eb","unreadCount":7},
        {"id":"h","name":"בית","color":"#16a34a","unreadCount":0},
        {"id":"l","name":"A very long account name that goes on and on 👨‍👩‍👧‍👦","color":"#db2777","unreadCount":250}],
        "totalUnread":257,
        "verificationCode":{"code":"482913","service":"شركة الكهرباء الوطنية للمنطقة الشمالية والشرقية 👍🏽","messageId":"m9","threadId":"t9","accountId":"a","receivedAt":)" +
                              received + "}}");
    ASSERT_TRUE(parsed && parsed->object());
    model.update(*parsed->object());
    settle();
    auto message = [&](std::string id, std::string from, std::string subject) {
        TrayMessage m;
        m.id = id;
        m.threadId = "t" + id;
        m.from = std::move(from);
        m.subject = std::move(subject);
        m.internalDate = std::to_string((long long)((clock.now() - 300) * 1000));
        m.isUnread = true;
        return m;
    };
    model.setMessages("a", {message("1", "\"محمد عبد الرحمن بن سلطان آل مكتوم الكبير\" <m@x>",
                                    "فاتورة الشهر الماضي من شركة الكهرباء الوطنية للمنطقة الشمالية"),
                            message("2", "\"שלמה ארצי\" <s@x>", "שלום לכולם, הפגישה נדחתה ליום חמישי בבוקר 🎉🎉🎉🎉"),
                            message("3", "Invoices <billing@example.com>",
                                    "Your invoice for November 👨‍👩‍👧‍👦 is ready — total due in thirty days")});
    settle();
    TrayPopoverView view(model, {}, clock);
    view.show();
    QCoreApplication::processEvents();
    EXPECT_TRUE(view.grab().save(dir + "/tray-popover-rtl.png"));

    QStringList texts;
    for (QAction* action : view.filterMenu()->actions())
        texts << action->text();
    EXPECT_EQ(texts.mid(3, 2), (QStringList{QChar(0x2068) + QString::fromUtf8("العمل") + QChar(0x2069) + " (7)",
                                            QChar(0x2068) + QString::fromUtf8("בית") + QChar(0x2069)}));
    EXPECT_TRUE(texts[5].endsWith(QStringLiteral("… (99+)"))) << texts[5].toStdString();

    model.setSelectedAccountId(std::string("h"));
    settle();
    for (auto [menu, name] : {std::pair{view.filterMenu(), "filter"}}) {
        menu->popup(QPoint(0, 0));
        QCoreApplication::processEvents();
        EXPECT_TRUE(menu->grab().save(dir + QStringLiteral("/tray-popover-%1-menu.png").arg(name)));
        menu->close();
    }
    model.setSelectedAccountId(std::nullopt);
    settle();
    view.searchField()->scopeMenu()->popup(QPoint(0, 0));
    QCoreApplication::processEvents();
    EXPECT_TRUE(view.searchField()->scopeMenu()->grab().save(dir + "/tray-popover-scope-menu.png"));
    view.searchField()->scopeMenu()->close();
}
