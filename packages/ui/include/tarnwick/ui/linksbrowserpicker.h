#pragma once

// "Open links in:": the browser the accounts' links open in, among the installed browsers the main
// application reports (plus the chosen one, installed or not).

#include <QWidget>
#include <string>
#include <vector>

#include "tarnwick/rpc/value.h"
#include "tarnwick/ui/accountlinks.h"

class QComboBox;

namespace tarnwick {

class LinksBrowserPicker : public QWidget {
    Q_OBJECT
public:
    explicit LinksBrowserPicker(QWidget* parent = nullptr);

    /// Rebuilds the options and shows `selection` without announcing anything.
    void setState(const std::vector<Object>& browsers, const Object& defaultBrowser, const std::string& selection);
    QComboBox* comboBox() const { return m_combo; }
    const std::vector<AccountLinks::PickerOption>& options() const { return m_options; }

Q_SIGNALS:
    /// The user chose an option: its value is the new selection.
    void selectionChosen(const std::string& value);

private:
    QComboBox* m_combo = nullptr;
    std::vector<AccountLinks::PickerOption> m_options;
};

} // namespace tarnwick
