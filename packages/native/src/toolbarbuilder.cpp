#include "tarnwick/native/toolbarbuilder.h"

#include <QLineEdit>

#include "tarnwick/native/buttontarget.h"
#include "tarnwick/native/itemvalidation.h"
#include "tarnwick/native/searchdelegate.h"

namespace tarnwick::native {
namespace {

std::string utf8(const QString& text)
{
    return text.toStdString();
}

constexpr int kSearchFieldWidth = 220;

} // namespace

ValidatedToolbarItem* ToolbarBuilder::makeButton(const QString& identifier, const QString& symbol, const QString& label,
                                                 const QString& action, bool needsMessage)
{
    auto* item = new ValidatedToolbarItem(identifier, ToolbarItem::Kind::Button);
    item->setLabel(label);
    item->setToolTip(label);
    item->setSymbol(symbol, label);
    item->setBordered(true);
    const std::string id = utf8(identifier);
    ButtonTarget::shared().registerAction(id, utf8(action));
    QObject::connect(item, &ToolbarItem::activated, item, [id] { ButtonTarget::shared().handleClick(id); });
    if (needsMessage) {
        ItemValidation::shared().setDefault(id, false);
        item->setEnabled(ItemValidation::shared().isEnabled(id));
    }
    return item;
}

ToolbarItem* ToolbarBuilder::makeGroup(const QString& identifier, const QString& label, bool needsMessage,
                                       const std::vector<Member>& members)
{
    auto* group = new ToolbarItem(identifier, ToolbarItem::Kind::Group);
    group->setLabel(label);
    std::vector<ToolbarItem*> subItems;
    for (const Member& member : members)
        subItems.push_back(makeButton(member.action, member.symbol, member.label, member.action, needsMessage));
    if (!subItems.empty())
        group->setIcon(subItems.front()->icon());
    group->setSubItems(std::move(subItems));
    return group;
}

ToolbarItem* ToolbarBuilder::makeSearchItem(const QString& identifier, const QString& placeholder)
{
    auto* item = new ToolbarItem(identifier, ToolbarItem::Kind::Search);
    auto* field = new QLineEdit;
    field->setObjectName(QStringLiteral("searchField"));
    field->setPlaceholderText(placeholder);
    field->setAccessibleName(placeholder);
    field->setClearButtonEnabled(true);
    field->setFixedWidth(kSearchFieldWidth);
    SearchDelegate::shared().attach(field);
    item->setLabel(placeholder);
    item->setView(field);
    return item;
}

} // namespace tarnwick::native
