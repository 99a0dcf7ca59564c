#include "tarnwick/ui/accountstab.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QListWidget>
#include <QFrame>
#include <QMenu>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QKeyEvent>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

#include "tarnwick/rpc/params.h"
#include "tarnwick/ui/accountlinks.h"
#include "tarnwick/ui/accountlistmodel.h"
#include "tarnwick/ui/accountrow.h"
#include "tarnwick/ui/draghandle.h"
#include "tarnwick/ui/formstyle.h"

namespace tarnwick {

namespace {

constexpr int kIdRole = Qt::UserRole + 1;

QIcon themedIcon(const char* name, const QString& fallbackText)
{
    QIcon icon = QIcon::fromTheme(QString::fromLatin1(name));
    if (!icon.isNull())
        return icon;
    // No icon theme: draw the sign so the button is never blank.
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QApplication::palette().color(QPalette::ButtonText), 1.6));
    p.drawLine(QPointF(3.5, 8), QPointF(12.5, 8));
    if (fallbackText == QLatin1String("+"))
        p.drawLine(QPointF(8, 3.5), QPointF(8, 12.5));
    return QIcon(pixmap);
}

} // namespace

AccountsTab::AccountsTab(AccountListModel& model, std::vector<std::string> palette, QWidget* parent)
    : QWidget(parent)
    , m_model(model)
    , m_actions(model, std::move(palette))
{
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(6);

    m_list = new QListWidget(this);
    m_list->setObjectName(QStringLiteral("accountList"));
    m_list->setMinimumHeight(160);
    m_list->setAlternatingRowColors(false);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setDragDropMode(QAbstractItemView::InternalMove);
    m_list->setDefaultDropAction(Qt::MoveAction);
    m_list->setUniformItemSizes(true);
    column->addWidget(m_list, 1);
    // Where a dragged row would land: a line between rows.
    m_dropLine = new QFrame(m_list->viewport());
    m_dropLine->setObjectName(QStringLiteral("dropIndicator"));
    m_dropLine->setFixedHeight(2);
    m_dropLine->setAutoFillBackground(true);
    // Filled with the highlight colour of whichever palette is in effect, light or dark.
    m_dropLine->setBackgroundRole(QPalette::Highlight);
    m_dropLine->hide();

    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(6);
    m_add = new QToolButton(this);
    m_add->setObjectName(QStringLiteral("addAccount"));
    m_add->setIcon(themedIcon("list-add-symbolic", QStringLiteral("+")));
    // Icon buttons are named for screen readers as their tool tips say.
    m_add->setAccessibleName(QStringLiteral("Add an account"));
    m_add->setToolTip(QStringLiteral("Add an account"));
    m_remove = new QToolButton(this);
    m_remove->setObjectName(QStringLiteral("removeAccount"));
    m_remove->setIcon(themedIcon("list-remove-symbolic", QStringLiteral("-")));
    m_remove->setAccessibleName(QStringLiteral("Remove the selected account"));
    m_remove->setToolTip(QStringLiteral("Remove the selected account"));
    m_reset = new QPushButton(QStringLiteral("Reset Session\u2026"), this);
    m_reset->setObjectName(QStringLiteral("resetSession"));
    m_reset->setToolTip(QStringLiteral("Sign the selected account out of Google"));
    auto* hint = FormStyle::caption(QStringLiteral("Drag by the handle to reorder"), this, FormStyle::Tone::Tertiary);
    hint->setObjectName(QStringLiteral("dragHint"));
    buttons->addWidget(m_add);
    buttons->addWidget(m_remove);
    buttons->addWidget(m_reset);
    buttons->addStretch(1);
    buttons->addWidget(hint);
    column->addLayout(buttons);

    connect(m_add, &QToolButton::clicked, this, [this] { m_actions.add(); });
    connect(m_remove, &QToolButton::clicked, this, &AccountsTab::removeSelected);
    connect(m_reset, &QPushButton::clicked, this, &AccountsTab::confirmResetSelected);
    // The Delete command acts on the list only, never while a row's name is being edited.
    m_list->installEventFilter(this);

    connect(m_list, &QListWidget::currentItemChanged, this, [this](QListWidgetItem* item) {
        if (m_applyingSelection)
            return;
        if (item)
            m_actions.select(item->data(kIdRole).toString().toStdString());
        else
            m_actions.select(std::nullopt);
        updateButtons();
    });
    // A drop moves the items inside the list; the new order is taken once the drop has finished.
    connect(m_list->model(), &QAbstractItemModel::rowsMoved, this, &AccountsTab::adoptListOrder, Qt::QueuedConnection);

    connect(&m_model, &AccountListModel::accountsChanged, this, &AccountsTab::reload);
    connect(&m_model, &AccountListModel::browsersChanged, this, &AccountsTab::refreshProfileMenus);
    reload();
}

