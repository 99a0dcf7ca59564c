#include "tarnwick/helper/settingswindowcontroller.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QPainter>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QStackedWidget>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

#include "tarnwick/brand/symbolimage.h"
#include "tarnwick/rpc/asciicase.h"
#include "tarnwick/rpc/helperlog.h"
#include "tarnwick/ui/palettefollower.h"
#include "tarnwick/ui/windowkeys.h"

namespace tarnwick {

// The window itself: reports its closing to the controller, which forgets it on the next turn.
class SettingsWindowFrame : public QWidget {
public:
    explicit SettingsWindowFrame(SettingsWindowController& controller)
        : m_controller(controller)
    {
        setObjectName(QStringLiteral("settingsWindow"));
        setAttribute(Qt::WA_DeleteOnClose, false); // closing hides; the controller deletes it
        WindowKeys::closeOnEscape(this);
    }

protected:
    void closeEvent(QCloseEvent* event) override
    {
        QWidget::closeEvent(event);
        if (event->isAccepted() && !m_closing) {
            m_closing = true;
            m_controller.windowWillClose();
        }
    }

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        // A pane's form changed its rows: fit the window to it once the layout has settled.
        if (event->type() == QEvent::LayoutRequest && watched->isWidgetType() && static_cast<QWidget*>(watched)->isVisible())
            QTimer::singleShot(0, this, [this] { m_controller.fitCurrentPane(); });
        return QWidget::eventFilter(watched, event);
    }

private:
    SettingsWindowController& m_controller;
    bool m_closing = false;
};

namespace {

// A tab of the tab bar: a raised-on-hover tool button, which the style gives no focus mark of its own.
class TabButton : public QToolButton {
public:
    using QToolButton::QToolButton;

protected:
    void paintEvent(QPaintEvent* event) override
    {
        QToolButton::paintEvent(event);
        if (!hasFocus())
            return;
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(palette().color(QPalette::Highlight), 2));
        painter.drawRoundedRect(QRectF(rect()).adjusted(1.5, 1.5, -1.5, -1.5), 4, 4);
    }
};

QIcon tabIcon(const std::string& symbol, const QPalette& palette)
{
    QIcon icon;
    for (qreal dpr : {1.0, 2.0}) {
        icon.addPixmap(QPixmap::fromImage(SymbolImage::render(symbol, QSize(24, 24), palette.color(QPalette::WindowText), dpr)),
                       QIcon::Normal, QIcon::Off);
        icon.addPixmap(QPixmap::fromImage(SymbolImage::render(symbol, QSize(24, 24), palette.color(QPalette::Highlight), dpr)),
                       QIcon::Normal, QIcon::On);
    }
    return icon;
}

} // namespace

int SettingsWindowController::neededHeight(const QWidget* content)
{
    // Wrapped notes are taller at the content width than their unconstrained size hint says.
    const int hint = content->sizeHint().height();
    return content->hasHeightForWidth() ? std::max(hint, content->heightForWidth(kContentWidth)) : hint;
}

SettingsWindowController& SettingsWindowController::shared()
{
    static SettingsWindowController* instance = new SettingsWindowController;
    return *instance;
}

void SettingsWindowController::show(SettingsWindowSpec spec, const std::optional<std::string>& pane)
{
    if (m_window && m_window->isVisible() && m_panes) {
        m_spec = std::move(spec);
        if (pane)
            selectPane(*pane);
    } else {
        if (m_window)
            close(); // a window on its way out is replaced, not brought back
        m_spec = std::move(spec);
        build(pane);
    }
    // A minimised window counts as shown; bringing it forward means restoring it first.
    if (m_window->isMinimized())
        m_window->setWindowState(m_window->windowState() & ~Qt::WindowMinimized);
    m_window->show();
    m_window->raise();
    m_window->activateWindow();
    keepOnScreen();
}

