#pragma once

// A preferences window built from a description of its tabs: a toolbar of tab buttons (icon above
// label) over one fixed-size pane per tab, kept inside the screen's work area (a pane too tall for it
// scrolls). Knows nothing of the panes' content. Main thread only.

#include <QPointer>
#include <QWidget>
#include <functional>
#include <optional>
#include <string>
#include <vector>

class QButtonGroup;
class QStackedWidget;

namespace tarnwick {

struct SettingsTab {
    std::string id;    ///< lower case; what a pane request names
    std::string label; ///< the title under the tab's icon
    std::string icon;  ///< a symbol name (SymbolImage)
    double height = 0; ///< the height of the tab's content area
    /// Builds the tab's content; called each time a window is built.
    std::function<QWidget*()> content;
};

struct SettingsWindowSpec {
    std::string title;
    std::vector<SettingsTab> tabs;
};

class SettingsWindowController {
public:
    /// Width of every pane's content area, and the pane's margins around it.
    static constexpr int kContentWidth = 400;
    static constexpr int kPaneWidth = 500;
    static constexpr int kPaneExtraHeight = 40;

    static SettingsWindowController& shared();
    /// The height a pane's content needs at the content width.
    static int neededHeight(const QWidget* content);

    /// Brings the open window forward (switching to `pane` when given) without rebuilding it, or
    /// builds a new one from `spec`.
    void show(SettingsWindowSpec spec, const std::optional<std::string>& pane);
    /// Selects the tab whose id equals `pane` lower-cased; an unknown pane changes nothing.
    void selectPane(const std::string& pane);
    /// Closes and forgets the window.
    void close();

    /// The window, while there is one.
    QWidget* window() const { return m_window; }
    /// The id of the tab on screen; nothing without a window.
    std::optional<std::string> currentPane() const;
    const std::optional<SettingsWindowSpec>& spec() const { return m_spec; }

private:
    friend class SettingsWindowFrame;
    void build(const std::optional<std::string>& pane);
    void showTab(int index);
    void fitCurrentPane();
    /// The tallest pane that keeps the window inside the screen's work area.
    int roomForPane() const;
    /// Moves the window back inside the screen's work area.
    void keepOnScreen();
    void windowWillClose();

    QPointer<QWidget> m_window;
    QPointer<QStackedWidget> m_panes;
    QButtonGroup* m_tabButtons = nullptr;
    std::optional<SettingsWindowSpec> m_spec;
    std::vector<int> m_paneHeights;
};

} // namespace tarnwick
