#pragma once

// An on/off switch: a checkable button drawn as a sliding toggle. Its text is not drawn (the row's
// label beside it shows it) but names it for accessibility and lookup.

#include <QAbstractButton>

namespace tarnwick {

class SwitchButton : public QAbstractButton {
    Q_OBJECT
public:
    explicit SwitchButton(const QString& text = {}, QWidget* parent = nullptr);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace tarnwick
