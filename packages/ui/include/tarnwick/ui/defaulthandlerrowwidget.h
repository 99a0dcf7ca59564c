#pragma once

// One default-handler row of the General preferences: the label, who reads these links now, and a
// "Use <app>" button while this product could take over.

#include <QWidget>
#include <string>

#include "tarnwick/ui/defaulthandlerrow.h"

class QLabel;
class QPushButton;

namespace tarnwick {

class DefaultHandlerRowWidget : public QWidget {
    Q_OBJECT
public:
    DefaultHandlerRowWidget(const DefaultHandlerRow::Item& item, const std::string& appName, bool canClaim,
                            QWidget* parent = nullptr);

    QLabel* titleLabel() const { return m_title; }
    QLabel* subtitleLabel() const { return m_subtitle; }
    /// The claim button; null when the row offers none.
    QPushButton* claimButton() const { return m_claim; }

Q_SIGNALS:
    void claimRequested();

private:
    QLabel* m_title = nullptr;
    QLabel* m_subtitle = nullptr;
    QPushButton* m_claim = nullptr;
};

} // namespace tarnwick
