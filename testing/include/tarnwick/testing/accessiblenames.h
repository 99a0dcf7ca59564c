#pragma once

// What a screen reader is told of a window's controls, read through Qt's accessibility interfaces
// (the same ones Qt's AT-SPI bridge exports): every push button, menu button, check box and combo box
// must have a name. Header only; needs a QApplication.

#include <QAbstractButton>
#include <QAccessible>
#include <QComboBox>
#include <QWidget>
#include <set>
#include <string>
#include <vector>

namespace tarnwick::testing {

inline bool needsName(QAccessible::Role role)
{
    switch (role) {
    case QAccessible::PushButton:
    case QAccessible::ButtonMenu:
    case QAccessible::ButtonDropDown:
    case QAccessible::ButtonDropGrid:
    case QAccessible::CheckBox:
    case QAccessible::RadioButton:
    case QAccessible::ComboBox:
        return true;
    default:
        return false;
    }
}

inline std::string describe(QAccessibleInterface* iface)
{
    std::string out = "role " + std::to_string(int(iface->role()));
    if (QObject* object = iface->object())
        out += std::string(" ") + object->metaObject()->className() + " '" + object->objectName().toStdString() + "'";
    return out;
}

/// The controls of `window` that would reach a screen reader without a name: those found walking the
/// accessibility tree from the window, and every button and combo box among its widgets (the tree
/// does not reach widgets placed in list cells).
inline std::vector<std::string> unnamedControls(QWidget* window, int* checked = nullptr)
{
    std::vector<std::string> unnamed;
    std::set<QObject*> seen;
    int count = 0;
    auto check = [&](QAccessibleInterface* iface) {
        if (!iface || !needsName(iface->role()))
            return;
        if (iface->object() && !seen.insert(iface->object()).second)
            return;
        ++count;
        if (iface->text(QAccessible::Name).trimmed().isEmpty())
            unnamed.push_back(describe(iface));
    };
    std::vector<QAccessibleInterface*> pending{QAccessible::queryAccessibleInterface(window)};
    while (!pending.empty()) {
        QAccessibleInterface* iface = pending.back();
        pending.pop_back();
        if (!iface)
            continue;
        check(iface);
        for (int i = 0; i < iface->childCount(); ++i)
            pending.push_back(iface->child(i));
    }
    for (QWidget* widget : window->findChildren<QWidget*>())
        if (qobject_cast<QAbstractButton*>(widget) || qobject_cast<QComboBox*>(widget))
            check(QAccessible::queryAccessibleInterface(widget));
    if (checked)
        *checked = count;
    return unnamed;
}

} // namespace tarnwick::testing
