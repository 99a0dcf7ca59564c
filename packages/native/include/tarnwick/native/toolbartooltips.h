#pragma once

// Tooltips of the toolbar's widgets, shown by the toolbar itself: long texts are broken into lines
// of at most kToolTipWidth pixels (Qt shows a plain-text tip on one line however long it is).
// UI thread only.

#include <QFont>
#include <QObject>
#include <QString>

class QWidget;

namespace tarnwick::native {

/// The widest a tooltip line grows, in device-independent pixels.
inline constexpr int kToolTipWidth = 400;

/// `text` with line breaks inserted between words (inside a word only where one word alone is
/// wider) so that no line is wider than `maxWidth` in `font`; existing line breaks stay.
QString wrappedToolTip(const QString& text, const QFont& font, int maxWidth = kToolTipWidth);

/// Shows the tooltips of a widget and of every widget that is or later becomes its descendant.
class ToolTipPresenter : public QObject {
    Q_OBJECT
public:
    /// Watches `root` and its descendants; owned by `root`.
    static ToolTipPresenter* install(QWidget* root);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    explicit ToolTipPresenter(QWidget* root);
    void watch(QObject* object);
};

} // namespace tarnwick::native
