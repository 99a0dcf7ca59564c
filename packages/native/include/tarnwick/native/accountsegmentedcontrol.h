#pragma once

// The account switcher: one segment per account with a coloured dot (or a warning sign when the
// account must sign in again), the name with its unread count, a tooltip with the Ctrl+1…Ctrl+9 shortcut,
// and a disabled state for accounts the Focus filter blocks. Choosing a segment raises
// ("switchAccount", id). UI thread only.

#include <string>
#include <vector>

#include <QImage>
#include <QString>
#include <QWidget>

#include "tarnwick/native/toolbaraccount.h"
#include "tarnwick/native/toolbarlabels.h"

class QButtonGroup;
class QHBoxLayout;
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

    explicit AccountSegmentedControl(bool showUnreadCounts = true, QWidget* parent = nullptr);

    bool showUnreadCounts() const { return m_showUnreadCounts; }
    void setShowUnreadCounts(bool show) { m_showUnreadCounts = show; }
    const ToolbarLabels& labels() const { return m_labels; }
    void setLabels(const ToolbarLabels& labels) { m_labels = labels; }

    /// Rebuilds every segment and selects the active account's (an unknown id keeps the selection).
    void configure(const std::vector<ToolbarAccount>& accounts, const std::string& activeAccountId);

    int segmentCount() const;
    QString segmentLabel(int index) const;
    QString segmentToolTip(int index) const;
    QImage segmentImage(int index) const;
    bool isSegmentEnabled(int index) const;
    int selectedSegment() const;
    void setSelectedSegment(int index);
    const std::vector<std::string>& accountIds() const { return m_accountIds; }
    /// The segment's button (tests click it).
    QToolButton* segmentButton(int index) const;

    /// Reads the selected segment and raises ("switchAccount", its account id).
    void handleSelection();

    /// The name a segment shows: the account's, or the "unknown account" label for an empty one.
    static std::string displayName(const ToolbarAccount& account, const ToolbarLabels& labels);
    /// The segment text: the name, with " (n)" or " (99+)" when counts show and there is unread mail.
    static std::string segmentText(const ToolbarAccount& account, const std::string& displayName, bool showUnread);
    /// The segment tooltip for the account at `index`.
    static std::string toolTip(const ToolbarAccount& account, const std::string& displayName, int index,
                               bool showUnread, const ToolbarLabels& labels);
    /// A dot of kDotDiameter points: a disc when `filled`, else a ring; alpha 0.35 when `dimmed`.
    static QImage dot(std::string_view hex, bool filled, bool dimmed, qreal devicePixelRatio = 1.0);
    /// The sign-in warning sign (orange triangle), or the fallback dot without that symbol.
    static QImage warningSign(qreal devicePixelRatio = 1.0);

private:
    bool m_showUnreadCounts;
    ToolbarLabels m_labels;
    std::vector<std::string> m_accountIds;
    std::vector<QImage> m_images;
    QHBoxLayout* m_layout;
    QButtonGroup* m_group;
    std::vector<QToolButton*> m_buttons;
};

} // namespace tarnwick::native
