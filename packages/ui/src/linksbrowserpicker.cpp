#include "tarnwick/ui/linksbrowserpicker.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QSignalBlocker>

#include "tarnwick/ui/wheelguard.h"

namespace tarnwick {

LinksBrowserPicker::LinksBrowserPicker(QWidget* parent)
    : QWidget(parent)
{
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(8);
    auto* label = new QLabel(QStringLiteral("Open links in:"), this);
    m_combo = new QComboBox(this);
    m_combo->setObjectName(QStringLiteral("openLinksIn"));
    m_combo->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    WheelGuard::install(m_combo);
    label->setBuddy(m_combo);
    layout->addWidget(label, 1);
    layout->addWidget(m_combo);
    connect(m_combo, &QComboBox::activated, this, [this](int index) {
        if (index >= 0 && index < static_cast<int>(m_options.size()))
            Q_EMIT selectionChosen(m_options[static_cast<std::size_t>(index)].value);
    });
}

void LinksBrowserPicker::setState(const std::vector<Object>& browsers, const Object& defaultBrowser,
                                  const std::string& selection)
{
    const QSignalBlocker blocker(m_combo);
    m_options = AccountLinks::pickerOptions(browsers, defaultBrowser, selection);
    m_combo->clear();
    for (const auto& option : m_options)
        m_combo->addItem(QString::fromStdString(option.title), QString::fromStdString(option.value));
    const std::string shown = AccountLinks::pickerShownSelection(selection, defaultBrowser);
    int index = -1;
    for (std::size_t i = 0; i < m_options.size(); ++i)
        if (m_options[i].value == shown) {
            index = static_cast<int>(i);
            break;
        }
    m_combo->setCurrentIndex(index);
}

} // namespace tarnwick
