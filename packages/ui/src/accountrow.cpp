#include "tarnwick/ui/accountrow.h"

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>

#include "tarnwick/brand/symbolimage.h"
#include "tarnwick/ui/colorwell.h"
#include "tarnwick/ui/draghandle.h"
#include "tarnwick/ui/elidinglineedit.h"
#include "tarnwick/ui/hexcolor.h"
#include "tarnwick/ui/palettefollower.h"

namespace tarnwick {

namespace {

std::string trimmed(const std::string& text)
{
    // Spaces, tabs and line breaks, Unicode ones included.
    return QString::fromStdString(text).trimmed().toStdString();
}

} // namespace

AccountRow::Commit AccountRow::decide(const std::string& draftName, const std::string& draftHex,
                                      const std::string& name, const std::string& color)
{
    const std::string newName = trimmed(draftName);
    if (newName.empty())
        return {Commit::Kind::Restore, name, color};
    if (newName != name || draftHex != color)
        return {Commit::Kind::Report, newName, draftHex};
    return {};
}

AccountRow::AccountRow(const std::string& name, const std::string& color, bool needsAuth, QWidget* linksMenu,
                       QWidget* parent)
    : QWidget(parent)
    , m_name(name)
    , m_color(color)
{
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(6, 2, 6, 2);
    layout->setSpacing(8);

    m_handle = new DragHandle(this);
    layout->addWidget(m_handle);

    m_well = new ColorWell(HexColor::color(color), this);
    m_well->setObjectName(QStringLiteral("accountColor"));
    m_well->setFixedWidth(44);
    m_well->setAccessibleName(QStringLiteral("Account colour"));
    layout->addWidget(m_well);

    m_field = new ElidingLineEdit(QString::fromStdString(name), this);
    m_field->setObjectName(QStringLiteral("accountName"));
    m_field->setPlaceholderText(QStringLiteral("Account name"));
    m_field->setFrame(false);
    m_field->setAttribute(Qt::WA_MacShowFocusRect, false);
    m_field->setStyleSheet(QStringLiteral("QLineEdit { background: transparent; }"));
    layout->addWidget(m_field, 1);

    if (linksMenu) {
        m_links = linksMenu;
        linksMenu->setParent(this);
        layout->addWidget(linksMenu);
    }

    m_auth = new QWidget(this);
    m_auth->setToolTip(QStringLiteral("Sign in required"));
    auto* authLayout = new QHBoxLayout(m_auth);
    authLayout->setContentsMargins(0, 0, 0, 0);
    authLayout->setSpacing(4);
    auto* warning = new QLabel(m_auth);
    warning->setObjectName(QStringLiteral("signInWarning"));
    const qreal dpr = devicePixelRatioF();
    warning->setPixmap(QPixmap::fromImage(
        SymbolImage::render("exclamationmark.triangle.fill", QSize(13, 13), QColor(0xf9, 0x73, 0x16), dpr)));
    authLayout->addWidget(warning);
    m_signIn = new QPushButton(QStringLiteral("Sign In"), m_auth);
    m_signIn->setObjectName(QStringLiteral("signIn"));
    m_signIn->setDefault(true); // the prominent style
    QFont mini = m_signIn->font();
    mini.setPointSizeF(mini.pointSizeF() * 0.85);
    m_signIn->setFont(mini);
    authLayout->addWidget(m_signIn);
    layout->addWidget(m_auth);
    m_auth->setVisible(needsAuth);

    connect(m_field, &QLineEdit::editingFinished, this, &AccountRow::commit);
    connect(m_well, &ColorWell::colorChosen, this, &AccountRow::commit);
    connect(m_signIn, &QPushButton::clicked, this, &AccountRow::signInRequested);

    m_removeAction = new QAction(QStringLiteral("Remove Account"), this);
    connect(m_removeAction, &QAction::triggered, this, &AccountRow::removeRequested);
    addAction(m_removeAction);
    // The menu is shown by the event filter below for the row and every child, so the name field's
    // own menu does not hide it.
    setContextMenuPolicy(Qt::DefaultContextMenu);
    watch(this);
    PaletteFollower::follow(this, [this] { applySelectionColours(); });
}

void AccountRow::setSelected(bool selected)
{
    if (selected == m_selected)
        return;
    m_selected = selected;
    applySelectionColours();
}

void AccountRow::applySelectionColours()
{
    // On the list's selection highlight, the name, the profile summary (greyed when there are no
    // profiles) and the grip take the highlighted text colour; the Sign In button keeps its own.
    QPalette palette;
    if (m_selected) {
        palette = QApplication::palette(this);
        const QColor text = palette.color(QPalette::Active, QPalette::HighlightedText);
        QColor dimmed = text;
        dimmed.setAlphaF(0.7f);
        for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
            for (QPalette::ColorRole role : {QPalette::Text, QPalette::WindowText, QPalette::ButtonText})
                palette.setColor(group, role, text);
            palette.setColor(group, QPalette::PlaceholderText, dimmed);
        }
        for (QPalette::ColorRole role : {QPalette::Text, QPalette::WindowText, QPalette::ButtonText, QPalette::PlaceholderText})
            palette.setColor(QPalette::Disabled, role, dimmed);
    }
    for (QWidget* widget : {static_cast<QWidget*>(m_field), m_links, static_cast<QWidget*>(m_handle)})
        if (widget)
            widget->setPalette(palette);
}

