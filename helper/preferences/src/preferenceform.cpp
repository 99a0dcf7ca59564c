#include "tarnwick/helper/preferenceform.h"

#include <QAbstractButton>
#include <QLabel>
#include <QVBoxLayout>

#include "tarnwick/ui/formstyle.h"

namespace tarnwick {

PreferenceForm::PreferenceForm(QWidget* parent)
    : QWidget(parent)
    , m_column(new QVBoxLayout(this))
{
    m_column->setContentsMargins(0, 0, 0, 0);
    m_column->setSpacing(8);
}

QWidget* PreferenceForm::addRow(const QString& label, QWidget* control, const QString& toolTip)
{
    QWidget* row = FormStyle::labelledRow(new QLabel(label), control, this);
    row->setToolTip(toolTip);
    control->setToolTip(toolTip);
    m_column->addWidget(row);
    return row;
}

QWidget* PreferenceForm::addSwitch(QWidget* switchButton, const QString& toolTip)
{
    const QString text = switchButton->property("text").toString();
    QWidget* row = FormStyle::labelledRow(new QLabel(text), switchButton, this);
    row->setToolTip(toolTip);
    switchButton->setToolTip(toolTip);
    m_column->addWidget(row);
    return row;
}

QWidget* PreferenceForm::addWidget(QWidget* widget)
{
    widget->setParent(this);
    m_column->addWidget(widget);
    return widget;
}

QLabel* PreferenceForm::addCaption(const QString& text)
{
    QLabel* label = FormStyle::caption(text, this);
    m_column->addWidget(label);
    return label;
}

QLabel* PreferenceForm::addSection(const QString& title)
{
    QLabel* label = FormStyle::sectionTitle(title, this);
    m_column->addWidget(label);
    return label;
}

QWidget* PreferenceForm::addSeparator()
{
    QWidget* line = FormStyle::separator(this);
    m_column->addWidget(line);
    return line;
}

void PreferenceForm::finish()
{
    m_column->addStretch(1);
}

} // namespace tarnwick
