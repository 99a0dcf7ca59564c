#include "toolbarmanager.h"

#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QKeySequence>
#include <QMenu>
#include <QUrlQuery>

#include "tarnwick/native/actionbridge.h"
#include "tarnwick/native/itemvalidation.h"
#include "tarnwick/native/toolbarbuilder.h"

namespace tarnwick::nativelib {

using native::ItemValidation;
using native::ToolbarBuilder;

namespace {

QString qs(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// The desktop's share targets for a link: copy it, open it, mail it. These entries belong to the
// picker (the desktop's part), not to the toolbar's own labels.
void fillSharingMenu(QMenu* menu, const QList<QUrl>& items)
{
    if (items.isEmpty()) {
        QAction* none = menu->addAction(QCoreApplication::translate("SharingPicker", "Nothing to Share"));
        none->setEnabled(false);
        return;
    }
    const QUrl url = items.front();
    QAction* copy = menu->addAction(native::toolbarSymbolIcon(QStringLiteral("doc.on.doc.fill")),
                                    QCoreApplication::translate("SharingPicker", "Copy Link"));
    QObject::connect(copy, &QAction::triggered, copy, [url] {
        if (QClipboard* clipboard = QGuiApplication::clipboard())
            clipboard->setText(url.toString());
    });
    QAction* open = menu->addAction(native::toolbarSymbolIcon(QStringLiteral("arrow.up.forward.app")),
                                    QCoreApplication::translate("SharingPicker", "Open in Browser"));
    QObject::connect(open, &QAction::triggered, open, [url] { QDesktopServices::openUrl(url); });
    QAction* mail = menu->addAction(native::toolbarSymbolIcon(QStringLiteral("envelope")),
                                    QCoreApplication::translate("SharingPicker", "Send by Email"));
    QObject::connect(mail, &QAction::triggered, mail, [url] {
        QUrl mailto(QStringLiteral("mailto:"));
        QUrlQuery query;
        query.addQueryItem(QStringLiteral("body"), QString::fromUtf8(url.toEncoded()));
        mailto.setQuery(query);
        QDesktopServices::openUrl(mailto);
    });
}

} // namespace

MenuActionTarget& MenuActionTarget::shared()
{
    static MenuActionTarget instance;
    return instance;
}

void MenuActionTarget::registerEntry(QAction* entry, std::string_view action)
{
    m_actions.insert_or_assign(entry, std::string(action));
}

void MenuActionTarget::handleMenuClick(QAction* entry) const
{
    if (const auto it = m_actions.find(entry); it != m_actions.end())
        native::ActionBridge::emit(it->second, "");
}

ShareItemsProvider& ShareItemsProvider::shared()
{
    static ShareItemsProvider instance;
    return instance;
}

QList<QUrl> ShareItemsProvider::items() const
{
    if (url)
        return {*url};
    return {};
}

ToolbarManager& ToolbarManager::shared()
{
    // Never destroyed: the host may still call in while static destructors run.
    static auto* instance = new ToolbarManager;
    return *instance;
}

QString ToolbarManager::toolbarIdentifier() const
{
    return QStringLiteral("TarnwickToolbar");
}

NavigationSources ToolbarManager::mouseNavigationSources() const
{
    // Wheel scrolling is for the web content; only side buttons and trackpad gestures navigate.
    return native::NavigationSource::SideButtons | native::NavigationSource::Trackpad;
}

QStringList ToolbarManager::defaultItemIdentifiers() const
{
    return {accountsItemIdentifier(), native::kFlexibleSpaceItemIdentifier, QStringLiteral("compose"),
            QStringLiteral("share"), QStringLiteral("print")};
}

QStringList ToolbarManager::allowedItemIdentifiers() const
{
    return {accountsItemIdentifier(),
            native::kFlexibleSpaceItemIdentifier,
            native::kSpaceItemIdentifier,
            QStringLiteral("compose"),
            QStringLiteral("share"),
            QStringLiteral("print"),
            QStringLiteral("search"),
            QStringLiteral("archive"),
            QStringLiteral("trash"),
            QStringLiteral("markRead"),
            QStringLiteral("reply"),
            QStringLiteral("replyAll"),
            QStringLiteral("forward"),
            QStringLiteral("manageGroup"),
            QStringLiteral("replyGroup")};
}

QString ToolbarManager::label(std::string_view key) const
{
    return qs(labels()[key]);
}

ToolbarItem* ToolbarManager::makeItem(const QString& identifier)
{
    const auto button = [this](const char* id, const char* symbol, std::string_view key, const char* action,
                               bool needsMessage) -> ToolbarItem* {
        return ToolbarBuilder::makeButton(QString::fromLatin1(id), QString::fromLatin1(symbol), label(key),
                                          QString::fromLatin1(action), needsMessage);
    };
    const std::string id = identifier.toStdString();
    if (id == "compose")
        return button("compose", "square.and.pencil", "toolbar.newMessage", "newMessage", false);
    if (id == "search")
        return ToolbarBuilder::makeSearchItem(identifier, label("toolbar.search"));
    if (id == "archive")
        return button("archive", "archivebox", "toolbar.archive", "archive", false);
    if (id == "trash")
        return button("trash", "trash", "toolbar.delete", "trash", false);
    if (id == "markRead")
        return button("markRead", "envelope", "toolbar.toggleRead", "toggleRead", false);
    if (id == "manageGroup") {
        return ToolbarBuilder::makeGroup(identifier, label("toolbar.manage"), false,
                                         {{QStringLiteral("archivebox"), label("toolbar.archive"), QStringLiteral("archive")},
                                          {QStringLiteral("trash"), label("toolbar.delete"), QStringLiteral("trash")},
                                          {QStringLiteral("envelope"), label("toolbar.toggleRead"), QStringLiteral("toggleRead")}});
    }
    if (id == "reply")
        return button("reply", "arrowshape.turn.up.left", "toolbar.reply", "reply", true);
    if (id == "replyAll")
        return button("replyAll", "arrowshape.turn.up.left.2", "toolbar.replyAll", "replyAll", true);
    if (id == "forward")
        return button("forward", "arrowshape.turn.up.right", "toolbar.forward", "forward", true);
    if (id == "replyGroup") {
        ItemValidation::shared().setDefault("replyGroup", false);
        ToolbarItem* group = ToolbarBuilder::makeGroup(
            identifier, label("toolbar.reply"), true,
            {{QStringLiteral("arrowshape.turn.up.left"), label("toolbar.reply"), QStringLiteral("reply")},
             {QStringLiteral("arrowshape.turn.up.left.2"), label("toolbar.replyAll"), QStringLiteral("replyAll")},
             {QStringLiteral("arrowshape.turn.up.right"), label("toolbar.forward"), QStringLiteral("forward")}});
        group->setEnabled(ItemValidation::shared().isEnabled("replyGroup"));
        return group;
    }
    if (id == "print")
        return makePrintMenuButton();
    if (id == "share")
        return makeShareItem();
    return ToolbarManagerBase::makeItem(identifier);
}

ToolbarItem* ToolbarManager::makePrintMenuButton()
{
    auto* item = new native::ValidatedToolbarItem(QStringLiteral("print"), ToolbarItem::Kind::Menu);
    item->setLabel(label("toolbar.print"));
    item->setToolTip(label("toolbar.print.toolTip"));
    item->setSymbol(QStringLiteral("printer"), label("toolbar.print"));
    item->setShowsMenuIndicator(false);
    item->setBordered(true);
    ItemValidation::shared().setDefault("print", false);
    item->setEnabled(ItemValidation::shared().isEnabled("print"));

    auto* menu = new QMenu;
    menu->setObjectName(QStringLiteral("printMenu"));
    QAction* print = menu->addAction(native::toolbarSymbolIcon(QStringLiteral("printer")), label("toolbar.print.menuPrint"));
    print->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_P));
    print->setObjectName(QStringLiteral("print"));
    QAction* exportPdf =
        menu->addAction(native::toolbarSymbolIcon(QStringLiteral("arrow.down.doc")), label("toolbar.print.menuExport"));
    exportPdf->setObjectName(QStringLiteral("exportPdf"));
    for (QAction* entry : {print, exportPdf}) {
        MenuActionTarget::shared().registerEntry(entry, entry->objectName().toStdString());
        connect(entry, &QAction::triggered, entry, [entry] { MenuActionTarget::shared().handleMenuClick(entry); });
    }
    item->setMenu(menu);
    return item;
}

ToolbarItem* ToolbarManager::makeShareItem()
{
    auto* item = new native::ValidatedToolbarItem(QStringLiteral("share"), ToolbarItem::Kind::Sharing);
    item->setLabel(label("toolbar.share"));
    item->setToolTip(label("toolbar.share.toolTip"));
    item->setSymbol(QStringLiteral("arrow.up.forward.square"), label("toolbar.share"));
    item->setShowsMenuIndicator(false);
    item->setBordered(true);
    item->setSharingMenuProvider([](QMenu* menu) { fillSharingMenu(menu, ShareItemsProvider::shared().items()); });
    ItemValidation::shared().setDefault("share", false);
    item->setEnabled(ItemValidation::shared().isEnabled("share"));
    return item;
}

void ToolbarManager::setShareUrl(const QString& text)
{
    std::optional<QUrl> url;
    if (!text.isEmpty()) {
        QUrl parsed(text, QUrl::StrictMode);
        if (parsed.isValid())
            url = parsed;
    }
    ShareItemsProvider::shared().url = url;
    validateVisibleItems();
}

} // namespace tarnwick::nativelib