void AccountRow::watch(QWidget* widget)
{
    // Every widget the row is built of; pop-ups and dialogs (the colour dialog, menus) are windows of
    // their own and keep their events.
    widget->installEventFilter(this);
    for (QObject* child : widget->children())
        if (child->isWidgetType() && !static_cast<QWidget*>(child)->isWindow())
            watch(static_cast<QWidget*>(child));
}

bool AccountRow::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::FocusIn:
        Q_EMIT activated();
        break;
    case QEvent::ContextMenu:
        if (watched->isWidgetType()) {
            Q_EMIT activated();
            showContextMenu(static_cast<QWidget*>(watched), static_cast<QContextMenuEvent*>(event)->globalPos());
            return true;
        }
        break;
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

void AccountRow::showContextMenu(QWidget* where, const QPoint& globalPos)
{
    if (m_menu)
        m_menu->close();
    // In the name field the user still expects Cut, Copy and Paste; the row's item comes after them.
    QMenu* menu = nullptr;
    if (where == m_field) {
        menu = m_field->createStandardContextMenu();
        menu->addSeparator();
    } else {
        menu = new QMenu(this);
    }
    menu->setObjectName(QStringLiteral("accountRowMenu"));
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->addAction(m_removeAction);
    m_menu = menu;
    // Not exec(): the preferences window keeps running while the menu is open.
    menu->popup(globalPos);
}

void AccountRow::commit()
{
    const Commit decision =
        decide(m_field->text().toStdString(), HexColor::hexString(m_well->color()), m_name, m_color);
    switch (decision.kind) {
    case Commit::Kind::Nothing:
        return;
    case Commit::Kind::Restore:
        m_field->setText(QString::fromStdString(m_name));
        return;
    case Commit::Kind::Report:
        // The model's copy follows at once; remember it so a second commit of the same draft is quiet.
        m_name = decision.name;
        m_color = decision.color;
        if (m_field->text().toStdString() != decision.name)
            m_field->setText(QString::fromStdString(decision.name));
        Q_EMIT committed(decision.name, decision.color);
        return;
    }
}

void AccountRow::setName(const std::string& name)
{
    m_name = name;
    if (!m_field->hasFocus())
        m_field->setText(QString::fromStdString(name));
}

void AccountRow::setColor(const std::string& color)
{
    m_color = color;
    m_well->setColor(HexColor::color(color));
}

void AccountRow::setNeedsAuth(bool needsAuth)
{
    m_auth->setVisible(needsAuth);
}


} // namespace tarnwick
