#include "tarnwick/native/accountsegmentedcontrol.h"

#include <algorithm>
#include <cmath>

#include <QButtonGroup>
#include <QCoreApplication>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <QPixmap>
#include <QStyle>
#include <QTextBoundaryFinder>
#include <QToolButton>

#include "tarnwick/brand/symbolimage.h"
#include "tarnwick/native/actionbridge.h"
#include "tarnwick/native/hexcolor.h"

namespace tarnwick::native {
namespace {

// The platform's orange.
const QColor kSystemOrange(255, 149, 0);

QString qs(const std::string& text)
{
    return QString::fromStdString(text);
}

std::string shortcutSuffix(int index)
{
    if (index < 0 || index > 8)
        return {};
    // The main application switches accounts with Ctrl+1 … Ctrl+9 on Linux.
    return " (Ctrl+" + std::to_string(index + 1) + ")";
}

const char* kStyle = R"(
tarnwick--native--AccountSegmentedControl {
  background: palette(midlight);
  border: 1px solid rgba(0, 0, 0, 28);
  border-radius: 7px;
}
QToolButton {
  border: 1px solid transparent;
  border-radius: 5px;
  padding: 2px 9px;
  margin: 1px;
  background: transparent;
}
QToolButton:hover:!checked { background: rgba(0, 0, 0, 14); }
QToolButton:checked {
  background: palette(base);
  border: 1px solid rgba(0, 0, 0, 30);
}
QToolButton:disabled { color: palette(mid); }
QToolButton:focus { border: 2px solid palette(highlight); padding: 1px 8px; }
QToolButton#accountOverflow { padding: 2px 4px; }
QToolButton#accountOverflow:focus { padding: 1px 3px; }
QToolButton#accountOverflow[holdsSelection="true"] {
  background: palette(base);
  border: 1px solid rgba(0, 0, 0, 30);
}
QToolButton#accountOverflow::menu-indicator { image: none; width: 0px; }
)";

// First Strong Isolate and Pop Directional Isolate: the name keeps its own direction inside them
// and counts as one neutral character outside, so the count stays after it.
constexpr char16_t kFirstStrongIsolate = u'\u2068';
constexpr char16_t kPopDirectionalIsolate = u'\u2069';

// A literal "&" in a name, not a mnemonic.
QString escapedMnemonics(QString text)
{
    return text.replace(QLatin1Char('&'), QStringLiteral("&&"));
}

} // namespace

AccountSegmentedControl::AccountSegmentedControl(bool showUnreadCounts, QWidget* parent)
    : QWidget(parent), m_showUnreadCounts(showUnreadCounts), m_layout(new QHBoxLayout(this)),
      m_group(new QButtonGroup(this)), m_overflow(new QToolButton(this)), m_overflowMenu(new QMenu(m_overflow))
{
    setObjectName(QStringLiteral("accountSwitcher"));
    setAttribute(Qt::WA_StyledBackground);
    setStyleSheet(QString::fromLatin1(kStyle));
    m_layout->setContentsMargins(1, 1, 1, 1);
    m_layout->setSpacing(0);
    m_group->setExclusive(true);
    connect(m_group, &QButtonGroup::idClicked, this, [this](int) {
        handleSelection();
        fitSegments(); // the overflow button marks a selection behind it
    });

    // Like a toolbar's extension button; the library has no label for it, so its name is Qt's.
    m_overflow->setObjectName(QStringLiteral("accountOverflow"));
    m_overflow->setAutoRaise(true);
    m_overflow->setFocusPolicy(Qt::TabFocus);
    m_overflow->setPopupMode(QToolButton::InstantPopup);
    m_overflow->setIcon(style()->standardIcon(QStyle::SP_ToolBarHorizontalExtensionButton, nullptr, m_overflow));
    const QString more = QCoreApplication::translate("AccountSegmentedControl", "More Accounts");
    m_overflow->setAccessibleName(more);
    m_overflow->setToolTip(more);
    m_overflow->setMenu(m_overflowMenu);
    m_overflow->installEventFilter(this);
    m_overflow->hide();
    m_layout->addWidget(m_overflow);
    connect(m_overflowMenu, &QMenu::aboutToShow, this, &AccountSegmentedControl::fillOverflowMenu);
}

