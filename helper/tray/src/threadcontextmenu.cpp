#include "tarnwick/helper/threadcontextmenu.h"

#include <QMenu>

#include "tarnwick/helper/traystyle.h"

namespace tarnwick {

QMenu* threadContextMenu(const TrayMessage& message, std::function<void()> onOpen,
                         std::function<void(TrayThreadAction)> onAction, QWidget* parent)
{
    auto* menu = new QMenu(parent);
    menu->setObjectName(QStringLiteral("threadContextMenu"));
    const QColor ink = traystyle::primary();
    auto add = [&](const char* title, std::string_view symbol, std::function<void()> action) {
        QAction* item = menu->addAction(traystyle::symbolIcon(symbol, 14, ink), QString::fromUtf8(title));
        QObject::connect(item, &QAction::triggered, menu, [action = std::move(action)] { action(); });
        return item;
    };
    add("Open in Tarnwick", "arrow.up.forward.app", onOpen);
    menu->addSeparator();
    add("Archive", "archivebox", [onAction] { onAction(TrayThreadAction::archive); });
    if (message.isUnread)
        add("Mark as Read", "envelope.open", [onAction] { onAction(TrayThreadAction::markRead); });
    else
        add("Mark as Unread", "envelope.badge", [onAction] { onAction(TrayThreadAction::markUnread); });
    menu->addSeparator();
    QAction* remove = add("Delete", "trash", [onAction] { onAction(TrayThreadAction::trash); });
    remove->setProperty("destructive", true);
    return menu;
}

} // namespace tarnwick
