#include "tarnwick/helper/traymessagerow.h"

#include <QContextMenuEvent>
#include <QFontMetricsF>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QLayout>
#include <QMenu>
#include <QPainter>
#include <QScrollArea>
#include <QToolTip>

#include "tarnwick/brand/symbolimage.h"
#include "tarnwick/helper/threadcontextmenu.h"
#include "tarnwick/helper/traystyle.h"
#include "traypopoveraccessible_p.h"
#include "traypopovertext_p.h"

namespace tarnwick {

namespace {

constexpr double kBarLeading = 7;
constexpr double kBarWidth = 3;
constexpr double kVerticalPadding = 6;
constexpr double kColumnX = kBarLeading + kBarWidth + 8; // the divider's inset lines up with the text
constexpr double kTrailing = 10;
constexpr double kLineGap = 1;
constexpr double kDot = 6;
constexpr double kSymbol = 10.5;
constexpr double kInlineGap = 5;

QFont senderFont(bool unread)
{
    return traystyle::font(12, unread ? QFont::DemiBold : QFont::Medium);
}

QFont timeFont()
{
    return traystyle::font(11);
}

QFont subjectFont()
{
    return traystyle::font(11.5);
}

QString categoryTitle(MailCategory category)
{
    const std::string_view title = mailcategory::title(category);
    return QString::fromUtf8(title.data(), qsizetype(title.size()));
}

// The category symbol: drawn by the row's rules, but a widget of its own so that it carries the
// category title as its accessible name (the unread dot beside it stays hidden from accessibility).
class CategorySymbol : public QWidget {
public:
    explicit CategorySymbol(QWidget* parent)
        : QWidget(parent)
    {
        setObjectName(QStringLiteral("categorySymbol"));
        setAttribute(Qt::WA_TransparentForMouseEvents); // the row shows the tool tip and takes clicks
    }
    void setCategory(MailCategory category)
    {
        m_category = category;
        setAccessibleName(categoryTitle(category));
        update();
    }
    // Keeps the row's fractional placement: the widget covers whole pixels around it.
    void place(const QRectF& rowRect)
    {
        setGeometry(rowRect.toAlignedRect());
        m_drawn = rowRect.translated(-QPointF(pos()));
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        SymbolImage::paint(painter, m_drawn, mailcategory::symbolName(m_category), traystyle::tertiary());
    }

private:
    MailCategory m_category = MailCategory::primary;
    QRectF m_drawn;
};

} // namespace

struct TrayMessageRow::Layout {
    double line1Baseline = 0;
    double line2Baseline = 0;
    double line2Top = 0;
    double line2Height = 0;
    QRectF time;
    double senderWidth = 0;
    QString subject;
    double subjectWidth = 0;
    QRectF dot;
    QRectF symbol;
};

TrayMessageRow::TrayMessageRow(TrayMessage message, QColor accentColor, bool showsDivider, QString timeLabel,
                               std::function<void()> onTap, std::function<void(TrayThreadAction)> onAction,
                               QWidget* parent)
    : QWidget(parent)
    , m_message(std::move(message))
    , m_accent(std::move(accentColor))
    , m_showsDivider(showsDivider)
    , m_time(std::move(timeLabel))
    , m_onTap(std::move(onTap))
    , m_onAction(std::move(onAction))
{
    setObjectName(QStringLiteral("messageRow"));
    setAttribute(Qt::WA_Hover);
    setCursor(Qt::PointingHandCursor);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    // Reached by Tab and the arrows; a click opens the thread without taking the keyboard first.
    setFocusPolicy(Qt::TabFocus);
    traypopoveraccessible::install();
    m_symbol = new CategorySymbol(this);
    updateAccessibility();
}

bool TrayMessageRow::setContent(TrayMessage message, QColor accentColor, bool showsDivider, QString timeLabel)
{
    if (message == m_message && accentColor == m_accent && showsDivider == m_showsDivider && timeLabel == m_time)
        return false;
    const bool linesChanged = message.isUnread != m_message.isUnread;
    m_message = std::move(message);
    m_accent = std::move(accentColor);
    m_showsDivider = showsDivider;
    m_time = std::move(timeLabel);
    updateAccessibility();
    static_cast<CategorySymbol*>(m_symbol)->place(layout().symbol);
    if (linesChanged)
        updateGeometry(); // the sender's weight follows the read state
    update();
    return true;
}

void TrayMessageRow::setCallbacks(std::function<void()> onTap, std::function<void(TrayThreadAction)> onAction)
{
    m_onTap = std::move(onTap);
    m_onAction = std::move(onAction);
}

QString TrayMessageRow::readState() const
{
    return m_message.isUnread ? QStringLiteral("Unread") : QStringLiteral("Read");
}

void TrayMessageRow::activate()
{
    if (m_onTap)
        m_onTap();
}

void TrayMessageRow::updateAccessibility()
{
    // Read out as one: who, what, and which category; the value says whether it is read.
    setAccessibleName(senderText() + QStringLiteral(", ") + subjectText() + QStringLiteral(", ") +
                      categoryTitle(m_message.category));
    setAccessibleDescription(readState());
    static_cast<CategorySymbol*>(m_symbol)->setCategory(m_message.category);
    m_symbol->setToolTip(categoryTitle(m_message.category));
}

void TrayMessageRow::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    static_cast<CategorySymbol*>(m_symbol)->place(layout().symbol);
}