void SettingsWindowController::build(const std::optional<std::string>& pane)
{
    auto* window = new SettingsWindowFrame(*this);
    window->setWindowTitle(QString::fromStdString(m_spec->title));
    auto* column = new QVBoxLayout(window);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->setSizeConstraint(QLayout::SetFixedSize);

    auto* toolbar = new QWidget(window);
    toolbar->setObjectName(QStringLiteral("tabBar"));
    auto* toolbarLayout = new QHBoxLayout(toolbar);
    toolbarLayout->setContentsMargins(8, 6, 8, 4);
    toolbarLayout->setSpacing(2);
    toolbarLayout->addStretch(1);
    column->addWidget(toolbar);
    auto* line = new QFrame(window);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    column->addWidget(line);

    auto* panes = new QStackedWidget(window);
    panes->setObjectName(QStringLiteral("panes"));
    column->addWidget(panes);

    m_tabButtons = new QButtonGroup(window);
    m_tabButtons->setExclusive(true);
    m_paneHeights.clear();
    int index = 0;
    for (const SettingsTab& tab : m_spec->tabs) {
        auto* button = new TabButton(toolbar);
        button->setObjectName(QString::fromStdString("tab:" + tab.id));
        button->setText(QString::fromStdString(tab.label));
        button->setAccessibleName(QString::fromStdString(tab.label));
        button->setIcon(tabIcon(tab.icon, QApplication::palette(button)));
        // The icons are drawn in the text and selection colours: drawn again for a new palette.
        PaletteFollower::follow(button, [button, symbol = tab.icon] {
            button->setIcon(tabIcon(symbol, QApplication::palette(button)));
        });
        button->setIconSize(QSize(24, 24));
        button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
        button->setCheckable(true);
        button->setAutoRaise(true);
        button->setMinimumWidth(72);
        toolbarLayout->addWidget(button);
        m_tabButtons->addButton(button, index);

        // The content sits in a frame kContentWidth wide, centred, with a margin all round; the frame
        // scrolls on a screen too short for it.
        auto* scroller = new QScrollArea(panes);
        scroller->setObjectName(QString::fromStdString("scroll:" + tab.id));
        scroller->setFrameShape(QFrame::NoFrame);
        scroller->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        // Not a stop of its own for Tab, where it would show no mark: the controls in it are.
        scroller->setFocusPolicy(Qt::NoFocus);
        scroller->setWidgetResizable(false);
        auto* page = new QWidget;
        page->setObjectName(QString::fromStdString("pane:" + tab.id));
        auto* pageLayout = new QVBoxLayout(page);
        const int side = (kPaneWidth - kContentWidth) / 2;
        pageLayout->setContentsMargins(side, kPaneExtraHeight / 2, side, kPaneExtraHeight / 2);
        QWidget* content = tab.content ? tab.content() : new QWidget;
        content->setParent(page);
        content->setFixedWidth(kContentWidth);
        pageLayout->addWidget(content, 1);
        content->setObjectName(content->objectName().isEmpty() ? QStringLiteral("content") : content->objectName());
        content->installEventFilter(window);
        page->installEventFilter(window);
        m_paneHeights.push_back(static_cast<int>(tab.height) + kPaneExtraHeight);
        scroller->setWidget(page);
        panes->addWidget(scroller);
        ++index;
    }
    toolbarLayout->addStretch(1);
    QObject::connect(m_tabButtons, &QButtonGroup::idClicked, window, [this](int id) { showTab(id); });

    m_window = window;
    m_panes = panes;
    if (!m_spec->tabs.empty())
        showTab(0);
    if (pane)
        selectPane(*pane);

    window->adjustSize();
    if (QScreen* screen = window->screen())
        window->move(screen->availableGeometry().center() - window->rect().center());
}

void SettingsWindowController::showTab(int index)
{
    if (!m_panes || index < 0 || index >= m_panes->count())
        return;
    for (int i = 0; i < m_panes->count(); ++i) {
        // Only the pane on screen takes part in the size, so the window fits each tab.
        QWidget* page = m_panes->widget(i);
        if (i == index) {
            page->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
        } else {
            page->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
            page->setMinimumSize(0, 0);
            page->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
        }
    }
    m_panes->setCurrentIndex(index);
    if (QAbstractButton* button = m_tabButtons->button(index))
        button->setChecked(true);
    fitCurrentPane();
}

