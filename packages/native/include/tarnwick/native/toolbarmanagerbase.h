#pragma once

// Owns the toolbar of one host window: creates it on attach, answers which items exist, which show
// by default and which cannot move, builds each item, keeps the account switcher in step with the
// model and the labels, and watches the window for back/forward gestures. Applications subclass it
// and override the hooks (identifiers, item factory, navigation sources). UI thread only.

#include <memory>
#include <string_view>

#include <QList>
#include <QMainWindow>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QToolBar>

#include "tarnwick/native/mousenavigationrecognizer.h"
#include "tarnwick/native/toolbarlabels.h"
#include "tarnwick/native/toolbarmodel.h"

namespace tarnwick::native {

class MouseNavigationMonitor;
class ToolbarItem;

/// The standard spacer items.
inline const QString kSpaceItemIdentifier = QStringLiteral("space");
inline const QString kFlexibleSpaceItemIdentifier = QStringLiteral("flexibleSpace");

class ToolbarManagerBase : public QObject {
    Q_OBJECT
public:
    explicit ToolbarManagerBase(QObject* parent = nullptr);
    ~ToolbarManagerBase() override;

    QToolBar* toolbar() const { return m_toolbar; }
    QMainWindow* window() const { return m_window; }
    ToolbarModel& model() { return m_model; }
    const ToolbarModel& model() const { return m_model; }
    const ToolbarLabels& labels() const { return m_labels; }
    void setLabels(const ToolbarLabels& labels) { m_labels = labels; }
    MouseNavigationMonitor* mouseNavigation() const { return m_mouseNavigation.get(); }

    // Hooks.
    virtual QString toolbarIdentifier() const;
    virtual QString accountsItemIdentifier() const;
    virtual bool showUnreadCountsInSwitcher() const;
    virtual NavigationSources mouseNavigationSources() const;
    virtual bool shouldIgnoreMouseNavigation(const NavigationInput& event) const;
    /// Raises "goBack" or "goForward" with an empty payload.
    virtual void handleMouseNavigation(NavigationDirection direction, NavigationSource source);

    /// Puts the toolbar on `window`; nothing for the window already attached; another window is
    /// detached from first.
    virtual void attach(QMainWindow* window);
    /// Takes the toolbar off its window.
    virtual void detach();
    /// Opens the customization dialog (item palette and arrangement); nothing when not attached.
    virtual void runCustomization();
    /// Records the state and applies it to the first item carrying `id`, then validates.
    virtual void setItemEnabled(const QString& id, bool enabled);
    /// Accounts JSON: replaces what it validly names, then reconfigures the switcher.
    virtual void updateAccounts(std::string_view json);
    /// Labels JSON: replaces the labels as a whole when valid; built items keep their texts.
    virtual void updateLabels(std::string_view json);
    /// Gives the accounts item its view: hidden (an empty view) below two accounts, else the switcher.
    virtual void configureAccountsItem(ToolbarItem* item);

    /// Builds the item for `identifier`, or nullptr for an identifier this toolbar does not know.
    /// The base knows the accounts item and the two spacers.
    virtual ToolbarItem* makeItem(const QString& identifier);
    virtual QStringList defaultItemIdentifiers() const;
    virtual QStringList allowedItemIdentifiers() const;
    virtual QStringList immovableItemIdentifiers() const;

    /// The top-level items in toolbar order.
    QList<ToolbarItem*> topLevelItems() const;
    /// The items flattened, each group followed directly by its sub-items; empty when detached.
    QList<ToolbarItem*> items() const;
    /// The identifiers of the top-level items, in order.
    QStringList itemIdentifiers() const;
    /// Rebuilds the toolbar with `identifiers` (filtered to the allowed ones, immovable items kept)
    /// and saves the arrangement under the toolbar identifier.
    void setItemIdentifiers(const QStringList& identifiers);
    /// Asks every item to re-read its enabled state.
    void validateVisibleItems();

    /// Where arrangements are saved; the arrangement restored on attach when there is one.
    QStringList savedItemIdentifiers() const;
    void clearSavedItemIdentifiers() const;

    /// Tells the account switcher the width the other items leave it in the toolbar.
    void fitAccountsSwitcher();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void rebuild(const QStringList& identifiers);
    QStringList sanitized(const QStringList& identifiers) const;

    QPointer<QToolBar> m_toolbar;
    QPointer<QMainWindow> m_window;
    ToolbarModel m_model;
    std::unique_ptr<MouseNavigationMonitor> m_mouseNavigation;
    ToolbarLabels m_labels;
    QList<QPointer<ToolbarItem>> m_items;
};

} // namespace tarnwick::native
