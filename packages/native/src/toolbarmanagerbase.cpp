#include "tarnwick/native/toolbarmanagerbase.h"

#include <algorithm>

#include <QCoreApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QEvent>
#include <QLayout>
#include <QListWidget>
#include <QSettings>
#include <QVBoxLayout>

#include "tarnwick/native/accountsegmentedcontrol.h"
#include "tarnwick/native/actionbridge.h"
#include "tarnwick/native/itemvalidation.h"
#include "tarnwick/native/mousenavigationmonitor.h"
#include "tarnwick/native/toolbaritem.h"
#include "tarnwick/native/toolbartooltips.h"

namespace tarnwick::native {
namespace {

const char* kToolbarStyle = R"(
QToolBar { spacing: 6px; padding: 4px 8px; border: none; }
QToolButton[bordered="true"] {
  border: 1px solid rgba(0, 0, 0, 34);
  border-radius: 6px;
  padding: 3px 7px;
  background: palette(button);
}
QToolButton[bordered="true"]:hover { background: palette(light); }
QToolButton[bordered="true"]:pressed { background: palette(midlight); }
QToolButton[bordered="true"]:disabled { border-color: rgba(0, 0, 0, 16); background: transparent; }
QToolButton[bordered="true"]:focus { border: 2px solid palette(highlight); padding: 2px 6px; }
QToolButton[segment="first"] { border-top-right-radius: 0; border-bottom-right-radius: 0; }
QToolButton[segment="middle"] { border-radius: 0; border-left: none; }
QToolButton[segment="last"] { border-top-left-radius: 0; border-bottom-left-radius: 0; border-left: none; }
QLineEdit#searchField {
  border: 1px solid rgba(0, 0, 0, 34);
  border-radius: 6px;
  padding: 4px 8px;
  background: palette(base);
}
QLineEdit#searchField:focus { border: 1px solid palette(highlight); }
QToolButton[menuIndicator="false"]::menu-indicator { image: none; width: 0px; }
QToolButton[popupMode="2"] { padding-right: 7px; }
)";

QSettings arrangementSettings()
{
    return QSettings(QStringLiteral("fenmoorlab"), QStringLiteral("tarnwick-toolbar"));
}

} // namespace

ToolbarManagerBase::ToolbarManagerBase(QObject* parent) : QObject(parent)
{
    QPointer<ToolbarManagerBase> self(this);
    m_mouseNavigation = std::make_unique<MouseNavigationMonitor>([self](NavigationDirection d, NavigationSource s) {
        if (self)
            self->handleMouseNavigation(d, s);
    });
    m_mouseNavigation->setShouldIgnore([self](const NavigationInput& event) {
        return self ? self->shouldIgnoreMouseNavigation(event) : false;
    });
}

ToolbarManagerBase::~ToolbarManagerBase()
{
    m_mouseNavigation->remove();
}

QString ToolbarManagerBase::toolbarIdentifier() const
{
    return QStringLiteral("SuiteToolbar");
}

QString ToolbarManagerBase::accountsItemIdentifier() const
{
    return QStringLiteral("accounts");
}

bool ToolbarManagerBase::showUnreadCountsInSwitcher() const
{
    return true;
}

NavigationSources ToolbarManagerBase::mouseNavigationSources() const
{
    return NavigationSources::all();
}

bool ToolbarManagerBase::shouldIgnoreMouseNavigation(const NavigationInput&) const
{
    return false;
}

void ToolbarManagerBase::handleMouseNavigation(NavigationDirection direction, NavigationSource)
{
    ActionBridge::emit(direction == NavigationDirection::Back ? action::kGoBack : action::kGoForward, "");
}

QStringList ToolbarManagerBase::defaultItemIdentifiers() const
{
    return {accountsItemIdentifier()};
}

QStringList ToolbarManagerBase::allowedItemIdentifiers() const
{
    return {accountsItemIdentifier(), kSpaceItemIdentifier, kFlexibleSpaceItemIdentifier};
}

QStringList ToolbarManagerBase::immovableItemIdentifiers() const
{
    return {accountsItemIdentifier()};
}

ToolbarItem* ToolbarManagerBase::makeItem(const QString& identifier)
{
    if (identifier == accountsItemIdentifier()) {
        auto* item = new ToolbarItem(identifier, ToolbarItem::Kind::View);
        configureAccountsItem(item);
        return item;
    }
    if (identifier == kSpaceItemIdentifier)
        return new ToolbarItem(identifier, ToolbarItem::Kind::Space);
    if (identifier == kFlexibleSpaceItemIdentifier)
        return new ToolbarItem(identifier, ToolbarItem::Kind::FlexibleSpace);
    return nullptr;
}

