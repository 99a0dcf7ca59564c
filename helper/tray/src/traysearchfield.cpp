#include "tarnwick/helper/traysearchfield.h"

#include <QAction>
#include <QActionGroup>
#include <QKeyEvent>
#include <QToolButton>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>

#include "tarnwick/helper/traystyle.h"
#include "tarnwick/ui/accountdot.h"
#include "traypopovermenustyle_p.h"

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
    // With the keyboard in it the frame turns into a ring in the highlight (the padding gives way, so
    // nothing moves).
    traystyle::keepStyled(this, [this] {
        setStyleSheet(QStringLiteral("QLineEdit { background: %1; border: 1px solid %2; border-radius: 7px;"
                                     " padding: 4px 4px; }"
                                     "QLineEdit:focus { border: 2px solid palette(highlight); padding: 3px 3px; }")
                          .arg(traystyle::css(traystyle::primary(0.05)), traystyle::css(traystyle::primary(0.12))));
        if (m_magnifier)
            m_magnifier->setIcon(magnifierIcon(m_scopeMenu != nullptr));
    });
    setAccessibleName(QStringLiteral("Search"));
    m_magnifier = addAction(magnifierIcon(false), QLineEdit::LeadingPosition);
    m_magnifier->setText(QStringLiteral("Search"));
    nameIconButtons();
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

    std::vector<std::string> ids;
    for (const TrayAccount& account : accounts)
        ids.push_back(account.id);
    if (ids.size() < 2) {
        if (m_scopeMenu)
            m_scopeMenu->deleteLater(); // it may be the sender of the choice that caused this update
        m_scopeMenu = nullptr;
        m_scopeIds.clear();
    } else if (!m_scopeMenu || ids != m_scopeIds) {
        if (m_scopeMenu)
            m_scopeMenu->deleteLater();
        auto* menu = new QMenu(this);
        menu->setObjectName(QStringLiteral("searchScopeMenu"));
        traypopovermenustyle::markChoicesWithChecks(menu);
        QAction* heading = menu->addAction(QStringLiteral("Search in"));
        heading->setEnabled(false);
        auto* group = new QActionGroup(menu); // one account at a time, each with its own check mark
        group->setExclusive(true);
        for (const std::string& id : ids) {
            QAction* item = menu->addAction(QString());
            item->setCheckable(true);
            item->setActionGroup(group);
            item->setData(QString::fromStdString(id));
            connect(item, &QAction::triggered, this, [this, id] {
                if (onSelectAccount)
                    onSelectAccount(id);
            });
        }
        m_scopeMenu = menu;
        m_scopeIds = ids;
    }
    if (m_scopeMenu) {
        // The same accounts keep their entries, so an open menu stays open while the model changes.
        const QList<QAction*> items = m_scopeMenu->actions();
        for (std::size_t i = 0; i < accounts.size(); ++i) {
            const TrayAccount& account = accounts[i];
            QAction* item = items[int(i) + 1];
            item->setText(traystyle::menuText(QString::fromStdString(account.name)));
            const bool chosen = selectedAccountId && *selectedAccountId == account.id;
            item->setChecked(chosen);
            // A checked entry with an icon gets no check mark from the style: the chosen one shows
            // the mark in place of its dot.
            const QString color = chosen ? QString() : QString::fromStdString(account.color);
            if (!item->property("color").isValid() || item->property("color").toString() != color) {
                item->setIcon(chosen ? QIcon() : QIcon(QPixmap::fromImage(AccountDot::image(color, true, 9, 0, 2.0))));
                item->setProperty("color", color);
            }
        }
    }
    m_magnifier->setIcon(magnifierIcon(m_scopeMenu != nullptr));
    m_magnifier->setToolTip(m_scopeMenu ? QStringLiteral("Search in") : QString());
    m_magnifier->setText(m_scopeMenu ? QStringLiteral("Search in") : QStringLiteral("Search"));
    setAccessibleDescription(placeholder +
                             (m_scopeMenu ? QStringLiteral(". Alt+Down chooses the account") : QString()));
    nameIconButtons();
}

void TraySearchField::nameIconButtons()
{
    // The field's own little buttons (the magnifier, the clear button) are buttons to assistive
    // technology, named by their actions; Qt's clear action has no text of its own.
    if (auto* clear = findChild<QAction*>(QStringLiteral("_q_qlineeditclearaction")); clear && clear->text().isEmpty())
        clear->setText(QStringLiteral("Clear"));
    for (QToolButton* button : findChildren<QToolButton*>(Qt::FindDirectChildrenOnly)) {
        if (QAction* action = button->defaultAction())
            button->setAccessibleName(action->text());
    }
}

void TraySearchField::showScopeMenu()
{
    if (m_scopeMenu)
        m_scopeMenu->popup(mapToGlobal(QPoint(0, height())));
}

void TraySearchField::keyPressEvent(QKeyEvent* event)
{
    // The scope menu from the keyboard, as a combo box opens its list.
    if (event->key() == Qt::Key_Down && event->modifiers() == Qt::AltModifier && m_scopeMenu) {
        event->accept();
        showScopeMenu();
        return;
    }
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