AccountRow* AccountsTab::row(const std::string& id) const
{
    auto it = m_rows.find(id);
    return it == m_rows.end() ? nullptr : it->second.first;
}

QToolButton* AccountsTab::profileMenu(const std::string& id) const
{
    auto it = m_rows.find(id);
    return it == m_rows.end() ? nullptr : it->second.second;
}

bool AccountsTab::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_list && event->type() == QEvent::KeyPress
        && static_cast<QKeyEvent*>(event)->matches(QKeySequence::Delete)) {
        removeSelected();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void AccountsTab::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    m_actions.selectFirstIfNone();
    applySelection();
}

void AccountsTab::reload()
{
    if (m_actions.listedIds() != m_rowIds) {
        rebuildRows();
    } else {
        for (const std::string& id : m_rowIds) {
            AccountRow* accountRow = row(id);
            accountRow->setName(m_actions.value(id, "name").value_or(""));
            accountRow->setColor(m_actions.value(id, "color").value_or(m_actions.palette().front()));
            accountRow->setNeedsAuth(m_actions.boolValue(id, "needsAuth"));
        }
        refreshProfileMenus();
    }
    applySelection();
}

void AccountsTab::rebuildRows()
{
    m_applyingSelection = true;
    m_list->clear();
    m_rows.clear();
    m_rowIds = m_actions.listedIds();
    for (const std::string& id : m_rowIds) {
        auto* menuButton = new QToolButton;
        menuButton->setObjectName(QStringLiteral("profileMenu"));
        menuButton->setAutoRaise(true);
        menuButton->setPopupMode(QToolButton::InstantPopup);
        menuButton->setToolButtonStyle(Qt::ToolButtonTextOnly);
        menuButton->setMenu(new QMenu(menuButton));
        fillProfileMenu(menuButton, id);

        auto* accountRow = new AccountRow(m_actions.value(id, "name").value_or(""),
                                          m_actions.value(id, "color").value_or(m_actions.palette().front()),
                                          m_actions.boolValue(id, "needsAuth"), menuButton);
        connect(accountRow, &AccountRow::committed, this, [this, id](const std::string& name, const std::string& color) {
            // Queued: the model's new list rebuilds rows, and this row is still inside its own signal.
            QTimer::singleShot(0, this, [this, id, name, color] { m_actions.update(id, name, color); });
        });
        connect(accountRow, &AccountRow::signInRequested, this, [this, id] { m_actions.signIn(id); });
        connect(accountRow, &AccountRow::removeRequested, this, [this, id] {
            m_actions.remove(id);
            applySelection();
        });
        connect(accountRow, &AccountRow::activated, this, [this, id] { selectRow(id); });
        DragHandle* handle = accountRow->dragHandle();
        connect(handle, &DragHandle::dragStarted, this, [this, id] { selectRow(id); });
        connect(handle, &DragHandle::dragMoved, this, [this](QPoint at) { showDropLine(dropOffset(at)); });
        connect(handle, &DragHandle::dragCancelled, m_dropLine, &QWidget::hide);
        connect(handle, &DragHandle::dropped, this, [this, id](QPoint at) {
            m_dropLine->hide();
            const int offset = dropOffset(at);
            // Queued: the new order rebuilds the rows, this handle's among them.
            QTimer::singleShot(0, this, [this, id, offset] { dropRow(id, offset); });
        });

        auto* item = new QListWidgetItem(m_list);
        item->setData(kIdRole, QString::fromStdString(id));
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled);
        item->setSizeHint(QSize(0, accountRow->sizeHint().height()));
        m_list->setItemWidget(item, accountRow);
        m_rows[id] = {accountRow, menuButton};
    }
    m_applyingSelection = false;
}

void AccountsTab::fillProfileMenu(QToolButton* button, const std::string& id)
{
    const Object* account = m_actions.account(id);
    if (!account)
        return;
    QMenu* menu = button->menu();
    menu->clear();
    for (const AccountLinks::ProfileMenuItem& item : AccountLinks::profileMenuItems(m_model, *account)) {
        if (item.separatorBefore)
            menu->addSeparator();
        QAction* action = menu->addAction(QString::fromStdString(item.title));
        action->setCheckable(true);
        action->setChecked(item.checked);
        const std::string profile = AccountLinks::profileChoice(item);
        connect(action, &QAction::triggered, this, [this, id, profile] {
            // Queued: the choice rebuilds this very menu.
            QTimer::singleShot(0, this, [this, id, profile] { m_actions.chooseProfile(id, profile); });
        });
    }
    button->setText(QString::fromStdString(AccountLinks::profileSummary(m_model, *account)));
    button->setEnabled(AccountLinks::profilesSupported(m_model));
    button->setToolTip(QString::fromStdString(AccountLinks::profileMenuToolTip(m_model)));
    // Read out as what it chooses, then the choice it shows.
    button->setAccessibleName(QStringLiteral("Browser profile: ") + button->text());
}

