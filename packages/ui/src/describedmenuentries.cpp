#include "tarnwick/ui/describedmenuentries.h"

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QAccessibleInterface>
#include <QAction>
#include <QMenu>
#include <QPointer>
#include <QWindow>

namespace tarnwick::ui {

namespace {

// The text as read aloud: "&&" is a literal ampersand, a single "&" only marks the mnemonic.
QString withoutMnemonic(const QString& text)
{
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'&') {
            if (i + 1 < text.size() && text[i + 1] == u'&')
                out += u'&';
            else
                continue;
            ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

class DescribedMenuEntry final : public QAccessibleInterface, public QAccessibleActionInterface {
public:
    DescribedMenuEntry(QMenu* menu, QAction* action)
        : m_menu(menu)
        , m_action(action)
    {
    }

    bool isValid() const override { return m_menu && m_action; }
    QObject* object() const override { return m_action; }
    QWindow* window() const override { return m_menu ? m_menu->windowHandle() : nullptr; }
    QAccessibleInterface* parent() const override { return QAccessible::queryAccessibleInterface(m_menu); }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QAccessibleInterface* focusChild() const override { return nullptr; }

    QString text(QAccessible::Text kind) const override
    {
        if (!m_action)
            return {};
        switch (kind) {
        case QAccessible::Name:
            return withoutMnemonic(m_action->text());
        case QAccessible::Description:
            return m_action->property(kAccessibleDescription).toString();
        case QAccessible::Accelerator:
            return m_action->shortcut().toString(QKeySequence::NativeText);
        default:
            return {};
        }
    }
    void setText(QAccessible::Text, const QString&) override {}

    QRect rect() const override
    {
        if (!isValid())
            return {};
        const QRect inMenu = m_menu->actionGeometry(m_action);
        return {m_menu->mapToGlobal(inMenu.topLeft()), inMenu.size()};
    }
    QAccessible::Role role() const override
    {
        return m_action && m_action->isSeparator() ? QAccessible::Separator : QAccessible::MenuItem;
    }
    QAccessible::State state() const override
    {
        QAccessible::State s;
        if (!isValid()) {
            s.invalid = true;
            return s;
        }
        s.focusable = true;
        s.disabled = !m_action->isEnabled();
        s.invisible = !m_action->isVisible() || !m_menu->isVisible();
        s.checkable = m_action->isCheckable();
        s.checked = m_action->isChecked();
        if (m_menu->activeAction() == m_action)
            s.focused = s.hotTracked = true;
        return s;
    }

    void* interface_cast(QAccessible::InterfaceType type) override
    {
        return type == QAccessible::ActionInterface ? static_cast<QAccessibleActionInterface*>(this) : nullptr;
    }
    QStringList actionNames() const override
    {
        return isValid() && m_action->isEnabled() ? QStringList{pressAction()} : QStringList{};
    }
    void doAction(const QString& name) override
    {
        if (name != pressAction() || !isValid() || !m_action->isEnabled())
            return;
        // As a click does: the menu closes, then the entry acts.
        const QPointer<QAction> action = m_action;
        m_menu->hide();
        if (action)
            action->trigger();
    }
    QStringList keyBindingsForAction(const QString&) const override { return {}; }

private:
    QPointer<QMenu> m_menu;
    QPointer<QAction> m_action;
};

QAccessibleInterface* describedEntryFactory(const QString&, QObject* object)
{
    auto* action = qobject_cast<QAction*>(object);
    if (!action || !action->property(kAccessibleDescription).isValid())
        return nullptr;
    for (QObject* owner : action->associatedObjects())
        if (auto* menu = qobject_cast<QMenu*>(owner))
            return new DescribedMenuEntry(menu, action);
    return nullptr;
}

} // namespace

void installDescribedMenuEntries()
{
    // Later factories are asked first, so this one goes in after Qt Widgets' own.
    static const bool installed = [] {
        QAccessible::installFactory(describedEntryFactory);
        return true;
    }();
    (void)installed;
}

} // namespace tarnwick::ui
