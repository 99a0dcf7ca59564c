#pragma once

// The account switcher: one segment per account with a coloured dot (or a warning sign when the
// account must sign in again), the name with its unread count, a tooltip with the Ctrl+1…Ctrl+9 shortcut,
// and a disabled state for accounts the Focus filter blocks. Choosing a segment raises
// ("switchAccount", id). Segments that do not fit the width the toolbar leaves go behind an
// overflow button whose menu lists them. UI thread only.

#include <string>
#include <vector>

#include <QImage>
#include <QString>
#include <QWidget>

#include "tarnwick/native/toolbaraccount.h"
#include "tarnwick/native/toolbarlabels.h"

class QButtonGroup;
class QFontMetrics;
class QHBoxLayout;
class QMenu;
class QToolButton;

namespace tarnwick::native {

class AccountSegmentedControl : public QWidget {
    Q_OBJECT
public:
    static constexpr double kDotDiameter = 9.0;
    static constexpr double kWarningPointSize = 9.5;
    static constexpr double kDimmedAlpha = 0.35;
    static constexpr double kOutlineInset = 0.75;
    static constexpr double kOutlineWidth = 1.5;
    static constexpr std::string_view kWarningFallbackColor = "#f59e0b";

    /// The widest a name grows on its segment before it is elided.
    static constexpr int kMaxNameWidth = 180;

    explicit AccountSegmentedControl(bool showUnreadCounts = true, QWidget* parent = nullptr);

    bool showUnreadCounts() const { return m_showUnreadCounts; }
    void setShowUnreadCounts(bool show) { m_showUnreadCounts = show; }
    const ToolbarLabels& labels() const { return m_labels; }
    void setLabels(const ToolbarLabels& labels) { m_labels = labels; }

    /// Rebuilds every segment and selects the active account's (an unknown id keeps the selection).
    void configure(const std::vector<ToolbarAccount>& accounts, const std::string& activeAccountId);

    int segmentCount() const;
    /// The segment's text: the name with its count.
    QString segmentLabel(int index) const;
    /// What the segment shows for that text: the name elided and isolated from the count.
    QString segmentDisplayText(int index) const;
    QString segmentToolTip(int index) const;
    QImage segmentImage(int index) const;
    bool isSegmentEnabled(int index) const;
    int selectedSegment() const;
    void setSelectedSegment(int index);
    const std::vector<std::string>& accountIds() const { return m_accountIds; }
    /// The segment's button (tests click it).
    QToolButton* segmentButton(int index) const;

    /// The width the toolbar leaves the control; segments beyond it go behind the overflow button.
    /// Negative: no limit.
    void setAvailableWidth(int width);
    int availableWidth() const { return m_availableWidth; }
    /// The width with every segment shown.
    int fullWidth() const;
    /// Whether the segment is on the control rather than behind the overflow button.
    bool isSegmentShown(int index) const;
    /// Narrow enough for the overflow button alone: the control never holds its window wide.
    QSize minimumSizeHint() const override;
    /// The overflow button, shown only while some segment does not fit.
    QToolButton* overflowButton() const { return m_overflow; }
    /// Its menu: one entry per segment behind it, the selected one checked.
    QMenu* overflowMenu() const { return m_overflowMenu; }

    /// Reads the selected segment and raises ("switchAccount", its account id).
    void handleSelection();

    /// The name a segment shows: the account's, or the "unknown account" label for an empty one.
    static std::string displayName(const ToolbarAccount& account, const ToolbarLabels& labels);
    /// The segment text: the name, with " (n)" or " (99+)" when counts show and there is unread mail.
    static std::string segmentText(const ToolbarAccount& account, const std::string& displayName, bool showUnread);
    /// The count a segment shows ("7", "99+"), or "" when it shows none.
    static std::string countText(const ToolbarAccount& account, bool showUnread);
    /// The text drawn for a name and count: the name elided at its logical end to `maxNameWidth`
    /// (never inside a character sequence drawn as one, such as an emoji), isolated so that the
    /// count follows it in the reading direction whatever the name's own direction.
    static QString presentedText(const QString& name, const QString& count, const QFontMetrics& metrics,
                                 int maxNameWidth = kMaxNameWidth);
    /// The segment tooltip for the account at `index`.
    static std::string toolTip(const ToolbarAccount& account, const std::string& displayName, int index,
                               bool showUnread, const ToolbarLabels& labels);
    /// A dot of kDotDiameter points: a disc when `filled`, else a ring; alpha 0.35 when `dimmed`.
    static QImage dot(std::string_view hex, bool filled, bool dimmed, qreal devicePixelRatio = 1.0);
    /// The sign-in warning sign (orange triangle), or the fallback dot without that symbol.
    static QImage warningSign(qreal devicePixelRatio = 1.0);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void fitSegments();
    void fillOverflowMenu();
    bool moveFocus(QWidget* from, int step);

    bool m_showUnreadCounts;
    ToolbarLabels m_labels;
    std::vector<std::string> m_accountIds;
    std::vector<QImage> m_images;
    std::vector<QString> m_texts;
    int m_availableWidth = -1;
    int m_shownSegments = 0;
    QHBoxLayout* m_layout;
    QButtonGroup* m_group;
    std::vector<QToolButton*> m_buttons;
    QToolButton* m_overflow;
    QMenu* m_overflowMenu;
};

} // namespace tarnwick::native
