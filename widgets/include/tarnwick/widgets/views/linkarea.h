#pragma once

#include <optional>

#include <QWidget>

namespace tarnwick {

/// A tappable part of a widget: a plain container whose click opens its tarnwick:// link. The link
/// text is kept exactly as built (ids appended unencoded); text that is no valid URL gives an area
/// without a link, which shows its content but does nothing.
class LinkArea : public QWidget {
    Q_OBJECT
public:
    explicit LinkArea(const QString& link, QWidget* parent = nullptr);

    /// The link, or nothing when the text was not a valid URL.
    std::optional<QString> link() const { return m_link; }

    /// A URL in the strict sense: every character allowed by the URL syntax, "%" only before two hex
    /// digits, and a scheme.
    static bool isValidLink(const QString& text);

Q_SIGNALS:
    void activated(const QString& link);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    std::optional<QString> m_link;
    bool m_pressed = false;
};

} // namespace tarnwick