QString TrayMessageRow::senderText() const
{
    return QString::fromStdString(m_message.senderName());
}

QString TrayMessageRow::subjectText() const
{
    return QString::fromStdString(m_message.subject);
}

QSize TrayMessageRow::sizeHint() const
{
    const QFontMetricsF line1(senderFont(m_message.isUnread));
    const QFontMetricsF line2(subjectFont());
    const double height = kVerticalPadding * 2 + line1.height() + kLineGap + line2.height();
    return QSize(120, int(std::ceil(height))); // as wide as the list makes it
}

TrayMessageRow::Layout TrayMessageRow::layout() const
{
    Layout l;
    const QFontMetricsF line1(senderFont(m_message.isUnread));
    const QFontMetricsF times(timeFont());
    const QFontMetricsF line2(subjectFont());
    const double right = width() - kTrailing;

    l.line1Baseline = kVerticalPadding + line1.ascent();
    const double timeWidth = times.horizontalAdvance(m_time);
    l.time = QRectF(right - timeWidth, kVerticalPadding, timeWidth, line1.height());
    l.senderWidth = std::max(0.0, l.time.left() - 4 - kColumnX);

    l.line2Top = kVerticalPadding + line1.height() + kLineGap;
    l.line2Height = line2.height();
    l.line2Baseline = l.line2Top + line2.ascent();
    const double trailing = (m_message.isUnread ? kDot + kInlineGap : 0) + kSymbol + kInlineGap;
    const double room = std::max(0.0, right - kColumnX - trailing);
    l.subject = traypopovertext::elided(subjectText(), subjectFont(), room);
    l.subjectWidth = line2.horizontalAdvance(l.subject);
    double x = kColumnX + l.subjectWidth + kInlineGap;
    const double middle = l.line2Top + l.line2Height / 2;
    if (m_message.isUnread) {
        l.dot = QRectF(x, middle - kDot / 2, kDot, kDot);
        x += kDot + kInlineGap;
    }
    l.symbol = QRectF(x, middle - kSymbol / 2, kSymbol, kSymbol);
    return l;
}

QRectF TrayMessageRow::categorySymbolRect() const
{
    return layout().symbol;
}

QColor TrayMessageRow::backgroundColor() const
{
    if (m_message.isUnread)
        return traystyle::withOpacity(m_accent, m_hovering ? 0.14 : 0.07);
    return m_hovering ? traystyle::primary(0.05) : QColor(Qt::transparent);
}

void TrayMessageRow::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    const bool unread = m_message.isUnread;
    const Layout l = layout();

    painter.fillRect(rect(), backgroundColor());

    painter.setPen(Qt::NoPen);
    painter.setBrush(traystyle::withOpacity(m_accent, unread ? 1.0 : 0.35));
    const QRectF bar(kBarLeading, kVerticalPadding, kBarWidth, height() - 2 * kVerticalPadding);
    painter.drawRoundedRect(bar, kBarWidth / 2, kBarWidth / 2);

    const QFont sender = senderFont(unread);
    painter.setFont(sender);
    painter.setPen(unread ? traystyle::primary() : traystyle::secondary());
    traypopovertext::draw(painter, kColumnX, l.line1Baseline, shownSender());

    painter.setFont(timeFont());
    painter.setPen(traystyle::withOpacity(traystyle::secondary(), unread ? 1.0 : 0.7));
    painter.drawText(QPointF(l.time.left(), l.line1Baseline), m_time);

    painter.setFont(subjectFont());
    painter.setPen(traystyle::secondary());
    traypopovertext::draw(painter, kColumnX, l.line2Baseline, l.subject);

    if (unread) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(m_accent);
        painter.drawEllipse(l.dot);
    }

    if (m_showsDivider) {
        // A hairline below the row, starting where the text starts.
        painter.fillRect(QRectF(kColumnX, height() - 1, width() - kColumnX, 1), traystyle::primary(0.08));
    }

    if (hasFocus()) {
        // Inside the row: the list clips anything outside it.
        painter.setPen(QPen(palette().color(QPalette::Active, QPalette::Highlight), 2));
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(QRectF(rect()).adjusted(2, 2, -2, -2), 6, 6);
    }
}

