#pragma once

#include <QWidget>

#include "tarnwick/widgets/views/widgetenvironment.h"
#include "tarnwick/widgets/widgetcache.h"

namespace tarnwick {

class TextView;

/// Lays out texts side by side on one shared baseline.
class BaselineRow : public QWidget {
    Q_OBJECT
public:
    BaselineRow(std::vector<TextView*> texts, int spacing, QWidget* parent = nullptr);
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

private:
    void place();
    int maxAscent() const;
    std::vector<TextView*> m_texts;
    int m_spacing;
};

} // namespace tarnwick
