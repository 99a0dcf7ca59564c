#pragma once

// One item of the toolbar: a button, a group of buttons shown side by side, a button with a menu, a
// share button, a search field, a custom view, or a spacer. The item keeps its identifier, texts,
// symbol and enabled state and builds the widget that stands for it in a QToolBar on first request.
// UI thread only.

#include <functional>
#include <vector>

#include <QIcon>
#include <QMenu>
#include <QWidget>
#include <QObject>
#include <QPointer>
#include <QString>


namespace tarnwick::native {

class ToolbarItem : public QObject {
    Q_OBJECT
public:
    enum class Kind { Button, Group, Menu, Sharing, Search, View, Space, FlexibleSpace };

    ToolbarItem(QString identifier, Kind kind, QObject* parent = nullptr);
    ~ToolbarItem() override;

    const QString& identifier() const { return m_identifier; }
    Kind kind() const { return m_kind; }

    QString label() const { return m_label; }
    void setLabel(const QString& label);
    QString toolTip() const { return m_toolTip; }
    void setToolTip(const QString& toolTip);

    /// The symbol by its product name ("trash", ...) and the text that describes it to assistive
    /// technology. An unknown symbol leaves the item without an image.
    void setSymbol(const QString& symbolName, const QString& accessibilityDescription);
    QString symbolName() const { return m_symbolName; }
    QString accessibilityDescription() const { return m_accessibilityDescription; }
    QIcon icon() const { return m_icon; }
    void setIcon(const QIcon& icon);

    bool isBordered() const { return m_bordered; }
    void setBordered(bool bordered) { m_bordered = bordered; }

    bool isEnabled() const { return m_enabled; }
    void setEnabled(bool enabled);
    /// Re-reads whatever decides the enabled state; plain items keep theirs.
    virtual void validate();

    /// Group members, owned by the group, in order.
    const std::vector<ToolbarItem*>& subItems() const { return m_subItems; }
    void setSubItems(std::vector<ToolbarItem*> items);

    /// Menu items: the menu (owned). Sharing items build theirs each time it opens.
    QMenu* menu() const { return m_menu; }
    void setMenu(QMenu* menu);
    bool showsMenuIndicator() const { return m_showsMenuIndicator; }
    void setShowsMenuIndicator(bool shows) { m_showsMenuIndicator = shows; }
    /// Sharing items: fills the picker menu when it opens.
    void setSharingMenuProvider(std::function<void(QMenu*)> provider) { m_sharingProvider = std::move(provider); }

    /// View and search items: the view (owned); replacing it deletes the old one.
    QWidget* view() const { return m_view; }
    void setView(QWidget* view);

    /// The widget that stands for the item in a toolbar, created on first use and owned by its
    /// parent widget from then on.
    QWidget* widget();
    QWidget* existingWidget() const { return m_widget; }

    /// What a click on the item does: button items emit activated(); menu items open their menu.
    void click();

Q_SIGNALS:
    void activated();

private:
    QWidget* createWidget();
    void applyToWidget();
    QWidget* viewHolder() const;

    QString m_identifier;
    Kind m_kind;
    QString m_label;
    QString m_toolTip;
    QString m_symbolName;
    QString m_accessibilityDescription;
    QIcon m_icon;
    bool m_bordered = false;
    bool m_enabled = true;
    bool m_showsMenuIndicator = true;
    std::vector<ToolbarItem*> m_subItems;
    QPointer<QMenu> m_menu;
    QPointer<QMenu> m_sharingMenu;
    std::function<void(QMenu*)> m_sharingProvider;
    QPointer<QWidget> m_view;
    QPointer<QWidget> m_widget;
};

/// An item whose enabled state follows ItemValidation::shared() for its own identifier whenever it
/// is validated.
class ValidatedToolbarItem : public ToolbarItem {
    Q_OBJECT
public:
    using ToolbarItem::ToolbarItem;
    void validate() override;
};

/// Symbol images at toolbar size, in the toolbar's text colour, sharp at 1x and 2x.
QIcon toolbarSymbolIcon(const QString& symbolName);

} // namespace tarnwick::native