void AccountSegmentedControl::configure(const std::vector<ToolbarAccount>& accounts, const std::string& activeAccountId)
{
    const int previous = selectedSegment();
    m_accountIds.clear();
    for (const ToolbarAccount& account : accounts)
        m_accountIds.push_back(account.id);

    // Segments are reused across updates (unread counts change often); only the count changes them.
    while (m_buttons.size() > accounts.size()) {
        QToolButton* surplus = m_buttons.back();
        m_buttons.pop_back();
        m_group->removeButton(surplus);
        delete surplus;
    }
    while (m_buttons.size() < accounts.size()) {
        auto* button = new QToolButton(this);
        button->setCheckable(true);
        button->setAutoRaise(true);
        // Reached with Tab and the arrows; a click leaves the keyboard where it was.
        button->setFocusPolicy(Qt::TabFocus);
        button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        button->installEventFilter(this);
        m_group->addButton(button, static_cast<int>(m_buttons.size()));
        m_layout->insertWidget(static_cast<int>(m_buttons.size()), button);
        m_buttons.push_back(button);
    }
    m_images.assign(accounts.size(), QImage());
    m_texts.assign(accounts.size(), QString());

    const qreal ratio = devicePixelRatioF();
    for (std::size_t i = 0; i < accounts.size(); ++i) {
        const ToolbarAccount& account = accounts[i];
        const std::string name = displayName(account, m_labels);
        QToolButton* button = m_buttons[i];
        m_texts[i] = qs(segmentText(account, name, m_showUnreadCounts));
        button->setText(presentedText(qs(name), qs(countText(account, m_showUnreadCounts)), button->fontMetrics()));
        // What a screen reader says: the plain text, else the tooltip, else (no labels at all) the id.
        const QString tip = qs(toolTip(account, name, static_cast<int>(i), m_showUnreadCounts, m_labels));
        button->setAccessibleName(!m_texts[i].isEmpty() ? m_texts[i] : !tip.isEmpty() ? tip : qs(account.id));
        QImage image = account.needsAuth ? warningSign(ratio) : dot(account.color, account.unreadCount > 0, account.excludedByFocus, ratio);
        // Drawn at its own size, never scaled.
        button->setIconSize((QSizeF(image.size()) / image.devicePixelRatio()).toSize());
        button->setIcon(QIcon(QPixmap::fromImage(image)));
        button->setAccessibleDescription(account.needsAuth ? qs(m_labels[labelkey::kSignInRequired]) : QString());
        button->setToolTip(tip);
        button->setEnabled(!account.disabledByFocus);
        m_images[i] = std::move(image);
    }

    int selected = -1;
    for (std::size_t i = 0; i < m_accountIds.size(); ++i) {
        if (m_accountIds[i] == activeAccountId) {
            selected = static_cast<int>(i);
            break;
        }
    }
    setSelectedSegment(selected >= 0 ? selected : previous);
    fitSegments();
    adjustSize();
}

void AccountSegmentedControl::setAvailableWidth(int width)
{
    if (width < 0)
        width = -1;
    if (width == m_availableWidth)
        return;
    m_availableWidth = width;
    fitSegments();
}

int AccountSegmentedControl::fullWidth() const
{
    const QMargins margins = m_layout->contentsMargins();
    int width = margins.left() + margins.right();
    for (const QToolButton* button : m_buttons)
        width += button->sizeHint().width();
    return width;
}

QSize AccountSegmentedControl::minimumSizeHint() const
{
    const QMargins margins = m_layout->contentsMargins();
    const QSize chevron = m_overflow->sizeHint();
    const int height = std::max(chevron.height(), QWidget::minimumSizeHint().height());
    return QSize(margins.left() + margins.right() + chevron.width(), height);
}

bool AccountSegmentedControl::isSegmentShown(int index) const
{
    return index >= 0 && index < m_shownSegments;
}

void AccountSegmentedControl::fitSegments()
{
    const int count = segmentCount();
    int shown = count;
    if (m_availableWidth >= 0 && fullWidth() > m_availableWidth) {
        // As many leading segments as fit beside the overflow button.
        const QMargins margins = m_layout->contentsMargins();
        int used = margins.left() + margins.right() + m_overflow->sizeHint().width();
        shown = 0;
        while (shown < count && used + m_buttons[static_cast<std::size_t>(shown)]->sizeHint().width() <= m_availableWidth)
            used += m_buttons[static_cast<std::size_t>(shown++)]->sizeHint().width();
    }
    m_shownSegments = shown;
    for (int i = 0; i < count; ++i)
        m_buttons[static_cast<std::size_t>(i)]->setVisible(i < shown);
    const bool overflowing = shown < count;
    const bool holdsSelection = overflowing && selectedSegment() >= shown;
    if (m_overflow->property("holdsSelection").toBool() != holdsSelection) {
        m_overflow->setProperty("holdsSelection", holdsSelection);
        m_overflow->style()->unpolish(m_overflow);
        m_overflow->style()->polish(m_overflow);
    }
    m_overflow->setVisible(overflowing);
    fillOverflowMenu();
    updateGeometry();
}