void ToolbarManagerBase::attach(QMainWindow* window)
{
    if (!window)
        return;
    if (!m_window || m_window != window)
        detach();
    if (m_toolbar)
        return;
    m_window = window;
    m_mouseNavigation->setSources(mouseNavigationSources());
    m_mouseNavigation->remove();
    m_mouseNavigation->install(window);

    auto* toolbar = new QToolBar(window);
    toolbar->setObjectName(toolbarIdentifier());
    toolbar->setToolButtonStyle(Qt::ToolButtonIconOnly);
    toolbar->setMovable(false);
    toolbar->setFloatable(false);
    toolbar->setIconSize(QSize(18, 18));
    toolbar->setStyleSheet(QString::fromLatin1(kToolbarStyle));
    // Hide the toolbar's own toggle entry: the user arranges items through customization.
    toolbar->toggleViewAction()->setVisible(false);
    ToolTipPresenter::install(toolbar);
    // Qt's own overflow button, for items that do not fit even with the switcher folded, has no
    // name for screen readers.
    if (auto* extension = toolbar->findChild<QWidget*>(QStringLiteral("qt_toolbar_ext_button"))) {
        const QString more = QCoreApplication::translate("ToolbarManagerBase", "More Items");
        extension->setAccessibleName(more);
        extension->setToolTip(more);
    }
    // The width decides how many account segments fit beside the other items.
    toolbar->installEventFilter(this);
    m_toolbar = toolbar;
    window->addToolBar(Qt::TopToolBarArea, toolbar);
    window->setUnifiedTitleAndToolBarOnMac(true);

    const QStringList saved = savedItemIdentifiers();
    rebuild(saved.isEmpty() ? defaultItemIdentifiers() : sanitized(saved));
    validateVisibleItems();
}

void ToolbarManagerBase::detach()
{
    m_mouseNavigation->remove();
    if (m_toolbar) {
        m_toolbar->removeEventFilter(this);
        if (m_window)
            m_window->removeToolBar(m_toolbar);
        delete m_toolbar.data();
    }
    m_items.clear();
    m_toolbar = nullptr;
    m_window = nullptr;
}

QStringList ToolbarManagerBase::sanitized(const QStringList& identifiers) const
{
    const QStringList allowed = allowedItemIdentifiers();
    const QStringList spacers = {kSpaceItemIdentifier, kFlexibleSpaceItemIdentifier};
    QStringList result;
    for (const QString& id : identifiers) {
        if (!allowed.contains(id))
            continue;
        if (result.contains(id) && !spacers.contains(id))
            continue; // an item appears once; spacers may repeat
        result << id;
    }
    // Immovable items keep their place in the default layout.
    const QStringList defaults = defaultItemIdentifiers();
    for (const QString& id : immovableItemIdentifiers()) {
        const qsizetype wanted = defaults.indexOf(id);
        if (wanted < 0)
            continue;
        result.removeAll(id);
        result.insert(std::min<qsizetype>(wanted, result.size()), id);
    }
    return result;
}

void ToolbarManagerBase::rebuild(const QStringList& identifiers)
{
    if (!m_toolbar)
        return;
    // Each placed widget belongs to the action addWidget() made for it; deleting the action deletes it.
    const QList<QAction*> actions = m_toolbar->actions();
    for (QAction* action : actions) {
        m_toolbar->removeAction(action);
        delete action;
    }
    for (const QPointer<ToolbarItem>& item : std::as_const(m_items))
        delete item.data();
    m_items.clear();
    for (const QString& id : identifiers) {
        ToolbarItem* item = makeItem(id);
        if (!item)
            continue;
        item->setParent(m_toolbar);
        m_toolbar->addWidget(item->widget());
        m_items << item;
    }
    fitAccountsSwitcher();
}

void ToolbarManagerBase::fitAccountsSwitcher()
{
    if (!m_toolbar)
        return;
    AccountSegmentedControl* control = nullptr;
    QLayout* layout = m_toolbar->layout();
    const QMargins margins = layout->contentsMargins();
    int others = 0;
    int placed = 0;
    for (ToolbarItem* item : topLevelItems()) {
        QWidget* widget = item->existingWidget();
        if (!widget)
            continue;
        ++placed;
        if (item->identifier() == accountsItemIdentifier()) {
            control = qobject_cast<AccountSegmentedControl*>(item->view());
            continue;
        }
        // A flexible space gives way; everything else keeps its natural width.
        if (item->kind() == ToolbarItem::Kind::FlexibleSpace)
            continue;
        others += std::max(0, widget->sizeHint().expandedTo(widget->minimumSize()).width());
    }
    if (!control)
        return;
    const int spacing = std::max(0, layout->spacing()) * std::max(0, placed - 1);
    control->setAvailableWidth(std::max(0, m_toolbar->width() - margins.left() - margins.right() - spacing - others));
}

bool ToolbarManagerBase::eventFilter(QObject* watched, QEvent* event)
{
    // The type first: while the toolbar is being destroyed it still gets events, and reading the
    // QPointer<QToolBar> then would cast an object that is no longer a QToolBar.
    if (event->type() == QEvent::Resize && watched == m_toolbar)
        fitAccountsSwitcher();
    return QObject::eventFilter(watched, event);
}

void ToolbarManagerBase::setItemIdentifiers(const QStringList& identifiers)
{
    const QStringList arrangement = sanitized(identifiers);
    QSettings settings = arrangementSettings();
    settings.setValue(toolbarIdentifier() + QStringLiteral("/items"), arrangement);
    rebuild(arrangement);
    validateVisibleItems();
}

