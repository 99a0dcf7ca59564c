#include "tarnwick/native/accountsegmentedcontrol.h"

#include <cmath>

#include <QButtonGroup>
#include <QHBoxLayout>
#include <QPainter>
#include <QPixmap>
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
)";

} // namespace

AccountSegmentedControl::AccountSegmentedControl(bool showUnreadCounts, QWidget* parent)
    : QWidget(parent), m_showUnreadCounts(showUnreadCounts), m_layout(new QHBoxLayout(this)),
      m_group(new QButtonGroup(this))
{
    setObjectName(QStringLiteral("accountSwitcher"));
    setAttribute(Qt::WA_StyledBackground);
    setStyleSheet(QString::fromLatin1(kStyle));
    m_layout->setContentsMargins(1, 1, 1, 1);
    m_layout->setSpacing(0);
    m_group->setExclusive(true);
    connect(m_group, &QButtonGroup::idClicked, this, [this](int) { handleSelection(); });
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
        button->setFocusPolicy(Qt::NoFocus);
        button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        m_group->addButton(button, static_cast<int>(m_buttons.size()));
        m_layout->addWidget(button);
        m_buttons.push_back(button);
    }
    m_images.assign(accounts.size(), QImage());

    const qreal ratio = devicePixelRatioF();
    for (std::size_t i = 0; i < accounts.size(); ++i) {
        const ToolbarAccount& account = accounts[i];
        const std::string name = displayName(account, m_labels);
        QToolButton* button = m_buttons[i];
        button->setText(qs(segmentText(account, name, m_showUnreadCounts)));
        QImage image = account.needsAuth ? warningSign(ratio) : dot(account.color, account.unreadCount > 0, account.excludedByFocus, ratio);
        // Drawn at its own size, never scaled.
        button->setIconSize((QSizeF(image.size()) / image.devicePixelRatio()).toSize());
        button->setIcon(QIcon(QPixmap::fromImage(image)));
        button->setAccessibleDescription(account.needsAuth ? qs(m_labels[labelkey::kSignInRequired]) : QString());
        button->setToolTip(qs(toolTip(account, name, static_cast<int>(i), m_showUnreadCounts, m_labels)));
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
    adjustSize();
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
    if (account.needsAuth || !showUnread || account.unreadCount < 1)
        return displayName;
    const std::string count = account.unreadCount <= 99 ? std::to_string(account.unreadCount) : "99+";
    return displayName + " (" + count + ")";
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
