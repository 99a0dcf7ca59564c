#pragma once

// Text from the mail in the popover's narrow places: cut at its logical end with "…" (for text that
// reads right to left that is its left side), never inside a grapheme cluster (an emoji with its
// modifiers, a letter with its marks), and drawn in its own reading direction.

#include <QFont>
#include <QLabel>
#include <QRectF>
#include <QString>

class QPainter;

namespace tarnwick::traypopovertext {

/// `text` as it fits `width` in `font`: whole, or its longest start of whole grapheme clusters
/// followed by "…".
QString elided(const QString& text, const QFont& font, double width);
/// The direction `text` reads in: that of its first letter with a direction (left to right for none).
Qt::LayoutDirection direction(const QString& text);
/// `text` as one unit inside a line of the other direction (Unicode isolates around text that
/// reads right to left), so what follows it stays after it; other text unchanged.
QString isolated(const QString& text);
/// Draws `text` with its left edge at `left` and its baseline at `baseline`, in its own direction.
void draw(QPainter& painter, double left, double baseline, const QString& text);

/// A one-line label that shows as much of its text as fits, cut as `elided` does, in the text's
/// own direction. Its text stays the whole text (assistive technology reads all of it); it may be
/// squeezed to a single "…".
class ElidingLabel : public QLabel {
public:
    explicit ElidingLabel(const QString& text, QWidget* parent = nullptr);

    /// What is drawn at the label's current width.
    QString shownText() const;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace tarnwick::traypopovertext