void SettingsWindowController::fitCurrentPane()
{
    if (!m_panes || m_panes->currentIndex() < 0)
        return;
    const int index = m_panes->currentIndex();
    auto* scroller = static_cast<QScrollArea*>(m_panes->widget(index));
    QWidget* page = scroller->widget();
    QWidget* content = page->layout()->itemAt(0)->widget();
    content->ensurePolished();
    // A desktop font may need more room than the design height, and rows come and go with their
    // pickers: never clip the form.
    const int height = std::max(m_paneHeights[static_cast<std::size_t>(index)], neededHeight(content) + kPaneExtraHeight);
    page->setFixedSize(kPaneWidth, height);
    // Taller than the screen has room for: the pane scrolls instead of the window leaving the screen.
    const int room = roomForPane();
    const bool scrolls = height > room;
    const int shown = scrolls ? room : height;
    const int width = kPaneWidth + (scrolls ? scroller->verticalScrollBar()->sizeHint().width() : 0);
    scroller->setVerticalScrollBarPolicy(scrolls ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
    scroller->setFixedSize(width, shown);
    // A stacked widget wants the room of its largest page; the window takes the current one's.
    m_panes->setFixedSize(width, shown);
    if (m_window) {
        m_window->adjustSize();
        keepOnScreen();
    }
}

int SettingsWindowController::roomForPane() const
{
    QScreen* screen = m_window ? m_window->screen() : nullptr;
    if (!screen)
        return QWIDGETSIZE_MAX;
    // Everything but the pane: the tab bar, the line under it and the window manager's frame.
    int chrome = 0;
    QLayout* column = m_window->layout();
    for (int i = 0; i < column->count(); ++i)
        if (column->itemAt(i)->widget() != m_panes)
            chrome += column->itemAt(i)->sizeHint().height() + column->spacing();
    const int frame = m_window->isVisible() ? m_window->frameGeometry().height() - m_window->height() : 0;
    return std::max(kPaneExtraHeight, screen->availableGeometry().height() - chrome - frame);
}

void SettingsWindowController::keepOnScreen()
{
    if (!m_window)
        return;
    QScreen* screen = m_window->screen();
    if (!screen)
        return;
    // A tab taller than the last one grows the window downward; move it back inside the work area
    // (top left wins when it cannot fit at all).
    const QRect area = screen->availableGeometry();
    const QRect frame = m_window->frameGeometry();
    QPoint topLeft = frame.topLeft();
    topLeft.setX(std::max(area.left(), std::min(topLeft.x(), area.right() + 1 - frame.width())));
    topLeft.setY(std::max(area.top(), std::min(topLeft.y(), area.bottom() + 1 - frame.height())));
    if (topLeft != frame.topLeft())
        m_window->move(m_window->pos() + (topLeft - frame.topLeft()));
}

namespace {
constexpr std::string_view kPaneNames[] = {"general", "accounts", "appearance", "notifications", "advanced"};
} // namespace

void SettingsWindowController::selectPane(const std::string& pane)
{
    // The pane comes from the main application: only a pane's own name is quoted.
    const std::string wanted = ascii::toLower(pane);
    const bool known = std::any_of(std::begin(kPaneNames), std::end(kPaneNames),
                                   [&](std::string_view name) { return name == wanted; });
    HelperLog::info("Settings", "Switched settings pane to " + (known ? pane : std::string("an unknown pane")));
    if (!m_spec)
        return;
    const auto& tabs = m_spec->tabs;
    auto it = std::find_if(tabs.begin(), tabs.end(), [&](const SettingsTab& tab) { return tab.id == wanted; });
    if (it != tabs.end())
        showTab(static_cast<int>(it - tabs.begin()));
}

std::optional<std::string> SettingsWindowController::currentPane() const
{
    if (!m_window || !m_panes || !m_spec)
        return std::nullopt;
    const int index = m_panes->currentIndex();
    if (index < 0 || index >= static_cast<int>(m_spec->tabs.size()))
        return std::nullopt;
    return m_spec->tabs[static_cast<std::size_t>(index)].id;
}

void SettingsWindowController::windowWillClose()
{
    HelperLog::info("Settings", "Settings window will close");
    // A window built again before this task runs must stay open.
    QTimer::singleShot(0, qApp, [this, closing = QPointer<QWidget>(m_window)] {
        if (closing && closing == m_window)
            close();
    });
}

void SettingsWindowController::close()
{
    HelperLog::info("Settings", "Settings window closed");
    if (QWidget* window = m_window) {
        m_window = nullptr;
        window->hide();
        window->deleteLater();
    }
    m_panes = nullptr;
    m_tabButtons = nullptr;
    m_spec.reset();
    m_paneHeights.clear();
}

} // namespace tarnwick
