#include "traypopovermenustyle_p.h"

#include <QMenu>
#include <QProxyStyle>
#include <QStyleOptionMenuItem>

namespace tarnwick::traypopovermenustyle {

namespace {

class CheckedChoiceStyle : public QProxyStyle {
public:
    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget) const override
    {
        const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option);
        if (element == CE_MenuItem && item && item->checkType == QStyleOptionMenuItem::Exclusive && item->checked) {
            QStyleOptionMenuItem checked(*item);
            checked.checkType = QStyleOptionMenuItem::NonExclusive;
            QProxyStyle::drawControl(element, &checked, painter, widget);
            return;
        }
        QProxyStyle::drawControl(element, option, painter, widget);
    }
};

} // namespace

void markChoicesWithChecks(QMenu* menu)
{
    // The desktop's own style underneath; one per menu, gone with it.
    auto* style = new CheckedChoiceStyle;
    style->setParent(menu);
    menu->setStyle(style);
}

} // namespace tarnwick::traypopovermenustyle