void AccountsTab::refreshProfileMenus()
{
    for (const auto& [id, entry] : m_rows)
        fillProfileMenu(entry.second, id);
}

void AccountsTab::applySelection()
{
    m_applyingSelection = true;
    QListWidgetItem* selected = nullptr;
    for (int i = 0; i < m_list->count(); ++i)
        if (m_actions.selectedId() && m_list->item(i)->data(kIdRole).toString().toStdString() == *m_actions.selectedId())
            selected = m_list->item(i);
    m_list->setCurrentItem(selected);
    if (!selected)
        m_list->clearSelection();
    for (const auto& [id, entry] : m_rows)
        entry.first->setSelected(m_actions.selectedId() == id);
    m_applyingSelection = false;
    updateButtons();
}

void AccountsTab::updateButtons()
{
    const auto& selected = m_actions.selectedId();
    m_remove->setEnabled(selected && m_actions.listedIds().size() >= 2);
    m_reset->setEnabled(selected.has_value());
}

void AccountsTab::removeSelected()
{
    if (const auto selected = m_actions.selectedId())
        m_actions.remove(*selected);
    applySelection();
}

void AccountsTab::confirmResetSelected()
{
    const auto selected = m_actions.selectedId();
    if (!selected)
        return;
    const auto prompt = m_actions.resetPrompt(*selected);
    if (!prompt)
        return;
    if (m_alert)
        m_alert->close();
    // A window-modal alert on the preferences window: the sheet of this desktop.
    m_alert = new QMessageBox(QMessageBox::Warning, QString(), QString::fromStdString(*prompt),
                              QMessageBox::NoButton, window());
    m_alert->setObjectName(QStringLiteral("resetAlert"));
    m_alert->setInformativeText(QString::fromUtf8(AccountsActions::kResetInformativeText.data(),
                                                  static_cast<int>(AccountsActions::kResetInformativeText.size())));
    QPushButton* reset = m_alert->addButton(QStringLiteral("Reset"), QMessageBox::DestructiveRole);
    QPushButton* cancel = m_alert->addButton(QStringLiteral("Cancel"), QMessageBox::RejectRole);
    m_alert->setDefaultButton(cancel);
    m_alert->setEscapeButton(cancel);
    m_alert->setAttribute(Qt::WA_DeleteOnClose);
    m_alert->setWindowModality(Qt::WindowModal);
    const std::string id = *selected;
    connect(m_alert, &QMessageBox::buttonClicked, this, [this, reset, id](QAbstractButton* clicked) {
        if (clicked == reset)
            m_actions.resetSession(id);
    });
    m_alert->open();
}

void AccountsTab::selectRow(const std::string& id)
{
    if (m_actions.selectedId() == id)
        return;
    m_actions.select(id);
    applySelection();
}

int AccountsTab::dropOffset(QPoint globalPos) const
{
    // The gap nearest the pointer: before the first row whose middle lies below it.
    const QPoint at = m_list->viewport()->mapFromGlobal(globalPos);
    for (int i = 0; i < m_list->count(); ++i)
        if (at.y() < m_list->visualItemRect(m_list->item(i)).center().y())
            return i;
    return m_list->count();
}

void AccountsTab::showDropLine(int offset)
{
    int y = 0;
    if (m_list->count() > 0)
        y = offset < m_list->count() ? m_list->visualItemRect(m_list->item(offset)).top()
                                     : m_list->visualItemRect(m_list->item(m_list->count() - 1)).bottom() + 1;
    m_dropLine->setGeometry(0, std::max(0, y - 1), m_list->viewport()->width(), 2);
    m_dropLine->show();
    m_dropLine->raise();
}

void AccountsTab::dropRow(const std::string& id, int offset)
{
    const std::vector<std::string> ids = m_actions.listedIds();
    const auto it = std::find(ids.begin(), ids.end(), id);
    if (it == ids.end())
        return;
    const int from = static_cast<int>(it - ids.begin());
    if (offset == from || offset == from + 1)
        return; // dropped where it was
    m_actions.move({from}, offset);
}

void AccountsTab::adoptListOrder()
{
    std::vector<std::string> ids;
    for (int i = 0; i < m_list->count(); ++i)
        ids.push_back(m_list->item(i)->data(kIdRole).toString().toStdString());
    if (ids == m_rowIds)
        return;
    m_actions.reorder(ids);
    // A refused order leaves the model as it was: show that order again.
    if (m_actions.listedIds() != ids)
        rebuildRows();
}

} // namespace tarnwick
