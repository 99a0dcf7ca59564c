#pragma once

// The application's toolbar: the account switcher, compose, archive/delete/read buttons and their
// group, reply/reply all/forward and their group, search, the print menu and the share button. One
// process-wide instance serves every export. UI thread only.

#include <map>
#include <optional>

#include <QAction>
#include <QList>
#include <QPointer>
#include <QUrl>

#include "tarnwick/native/toolbarmanagerbase.h"

namespace tarnwick::nativelib {

using native::NavigationSources;
using native::ToolbarItem;

/// Entries of print menus -> the action each raises.
class MenuActionTarget {
public:
    static MenuActionTarget& shared();
    void registerEntry(QAction* entry, std::string_view action);
    /// Emits (action, "") for a known entry; nothing for any other.
    void handleMenuClick(QAction* entry) const;

private:
    std::map<const QAction*, std::string> m_actions;
};

/// The link the share button offers.
class ShareItemsProvider {
public:
    static ShareItemsProvider& shared();
    std::optional<QUrl> url;
    /// What the sharing picker is offered: the link, or nothing.
    QList<QUrl> items() const;
};

class ToolbarManager : public native::ToolbarManagerBase {
    Q_OBJECT
public:
    /// Created on first use, on the UI thread; never destroyed.
    static ToolbarManager& shared();

    QString toolbarIdentifier() const override;
    NavigationSources mouseNavigationSources() const override;
    QStringList defaultItemIdentifiers() const override;
    QStringList allowedItemIdentifiers() const override;
    ToolbarItem* makeItem(const QString& identifier) override;

    /// An empty text or one that is not a URL clears the link; then items are validated.
    void setShareUrl(const QString& text);

    ToolbarItem* makePrintMenuButton();
    ToolbarItem* makeShareItem();

private:
    QString label(std::string_view key) const;
};

} // namespace tarnwick::nativelib
