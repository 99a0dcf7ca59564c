#include "tarnwick/native/toolbaritem.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QMenu>
#include <QPalette>
#include <QPixmap>
#include <QToolButton>

#include "tarnwick/brand/symbolimage.h"
#include "tarnwick/native/itemvalidation.h"

namespace tarnwick::native {
namespace {

constexpr int kSymbolPoints = 18;
constexpr int kFixedSpace = 8;

} // namespace

QIcon toolbarSymbolIcon(const QString& symbolName)
{
    const QByteArray name = symbolName.toUtf8();
    const std::string_view view(name.constData(), static_cast<std::size_t>(name.size()));
    if (!SymbolImage::isKnown(view))
        return {};
    const QColor color = QApplication::palette().color(QPalette::Active, QPalette::ButtonText);
    const QColor disabled = QApplication::palette().color(QPalette::Disabled, QPalette::ButtonText);
    QIcon icon;
    for (const qreal ratio : {1.0, 2.0}) {
        const QSize size(kSymbolPoints, kSymbolPoints);
        icon.addPixmap(QPixmap::fromImage(SymbolImage::render(view, size, color, ratio)), QIcon::Normal);
        icon.addPixmap(QPixmap::fromImage(SymbolImage::render(view, size, disabled, ratio)), QIcon::Disabled);
    }
    return icon;
}

ToolbarItem::ToolbarItem(QString identifier, Kind kind, QObject* parent)
    : QObject(parent), m_identifier(std::move(identifier)), m_kind(kind)
{
    setObjectName(m_identifier);
}

ToolbarItem::~ToolbarItem()
{
    // The widget belongs to the toolbar once placed there; one never placed is ours.
    if (m_widget && !m_widget->parent())
        delete m_widget;
    if (m_view && !m_view->parent())
        delete m_view;
    if (m_menu && !m_menu->parent())
        delete m_menu;
}

void ToolbarItem::setLabel(const QString& label)
{
    m_label = label;
    applyToWidget();
}

void ToolbarItem::setToolTip(const QString& toolTip)
{
    m_toolTip = toolTip;
    applyToWidget();
}

void ToolbarItem::setSymbol(const QString& symbolName, const QString& accessibilityDescription)
{
    m_symbolName = symbolName;
    m_accessibilityDescription = accessibilityDescription;
    m_icon = toolbarSymbolIcon(symbolName);
    applyToWidget();
}

void ToolbarItem::setIcon(const QIcon& icon)
{
    m_icon = icon;
    applyToWidget();
}

void ToolbarItem::setEnabled(bool enabled)
{
    m_enabled = enabled;
    if (m_widget)
        m_widget->setEnabled(enabled);
}

void ToolbarItem::validate()
{
    for (ToolbarItem* sub : m_subItems)
        sub->validate();
}

void ValidatedToolbarItem::validate()
{
    const QByteArray id = identifier().toUtf8();
    setEnabled(ItemValidation::shared().isEnabled(std::string_view(id.constData(), static_cast<std::size_t>(id.size()))));
    ToolbarItem::validate();
}

void ToolbarItem::setSubItems(std::vector<ToolbarItem*> items)
{
    for (ToolbarItem* old : m_subItems)
        delete old;
    m_subItems = std::move(items);
    for (ToolbarItem* item : m_subItems)
        item->setParent(this);
}

void ToolbarItem::setMenu(QMenu* menu)
{
    if (m_menu && m_menu != menu && !m_menu->parent())
        delete m_menu;
    m_menu = menu;
    applyToWidget();
}

QWidget* ToolbarItem::viewHolder() const
{
    return (m_kind == Kind::View || m_kind == Kind::Search) ? m_widget.data() : nullptr;
}

void ToolbarItem::setView(QWidget* view)
{
    if (view == m_view)
        return;
    QWidget* old = m_view;
    m_view = view;
    if (QWidget* holder = viewHolder()) {
        if (view)
            holder->layout()->addWidget(view);
        holder->adjustSize();
    }
    delete old;
    if (QWidget* holder = viewHolder())
        holder->updateGeometry();
}

QWidget* ToolbarItem::widget()
{
    if (!m_widget) {
        m_widget = createWidget();
        m_widget->setObjectName(m_identifier);
        m_widget->setEnabled(m_enabled);
        applyToWidget();
    }
    return m_widget;
}

QWidget* ToolbarItem::createWidget()
{
    switch (m_kind) {
    case Kind::Button:
    case Kind::Menu:
    case Kind::Sharing: {
        auto* button = new QToolButton;
        button->setToolButtonStyle(Qt::ToolButtonIconOnly);
        button->setIconSize(QSize(kSymbolPoints, kSymbolPoints));
        // Reached with Tab; a click leaves the keyboard in the web content.
        button->setFocusPolicy(Qt::TabFocus);
        if (m_kind == Kind::Button) {
            connect(button, &QToolButton::clicked, this, &ToolbarItem::activated);
        } else {
            button->setPopupMode(QToolButton::InstantPopup);
            if (m_kind == Kind::Sharing) {
                m_sharingMenu = new QMenu(button);
                connect(m_sharingMenu, &QMenu::aboutToShow, this, [this] {
                    m_sharingMenu->clear();
                    if (m_sharingProvider)
                        m_sharingProvider(m_sharingMenu);
                });
                button->setMenu(m_sharingMenu);
            }
        }
        return button;
    }
    case Kind::Group: {
        auto* row = new QWidget;
        auto* layout = new QHBoxLayout(row);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->setSpacing(0);
        // Members sit edge to edge as one segmented control; the style rounds only the outer ends.
        for (std::size_t i = 0; i < m_subItems.size(); ++i) {
            QWidget* member = m_subItems[i]->widget();
            const char* position = m_subItems.size() == 1 ? "only"
                : i == 0                                   ? "first"
                : i + 1 == m_subItems.size()               ? "last"
                                                           : "middle";
            member->setProperty("segment", QString::fromLatin1(position));
            layout->addWidget(member);
        }
        return row;
    }
    case Kind::Search:
    case Kind::View: {
        auto* holder = new QWidget;
        auto* layout = new QHBoxLayout(holder);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->setSpacing(0);
        if (m_view)
            layout->addWidget(m_view);
        return holder;
    }
    case Kind::Space: {
        auto* space = new QWidget;
        space->setFixedWidth(kFixedSpace);
        return space;
    }
    case Kind::FlexibleSpace: {
        auto* space = new QWidget;
        space->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
        return space;
    }
    }
    return new QWidget;
}

void ToolbarItem::applyToWidget()
{
    if (!m_widget)
        return;
    if (auto* button = qobject_cast<QToolButton*>(m_widget.data())) {
        button->setIcon(m_icon);
        button->setText(m_label);
        button->setToolTip(m_toolTip);
        button->setAccessibleName(!m_accessibilityDescription.isEmpty() ? m_accessibilityDescription
                                  : !m_label.isEmpty()                  ? m_label
                                                                        : m_toolTip);
        button->setAutoRaise(!m_bordered);
        button->setProperty("bordered", m_bordered);
        if (m_kind == Kind::Menu)
            button->setMenu(m_menu);
        button->setProperty("menuIndicator", m_showsMenuIndicator);
    } else {
        m_widget->setToolTip(m_toolTip);
        m_widget->setAccessibleName(m_label);
    }
}

void ToolbarItem::click()
{
    switch (m_kind) {
    case Kind::Button:
        if (m_enabled)
            Q_EMIT activated();
        break;
    default:
        break;
    }
}

} // namespace tarnwick::native
