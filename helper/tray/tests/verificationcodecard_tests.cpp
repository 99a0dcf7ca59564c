// The verification code card: its eyebrow, relative time, layout and the copy button's timing.

#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include "tarnwick/helper/verificationcodecard.h"

using namespace tarnwick;

namespace {

TrayVerificationCode code(std::optional<std::string> service, std::string from, std::string subject, double receivedAt)
{
    return {"123456", std::move(service), std::move(subject), std::move(from), "m1", "t1", "acct", receivedAt};
}

} // namespace

TEST(VerificationCodeCard, EyebrowNamesTheServiceElseTheSenderElseEmail)
{
    const struct {
        std::optional<std::string> service;
        std::string from;
        const char* expected;
    } rows[] = {
        {std::nullopt, "", "Email"},
        {"", "", "Email"},
        {std::nullopt, "Ada <ada@x>", "Ada <ada@x>"},
        {"", "bob@x", "bob@x"},
        {"GitHub", "noreply@github.com", "GitHub"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(VerificationCodeCard::eyebrowServiceName(code(row.service, row.from, "", 0)), row.expected);
}

TEST(VerificationCodeCard, RelativeTimeInWholeMinutesAndHours)
{
    const struct {
        double elapsed;
        const char* text;
    } rows[] = {
        {-500, "Just now"}, {0, "Just now"},    {59, "Just now"},  {59.99, "Just now"}, {60, "1m ago"},
        {119, "1m ago"},    {120, "2m ago"},    {3599, "59m ago"}, {3600, "1h ago"},    {7199, "1h ago"},
        {86400 * 3, "72h ago"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(VerificationCodeCard::relativeTimeText(row.elapsed), row.text) << row.elapsed;
    // Nonsense times never crash or show a negative age.
    EXPECT_EQ(VerificationCodeCard::relativeTimeText(std::nan("")), "Just now");
    EXPECT_EQ(VerificationCodeCard::relativeTimeText(-std::numeric_limits<double>::infinity()), "Just now");

    ManualClock clock(2'000'000'000.0);
    VerificationCodeCard future(code("S", "", "", clock.now() + 600), Qt::red, {}, clock);
    EXPECT_EQ(future.findChild<QLabel*>("timeLabel")->text(), "Just now");
}

TEST(VerificationCodeCard, ShowsTheCodeWithItsSubjectOnlyWhenThereIsOne)
{
    ManualClock clock;
    VerificationCodeCard withSubject(code("Figma", "", "Your code", clock.now() - 61), Qt::red, {}, clock);
    EXPECT_EQ(withSubject.findChild<QLabel*>("codeLabel")->text(), "123456");
    ASSERT_NE(withSubject.findChild<QLabel*>("subjectLabel"), nullptr);
    EXPECT_EQ(withSubject.findChild<QLabel*>("subjectLabel")->text(), "Your code");
    EXPECT_EQ(withSubject.findChild<QLabel*>("serviceLabel")->text(), "Figma");
    EXPECT_EQ(withSubject.findChild<QLabel*>("pillLabel")->text(), "Verification Code");
    EXPECT_EQ(withSubject.findChild<QLabel*>("timeLabel")->text(), "1m ago");
    EXPECT_EQ(withSubject.copyButton()->text(), "Copy");

    VerificationCodeCard bare(code(std::nullopt, "", "", clock.now()), Qt::red, {}, clock);
    EXPECT_EQ(bare.findChild<QLabel*>("subjectLabel"), nullptr);
    EXPECT_EQ(bare.findChild<QLabel*>("serviceLabel")->text(), "Email");
}

TEST(VerificationCodeCard, ClickOpensTheThreadButTheCopyButtonOnlyCopies)
{
    std::vector<std::string> opened;
    VerificationCodeCard card(code("S", "", "Subject", Clock::system().now()), Qt::blue,
                              [&](const std::string& account, const std::string& thread) {
                                  opened.push_back(account + "/" + thread);
                              });
    card.resize(340, 70);
    card.show();
    QGuiApplication::clipboard()->setText("something else");
    QTest::mouseClick(card.copyButton(), Qt::LeftButton);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "123456");
    EXPECT_TRUE(card.isCopied());
    EXPECT_EQ(card.copyButton()->text(), "Copied");
    EXPECT_TRUE(opened.empty());

    QTest::mouseClick(&card, Qt::LeftButton, {}, QPoint(60, 50));
    EXPECT_EQ(opened, std::vector<std::string>{"acct/t1"});
    // A press that ends outside the card is no click.
    QTest::mousePress(&card, Qt::LeftButton, {}, QPoint(60, 50));
    QTest::mouseRelease(&card, Qt::LeftButton, {}, QPoint(-20, 50));
    EXPECT_EQ(opened.size(), 1u);
}

TEST(VerificationCodeCard, CopiedLastsTwoSecondsFromTheLastCopy)
{
    VerificationCodeCard card(code("S", "", "", Clock::system().now()), Qt::blue, {});
    QSignalSpy spy(&card, &VerificationCodeCard::copiedChanged);
    QElapsedTimer sinceSecondCopy;

    QElapsedTimer sinceFirstCopy;
    card.copyToClipboard();
    sinceFirstCopy.start();
    ASSERT_EQ(spy.count(), 1);
    EXPECT_TRUE(spy.takeFirst().at(0).toBool());
    // A second copy while "Copied" shows restarts the wait and reports no change.
    int changesAtSecondCopy = -1;
    QTimer::singleShot(1500, &card, [&] {
        changesAtSecondCopy = int(spy.count());
        card.copyToClipboard();
        sinceSecondCopy.start();
    });

    ASSERT_TRUE(spy.wait(6000));
    EXPECT_EQ(changesAtSecondCopy, 0) << "still Copied 1.5 s after the first copy";
    ASSERT_TRUE(sinceSecondCopy.isValid());
    EXPECT_FALSE(spy.takeFirst().at(0).toBool());
    EXPECT_GE(sinceSecondCopy.elapsed(), VerificationCodeCard::kCopiedResetMs - 50);
    EXPECT_GE(sinceFirstCopy.elapsed(), 1500 + VerificationCodeCard::kCopiedResetMs - 50);
    EXPECT_EQ(card.copyButton()->text(), "Copy");
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "123456") << "the code stays on the clipboard";
}