QStringList ToolbarManagerBase::savedItemIdentifiers() const
{
    return arrangementSettings().value(toolbarIdentifier() + QStringLiteral("/items")).toStringList();
}

void ToolbarManagerBase::clearSavedItemIdentifiers() const
{
    QSettings settings = arrangementSettings();
    settings.remove(toolbarIdentifier());
}

QList<ToolbarItem*> ToolbarManagerBase::topLevelItems() const
{
    QList<ToolbarItem*> result;
    if (!m_toolbar)
        return result;
    for (const QPointer<ToolbarItem>& item : m_items) {
        if (item)
            result << item.data();
    }
    return result;
}

QList<ToolbarItem*> ToolbarManagerBase::items() const
{
    QList<ToolbarItem*> result;
    for (ToolbarItem* item : topLevelItems()) {
        result << item;
        for (ToolbarItem* sub : item->subItems())
            result << sub;
    }
    return result;
}

QStringList ToolbarManagerBase::itemIdentifiers() const
{
    QStringList ids;
    for (ToolbarItem* item : topLevelItems())
        ids << item->identifier();
    return ids;
}

void ToolbarManagerBase::validateVisibleItems()
{
    for (ToolbarItem* item : topLevelItems())
        item->validate();
}

void ToolbarManagerBase::setItemEnabled(const QString& id, bool enabled)
{
    ItemValidation::shared().set(id.toStdString(), enabled);
    for (ToolbarItem* item : items()) {
        if (item->identifier() == id) {
            item->setEnabled(enabled);
            break;
        }
    }
    validateVisibleItems();
}

void ToolbarManagerBase::updateAccounts(std::string_view json)
{
    if (!m_model.update(json))
        return;
    if (!m_toolbar)
        return;
    for (ToolbarItem* item : topLevelItems()) {
        if (item->identifier() == accountsItemIdentifier()) {
            configureAccountsItem(item);
            break;
        }
    }
}

void ToolbarManagerBase::updateLabels(std::string_view json)
{
    if (auto labels = ToolbarLabels::fromJson(json))
        m_labels = std::move(*labels);
}

void ToolbarManagerBase::configureAccountsItem(ToolbarItem* item)
{
    if (!item)
        return;
    if (m_model.accounts.size() < 2) {
        auto* empty = new QWidget;
        empty->setObjectName(QStringLiteral("emptyAccountsView"));
        empty->setFixedSize(0, 0);
        item->setView(empty);
        return;
    }
    auto* control = qobject_cast<AccountSegmentedControl*>(item->view());
    const bool created = control == nullptr;
    if (created)
        control = new AccountSegmentedControl(showUnreadCountsInSwitcher());
    control->setLabels(m_labels);
    control->configure(m_model.accounts, m_model.activeAccountId);
    if (created)
        item->setView(control);
    fitAccountsSwitcher();
}

void ToolbarManagerBase::runCustomization()
{
    if (!m_toolbar || !m_window)
        return;
    // One palette at a time: asking again brings the open one forward.
    if (auto* open = m_window->findChild<QDialog*>(QStringLiteral("toolbarCustomization"))) {
        open->raise();
        open->activateWindow();
        return;
    }
    // The palette: every allowed item, checked when it is on the toolbar, dragged into order.
    auto* dialog = new QDialog(m_window);
    dialog->setObjectName(QStringLiteral("toolbarCustomization"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    auto* layout = new QVBoxLayout(dialog);
    auto* list = new QListWidget(dialog);
    list->setDragDropMode(QAbstractItemView::InternalMove);
    const QStringList current = itemIdentifiers();
    const QStringList immovable = immovableItemIdentifiers();
    QStringList order = current;
    for (const QString& id : allowedItemIdentifiers()) {
        if (!order.contains(id))
            order << id;
    }
    for (const QString& id : order) {
        auto* row = new QListWidgetItem(list);
        ToolbarItem* probe = nullptr;
        for (ToolbarItem* item : topLevelItems()) {
            if (item->identifier() == id)
                probe = item;
        }
        row->setText(probe && !probe->label().isEmpty() ? probe->label() : id);
        if (probe)
            row->setIcon(probe->icon());
        row->setData(Qt::UserRole, id);
        Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
        if (!immovable.contains(id))
            flags |= Qt::ItemIsUserCheckable | Qt::ItemIsDragEnabled;
        row->setFlags(flags);
        row->setCheckState(current.contains(id) ? Qt::Checked : Qt::Unchecked);
    }
    layout->addWidget(list);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, dialog);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    connect(buttons, &QDialogButtonBox::accepted, dialog, [this, dialog, list] {
        QStringList chosen;
        for (int i = 0; i < list->count(); ++i) {
            if (list->item(i)->checkState() == Qt::Checked)
                chosen << list->item(i)->data(Qt::UserRole).toString();
        }
        if (m_toolbar)
            setItemIdentifiers(chosen);
        dialog->accept();
    });
    dialog->open();
}

} // namespace tarnwick::native
