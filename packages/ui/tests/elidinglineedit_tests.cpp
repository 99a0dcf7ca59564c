// A name too long for its field: shown from its start with "…" at its logical end while the field is
// not being edited, whole while it is; short names and right-to-left names alike.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>

#include "tarnwick/ui/elidinglineedit.h"

using namespace tarnwick;

namespace {

const QChar kEllipsis(0x2026);

struct Field {
    QWidget window;
    ElidingLineEdit* edit = new ElidingLineEdit(&window);
    QLineEdit* other = new QLineEdit(&window);
    explicit Field(const QString& text)
    {
        edit->setText(text);
        edit->setGeometry(0, 0, 160, 24);
        other->setGeometry(0, 30, 160, 24);
        window.resize(200, 60);
        window.show();
        QApplication::setActiveWindow(&window);
        EXPECT_TRUE(QTest::qWaitForWindowActive(&window));
        other->setFocus();
    }
};

} // namespace

TEST(ElidingLineEdit, ShowsTheStartOfALongNameUntilItIsEdited)
{
    // Empty and short texts are shown as they are.
    for (const QString& text : {QString(), QStringLiteral("Work")}) {
        Field field(text);
        EXPECT_EQ(field.edit->shownText(), text);
    }

    const QString name = QStringLiteral("Quarterly Reports and Invoices for the Northern Region");
    Field field(name);
    const QString shown = field.edit->shownText();
    ASSERT_TRUE(shown.endsWith(kEllipsis)) << shown.toStdString();
    EXPECT_TRUE(name.startsWith(shown.chopped(1)));
    EXPECT_LE(field.edit->fontMetrics().horizontalAdvance(shown), field.edit->width());
    // What a screen reader and the model see is the whole name.
    EXPECT_EQ(field.edit->text(), name);

    field.edit->setFocus();
    ASSERT_TRUE(field.edit->hasFocus());
    EXPECT_EQ(field.edit->shownText(), name) << "edited, the whole name is there";
    field.other->setFocus();
    EXPECT_EQ(field.edit->shownText(), shown);
}

TEST(ElidingLineEdit, RightToLeftNamesEndInAnEllipsisAtTheirLogicalEnd)
{
    // "Monthly reports of the sales department in the northern region" in Arabic.
    const QString name = QString::fromUtf8("تقارير شهرية لقسم المبيعات في المنطقة الشمالية للشركة");
    Field field(name);
    const QString shown = field.edit->shownText();
    ASSERT_TRUE(shown.endsWith(kEllipsis)) << shown.toStdString();
    // The last letter keeps its joining form before the ellipsis (a zero-width joiner).
    QString kept = shown.chopped(1);
    if (kept.endsWith(QChar(0x200d)))
        kept.chop(1);
    EXPECT_GT(kept.size(), 4);
    EXPECT_TRUE(name.startsWith(kept)) << "the reading starts where the name starts";
}