QString TrayMessageRow::shownSender() const
{
    return traypopovertext::elided(senderText(), senderFont(m_message.isUnread), layout().senderWidth);
}

QString TrayMessageRow::shownSubject() const
{
    return layout().subject;
}

void TrayMessageRow::focusInEvent(QFocusEvent* event)
{
    QWidget::focusInEvent(event);
    for (QWidget* up = parentWidget(); up; up = up->parentWidget()) {
        if (auto* list = qobject_cast<QScrollArea*>(up)) {
            list->ensureWidgetVisible(this, 0, 0);
            break;
        }
    }
    update();
}

void TrayMessageRow::focusOutEvent(QFocusEvent* event)
{
    QWidget::focusOutEvent(event);
    update();
}

void TrayMessageRow::keyPressEvent(QKeyEvent* event)
{
    const int key = event->key();
    if ((key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space) &&
        !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))) {
        event->accept();
        activate();
        return;
    }
    if (key == Qt::Key_Menu || (key == Qt::Key_F10 && event->modifiers() == Qt::ShiftModifier)) {
        event->accept();
        openContextMenu(mapToGlobal(QPoint(int(kColumnX), height())));
        return;
    }
    const bool walks = key == Qt::Key_Up || key == Qt::Key_Down || key == Qt::Key_Home || key == Qt::Key_End;
    if (walks && parentWidget() && parentWidget()->layout()) {
        // The rows in the order shown; the list keeps its layout in that order.
        QLayout* rows = parentWidget()->layout();
        const auto rowAt = [rows](int at) -> QWidget* {
            QLayoutItem* item = at >= 0 ? rows->itemAt(at) : nullptr;
            QWidget* row = item ? qobject_cast<TrayMessageRow*>(item->widget()) : nullptr;
            return row && row->isVisible() ? row : nullptr;
        };
        QWidget* next = nullptr;
        if (key == Qt::Key_Up || key == Qt::Key_Down) {
            next = rowAt(rows->indexOf(this) + (key == Qt::Key_Up ? -1 : 1));
        } else if (key == Qt::Key_Home) {
            for (int at = 0; !next && at < rows->count(); ++at)
                next = rowAt(at);
        } else {
            for (int at = rows->count() - 1; !next && at >= 0; --at)
                next = rowAt(at);
        }
        if (next)
            next->setFocus(Qt::OtherFocusReason);
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

bool TrayMessageRow::event(QEvent* event)
{
    if (event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        if (categorySymbolRect().adjusted(-3, -3, 3, 3).contains(help->pos()))
            QToolTip::showText(help->globalPos(), categoryTitle(m_message.category), this);
        else
            QToolTip::hideText();
        return true;
    }
    return QWidget::event(event);
}

void TrayMessageRow::enterEvent(QEnterEvent*)
{
    m_hovering = true;
    update();
}

void TrayMessageRow::leaveEvent(QEvent*)
{
    m_hovering = false;
    update();
}

void TrayMessageRow::mousePressEvent(QMouseEvent* event)
{
    m_pressed = event->button() == Qt::LeftButton;
}

void TrayMessageRow::mouseReleaseEvent(QMouseEvent* event)
{
    const bool click = m_pressed && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint());
    m_pressed = false;
    if (click && m_onTap)
        m_onTap();
}

void TrayMessageRow::contextMenuEvent(QContextMenuEvent* event)
{
    // From the keyboard (the Menu key) the menu belongs by the row, not by the pointer.
    const QPoint at =
        event->reason() == QContextMenuEvent::Keyboard ? mapToGlobal(QPoint(int(kColumnX), height())) : event->globalPos();
    openContextMenu(at);
    event->accept();
}

void TrayMessageRow::openContextMenu(QPoint globalPos)
{
    if (m_menu && m_menu->isVisible())
        return; // one key press may arrive both as a key and as a context-menu request
    if (m_menu)
        m_menu->deleteLater();
    m_menu = threadContextMenu(m_message, m_onTap, m_onAction, this);
    m_menu->setAttribute(Qt::WA_DeleteOnClose);
    m_menu->popup(globalPos);
}

} // namespace tarnwick
