#include "tarnwick/helper/preferencebinding.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QSignalBlocker>
#include <memory>

#include "tarnwick/ui/palettefollower.h"
#include "tarnwick/ui/switchbutton.h"
#include "tarnwick/ui/wheelguard.h"

namespace tarnwick::PreferenceBinding {

using Field = SettingsModel::Field;

void follow(SettingsModel& model, Field field, QObject* receiver, std::function<void()> apply)
{
    apply();
    QObject::connect(&model, &SettingsModel::fieldChanged, receiver, [field, apply = std::move(apply)](Field changed) {
        if (changed == field)
            apply();
    });
}

QComboBox* comboBox(SettingsModel& model, Field field, std::vector<Choice> choices, QWidget* parent)
{
    auto* combo = new QComboBox(parent);
    combo->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    WheelGuard::install(combo);
    auto shared = std::make_shared<std::vector<Choice>>(std::move(choices));
    for (const Choice& choice : *shared)
        combo->addItem(choice.label);
    follow(model, field, combo, [&model, field, combo, shared] {
        const QSignalBlocker blocker(combo);
        int index = -1;
        for (std::size_t i = 0; i < shared->size(); ++i)
            if ((*shared)[i].value == model.preference(field))
                index = static_cast<int>(i);
        combo->setCurrentIndex(index);
    });
    // activated: the user's choices only, never the programmatic ones above.
    QObject::connect(combo, &QComboBox::activated, combo, [&model, field, shared](int index) {
        if (index >= 0 && index < static_cast<int>(shared->size()))
            model.setPreference(field, (*shared)[static_cast<std::size_t>(index)].value);
    });
    return combo;
}

QWidget* segmented(SettingsModel& model, Field field, std::vector<Choice> choices, QWidget* parent)
{
    auto* box = new QWidget(parent);
    auto* layout = new QHBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    // Joined segments, the chosen one in the selection colour; the focused one framed in the selection
    // colour (in the text colour where it is the chosen one), which the style's dotted mark is not.
    const QString sheet = QStringLiteral(
        "QPushButton { border: 1px solid palette(mid); background: palette(button); padding: 3px 12px; margin: 0; }"
        "QPushButton:checked { background: palette(highlight); color: palette(highlighted-text);"
        " border-color: palette(highlight); }"
        "QPushButton[segment=\"first\"] { border-top-left-radius: 5px; border-bottom-left-radius: 5px; }"
        "QPushButton[segment=\"last\"] { border-top-right-radius: 5px; border-bottom-right-radius: 5px; }"
        "QPushButton[segment=\"middle\"], QPushButton[segment=\"last\"] { border-left: none; }"
        "QPushButton:focus { border: 2px solid palette(highlight); outline: none; }"
        "QPushButton:checked:focus { border-color: palette(highlighted-text); }");
    box->setStyleSheet(sheet);
    // The sheet's palette colours are taken when it is applied: applied again for a new palette.
    PaletteFollower::follow(box, [box, sheet] {
        box->setStyleSheet(QString());
        box->setStyleSheet(sheet);
    });
    auto* group = new QButtonGroup(box);
    group->setExclusive(true);
    auto shared = std::make_shared<std::vector<Choice>>(std::move(choices));
    const int count = static_cast<int>(shared->size());
    for (int i = 0; i < count; ++i) {
        auto* button = new QPushButton((*shared)[static_cast<std::size_t>(i)].label, box);
        button->setCheckable(true);
        button->setFocusPolicy(Qt::TabFocus);
        button->setProperty("segment", i == 0 ? "first" : i == count - 1 ? "last" : "middle");
        layout->addWidget(button);
        group->addButton(button, i);
    }
    follow(model, field, box, [&model, field, group, shared] {
        const QSignalBlocker blocker(group);
        // An exclusive group cannot uncheck its last button; drop exclusivity for a value no segment has.
        group->setExclusive(false);
        for (std::size_t i = 0; i < shared->size(); ++i)
            group->button(static_cast<int>(i))->setChecked((*shared)[i].value == model.preference(field));
        group->setExclusive(true);
    });
    QObject::connect(group, &QButtonGroup::idClicked, box, [&model, field, shared](int id) {
        if (id >= 0 && id < static_cast<int>(shared->size()))
            model.setPreference(field, (*shared)[static_cast<std::size_t>(id)].value);
    });
    return box;
}

SwitchButton* switchButton(SettingsModel& model, Field field, const QString& text, QWidget* parent)
{
    auto* button = new SwitchButton(text, parent);
    follow(model, field, button, [&model, field, button] {
        const QSignalBlocker blocker(button);
        button->setChecked(model.preference(field).boolean().value_or(false));
    });
    // clicked: the user's toggles only.
    QObject::connect(button, &SwitchButton::clicked, button,
                     [&model, field](bool checked) { model.setPreference(field, Value(checked)); });
    return button;
}

} // namespace tarnwick::PreferenceBinding
