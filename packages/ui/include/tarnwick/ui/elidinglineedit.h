#pragma once

// A line edit that, while it does not have the focus, shows a text too long for it from its start with
// "…" at its logical end (the left for right-to-left text), rather than a scrolled end with a glyph cut
// at the edge. Focused, it edits as any line edit.

#include <QLineEdit>

namespace tarnwick {

class ElidingLineEdit : public QLineEdit {
    Q_OBJECT
public:
    using QLineEdit::QLineEdit;

    /// What is painted while unfocused: the text, elided to the room it has.
    QString shownText() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QRect textRect() const;
};

} // namespace tarnwick
