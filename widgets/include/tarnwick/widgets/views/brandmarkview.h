#pragma once

#include <QWidget>

namespace tarnwick {

/// The product's brand mark (the envelope) `width` points wide, its height from the mark's aspect
/// ratio, drawn at the resolution of whatever it is painted into.
class BrandMarkView : public QWidget {
    Q_OBJECT
public:
    explicit BrandMarkView(qreal width, QWidget* parent = nullptr);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    qreal m_width;
};

} // namespace tarnwick
