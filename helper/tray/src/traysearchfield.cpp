#include "tarnwick/helper/traysearchfield.h"

#include <QAction>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>

#include "tarnwick/helper/traystyle.h"
#include "tarnwick/ui/accountdot.h"

namespace tarnwick {

namespace {

// A magnifier, with a small chevron when it opens the scope menu.
QIcon magnifierIcon(bool withChevron)
{
    QIcon icon;
    for (qreal dpr : {1.0, 2.0}) {
        const QSizeF size(withChevron ? 22 : 14, 14);
        QImage image((size * dpr).toSize(), QImage::Format_ARGB32_Premultiplied);
        image.setDevicePixelRatio(dpr);
        image.fill(Qt::transparent);
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        QPen pen(traystyle::secondary(), 1.5);
        pen.setCapStyle(Qt::RoundCap);
        p.setPen(pen);
        p.drawEllipse(QRectF(2, 2, 7.5, 7.5));
        p.drawLine(QPointF(8.6, 8.6), QPointF(12, 12));
        if (withChevron) {
            QPainterPath chevron;
            chevron.moveTo(15, 6);
            chevron.lineTo(17.5, 8.5);
            chevron.lineTo(20, 6);
            p.setPen(QPen(traystyle::secondary(), 1.3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
            p.drawPath(chevron);
        }
        p.end();
        icon.addPixmap(QPixmap::fromImage(image));
    }
    return icon;
}

} // namespace

TraySearchField::TraySearchField(QWidget* parent)
    : QLineEdit(parent)
{
    setObjectName(QStringLiteral("searchField"));
    setFont(traystyle::font(12.5));
    setClearButtonEnabled(true);
    setFrame(false);
    setStyleSheet(QStringLiteral("QLineEdit { background: %1; border: 1px solid %2; border-radius: 7px;"
                                 " padding: 4px 4px; }")
                      .arg(traystyle::css(traystyle::primary(0.05)), traystyle::css(traystyle::primary(0.12))));
    m_magnifier = addAction(magnifierIcon(false), QLineEdit::LeadingPosition);
    connect(m_magnifier, &QAction::triggered, this, &TraySearchField::showScopeMenu);
    connect(this, &QLineEdit::textChanged, this, [this](const QString& text) {
        if (onTextChanged)
            onTextChanged(text);
    });
}

void TraySearchField::sync(const QString& boundText, const QString& placeholder,
                           const std::vector<TrayAccount>& accounts, const std::optional<std::string>& selectedAccountId)
{
    setPlaceholderText(placeholder);
    if (text() != boundText)
        setText(boundText);

    if (m_scopeMenu)
        m_scopeMenu->deleteLater(); // it may be the sender of the choice that caused this update
    m_scopeMenu = nullptr;
    if (accounts.size() >= 2) {
        auto* menu = new QMenu(this);
        menu->setObjectName(QStringLiteral("searchScopeMenu"));
        QAction* heading = menu->addAction(QStringLiteral("Search in"));
        heading->setEnabled(false);
        for (const TrayAccount& account : accounts) {
            const QImage dot = AccountDot::image(QString::fromStdString(account.color), true, 9, 0, 2.0);
            QAction* item = menu->addAction(QIcon(QPixmap::fromImage(dot)), QString::fromStdString(account.name));
            item->setCheckable(true);
            item->setChecked(selectedAccountId && *selectedAccountId == account.id);
            item->setData(QString::fromStdString(account.id));
            connect(item, &QAction::triggered, this, [this, id = account.id] {
                if (onSelectAccount)
                    onSelectAccount(id);
            });
        }
        m_scopeMenu = menu;
    }
    m_magnifier->setIcon(magnifierIcon(m_scopeMenu != nullptr));
    m_magnifier->setToolTip(m_scopeMenu ? QStringLiteral("Search in") : QString());
}

void TraySearchField::showScopeMenu()
{
    if (m_scopeMenu)
        m_scopeMenu->popup(mapToGlobal(QPoint(0, height())));
}

void TraySearchField::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        const QString query = text().trimmed();
        if (!query.isEmpty() && onSubmit)
            onSubmit(query);
        event->accept();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

} // namespace tarnwick