void AccountSegmentedControl::fillOverflowMenu()
{
    // Later: this runs also while one of these entries is being triggered.
    for (QAction* old : m_overflowMenu->actions()) {
        m_overflowMenu->removeAction(old);
        old->deleteLater();
    }
    for (int i = m_shownSegments; i < segmentCount(); ++i) {
        QToolButton* button = m_buttons[static_cast<std::size_t>(i)];
        QAction* entry = m_overflowMenu->addAction(button->icon(), button->text());
        entry->setCheckable(true);
        entry->setChecked(button->isChecked());
        entry->setEnabled(button->isEnabled());
        entry->setToolTip(button->toolTip());
        // Exactly what a click on the segment does: select it and ask for the switch.
        connect(entry, &QAction::triggered, button, [button] { button->click(); });
    }
}

bool AccountSegmentedControl::moveFocus(QWidget* from, int step)
{
    std::vector<QWidget*> stops;
    for (QToolButton* button : m_buttons)
        stops.push_back(button);
    stops.push_back(m_overflow);
    const auto at = std::find(stops.begin(), stops.end(), from);
    if (at == stops.end())
        return false;
    for (auto i = at - stops.begin() + step; i >= 0 && i < static_cast<std::ptrdiff_t>(stops.size()); i += step) {
        QWidget* candidate = stops[static_cast<std::size_t>(i)];
        if (candidate->isVisible() && candidate->isEnabled()) {
            candidate->setFocus(step > 0 ? Qt::TabFocusReason : Qt::BacktabFocusReason);
            return true;
        }
    }
    return true; // at the end: the focus stays
}

