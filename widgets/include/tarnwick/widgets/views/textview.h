#pragma once

#include <QColor>
#include <QFont>
#include <QWidget>

namespace tarnwick {

/// One line of text in a widget: elided at the end when it does not fit, optionally shrinking first
/// (down to `minimumScaleFactor` of its size), with letter tracking and an opacity of its own.
class TextView : public QWidget {
    Q_OBJECT
public:
    TextView(const QString& text, const QFont& font, const QColor& color, QWidget* parent = nullptr);

    QString text() const { return m_text; }
    QColor color() const { return m_color; }
    QFont textFont() const { return m_font; }
    qreal textOpacity() const { return m_opacity; }
    void setTextOpacity(qreal opacity);
    void setTracking(qreal points);
    /// Allows the text to shrink to this fraction of its size before it is elided (1 = never).
    void setMinimumScaleFactor(qreal factor);
    /// The text as painted at the current width (shrunk and/or elided).
    QString displayedText() const;
    /// Distance from the top of the view to the baseline.
    int baseline() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QFont fittedFont() const;
    QString m_text;
    QFont m_font;
    QColor m_color;
    qreal m_opacity = 1.0;
    qreal m_minimumScale = 1.0;
};

} // namespace tarnwick