bool AccountSegmentedControl::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress)
        return QWidget::eventFilter(watched, event);
    const auto* key = static_cast<QKeyEvent*>(event);
    auto* widget = static_cast<QWidget*>(watched);
    // The arrows move between segments without switching accounts; mirrored right to left.
    const int forward = layoutDirection() == Qt::RightToLeft ? -1 : 1;
    switch (key->key()) {
    case Qt::Key_Left:
        return moveFocus(widget, -forward);
    case Qt::Key_Right:
        return moveFocus(widget, forward);
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (auto* button = qobject_cast<QToolButton*>(widget)) {
            if (button == m_overflow)
                button->showMenu();
            else
                button->click();
            return true;
        }
        break;
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

int AccountSegmentedControl::segmentCount() const
{
    return static_cast<int>(m_buttons.size());
}

QToolButton* AccountSegmentedControl::segmentButton(int index) const
{
    return index >= 0 && index < segmentCount() ? m_buttons[static_cast<std::size_t>(index)] : nullptr;
}

QString AccountSegmentedControl::segmentLabel(int index) const
{
    return segmentButton(index) ? m_texts[static_cast<std::size_t>(index)] : QString();
}

QString AccountSegmentedControl::segmentDisplayText(int index) const
{
    const QToolButton* button = segmentButton(index);
    return button ? button->text() : QString();
}

QString AccountSegmentedControl::segmentToolTip(int index) const
{
    const QToolButton* button = segmentButton(index);
    return button ? button->toolTip() : QString();
}

QImage AccountSegmentedControl::segmentImage(int index) const
{
    return segmentButton(index) ? m_images[static_cast<std::size_t>(index)] : QImage();
}

bool AccountSegmentedControl::isSegmentEnabled(int index) const
{
    const QToolButton* button = segmentButton(index);
    return button && button->isEnabled();
}

int AccountSegmentedControl::selectedSegment() const
{
    for (int i = 0; i < segmentCount(); ++i) {
        if (m_buttons[static_cast<std::size_t>(i)]->isChecked())
            return i;
    }
    return -1;
}

void AccountSegmentedControl::setSelectedSegment(int index)
{
    if (QToolButton* button = segmentButton(index)) {
        button->setChecked(true);
    } else if (QAbstractButton* checked = m_group->checkedButton()) {
        m_group->setExclusive(false);
        checked->setChecked(false);
        m_group->setExclusive(true);
    }
}

void AccountSegmentedControl::handleSelection()
{
    const int index = selectedSegment();
    if (index >= 0 && static_cast<std::size_t>(index) < m_accountIds.size())
        ActionBridge::emit(action::kSwitchAccount, m_accountIds[static_cast<std::size_t>(index)]);
}

std::string AccountSegmentedControl::displayName(const ToolbarAccount& account, const ToolbarLabels& labels)
{
    return account.name.empty() ? labels[labelkey::kAccountUnknown] : account.name;
}

std::string AccountSegmentedControl::segmentText(const ToolbarAccount& account, const std::string& displayName,
                                                 bool showUnread)
{
    const std::string count = countText(account, showUnread);
    return count.empty() ? displayName : displayName + " (" + count + ")";
}

std::string AccountSegmentedControl::countText(const ToolbarAccount& account, bool showUnread)
{
    if (account.needsAuth || !showUnread || account.unreadCount < 1)
        return {};
    return account.unreadCount <= 99 ? std::to_string(account.unreadCount) : "99+";
}

QString AccountSegmentedControl::presentedText(const QString& name, const QString& count, const QFontMetrics& metrics,
                                               int maxNameWidth)
{
    QString shown = name;
    if (metrics.horizontalAdvance(name) > maxNameWidth) {
        // The longest run of whole graphemes that fits with the ellipsis after it.
        const QString ellipsis(QChar(0x2026));
        QTextBoundaryFinder graphemes(QTextBoundaryFinder::Grapheme, name);
        qsizetype fits = 0;
        for (qsizetype end = graphemes.toNextBoundary(); end > 0; end = graphemes.toNextBoundary()) {
            if (metrics.horizontalAdvance(name.left(end) + ellipsis) > maxNameWidth)
                break;
            fits = end;
        }
        shown = name.left(fits);
        while (!shown.isEmpty() && shown.back().isSpace())
            shown.chop(1);
        shown += ellipsis;
    }
    QString text = kFirstStrongIsolate + escapedMnemonics(shown) + kPopDirectionalIsolate;
    if (!count.isEmpty())
        text += QStringLiteral(" (") + count + QLatin1Char(')');
    return text;
}

std::string AccountSegmentedControl::toolTip(const ToolbarAccount& account, const std::string& displayName, int index,
                                             bool showUnread, const ToolbarLabels& labels)
{
    const std::string shortcut = shortcutSuffix(index);
    if (account.needsAuth)
        return labels.format(labelkey::kAccountSignInRequired, {{"name", displayName}, {"shortcut", shortcut}});
    if (!showUnread)
        return displayName + shortcut;
    if (account.unreadCount == 0)
        return labels.format(labelkey::kAccountNoUnread, {{"name", displayName}, {"shortcut", shortcut}});
    if (account.unreadCount == 1)
        return labels.format(labelkey::kAccountOneUnread, {{"name", displayName}, {"shortcut", shortcut}});
    return labels.format(labelkey::kAccountUnread,
                         {{"name", displayName}, {"count", std::to_string(account.unreadCount)}, {"shortcut", shortcut}});
}

QImage AccountSegmentedControl::dot(std::string_view hex, bool filled, bool dimmed, qreal devicePixelRatio)
{
    if (!(devicePixelRatio > 0) || devicePixelRatio > 16)
        devicePixelRatio = 1.0;
    const int side = static_cast<int>(std::ceil(kDotDiameter * devicePixelRatio));
    QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(devicePixelRatio);
    image.fill(Qt::transparent);
    QColor color = HexColor::color(hex);
    if (dimmed)
        color.setAlphaF(static_cast<float>(kDimmedAlpha));
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    if (filled) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(color);
        painter.drawEllipse(QRectF(0, 0, kDotDiameter, kDotDiameter));
    } else {
        painter.setPen(QPen(color, kOutlineWidth));
        painter.setBrush(Qt::NoBrush);
        painter.drawEllipse(QRectF(kOutlineInset, kOutlineInset, kDotDiameter - 2 * kOutlineInset,
                                   kDotDiameter - 2 * kOutlineInset));
    }
    return image;
}

QImage AccountSegmentedControl::warningSign(qreal devicePixelRatio)
{
    constexpr std::string_view kSymbol = "exclamationmark.triangle.fill";
    if (!(devicePixelRatio > 0) || devicePixelRatio > 16)
        devicePixelRatio = 1.0;
    // A symbol of point size 9.5 fills a box a little taller than the type size.
    const int side = static_cast<int>(std::ceil(kWarningPointSize * 1.2));
    QImage image = SymbolImage::render(kSymbol, QSize(side, side), kSystemOrange, devicePixelRatio);
    if (image.isNull())
        return dot(kWarningFallbackColor, true, false, devicePixelRatio);
    return image;
}

} // namespace tarnwick::native
