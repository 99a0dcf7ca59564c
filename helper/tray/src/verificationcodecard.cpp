#include "tarnwick/helper/verificationcodecard.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QVBoxLayout>
#include <cmath>

#include "tarnwick/helper/desktopclipboard.h"
#include "tarnwick/helper/traystyle.h"
#include "traypopoveraccessible_p.h"
#include "traypopoverfocusring_p.h"
#include "traypopovertext_p.h"

namespace tarnwick {

namespace {

constexpr double kBarWidth = 3.5;
constexpr int kBarLeading = 6;
constexpr int kCardLeading = 14;
constexpr int kBarGap = 8;

void style(QLabel* label, const QFont& font, std::function<QColor()> ink, const char* name)
{
    label->setObjectName(QString::fromLatin1(name));
    label->setFont(font);
    traystyle::inkLabel(label, std::move(ink));
    label->setAttribute(Qt::WA_TransparentForMouseEvents);
}

// Text from the mail: shown as far as it fits, cut with "…" at its logical end.
QLabel* elidingLabel(const QString& text, const QFont& font, std::function<QColor()> ink, const char* name,
                     QWidget* parent)
{
    auto* label = new traypopovertext::ElidingLabel(text, parent);
    style(label, font, std::move(ink), name);
    return label;
}

QLabel* makeLabel(const QString& text, const QFont& font, std::function<QColor()> ink, const char* name,
                  QWidget* parent)
{
    auto* label = traystyle::plainLabel(text, parent);
    style(label, font, std::move(ink), name);
    return label;
}

// A capsule with a dot and the card's kind, in the accent colour.
class CodePill : public QWidget {
public:
    explicit CodePill(QWidget* parent)
        : QWidget(parent)
    {
        setObjectName(QStringLiteral("codePill"));
        setAttribute(Qt::WA_TransparentForMouseEvents);
        // The card's own name is never cut: the service beside it gives way instead.
        setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
        auto* row = new QHBoxLayout(this);
        row->setContentsMargins(6 + 6 + 4, 2, 6, 2); // room for the dot drawn at the left
        QFont font = traystyle::font(10.5, QFont::Bold);
        font.setLetterSpacing(QFont::AbsoluteSpacing, 0.4);
        row->addWidget(makeLabel(QStringLiteral("Verification Code"), font, traystyle::accent, "pillLabel", this));
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const QRectF r = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
        painter.setPen(Qt::NoPen);
        painter.setBrush(traystyle::withOpacity(traystyle::accent(), 0.15));
        painter.drawRoundedRect(r, r.height() / 2, r.height() / 2);
        painter.setBrush(traystyle::accent());
        painter.drawEllipse(QRectF(6, (height() - 6) / 2.0, 6, 6));
    }
};

} // namespace

VerificationCodeCard::VerificationCodeCard(TrayVerificationCode item, QColor accountColor, SelectThread onSelectThread,
                                           const Clock& clock, QWidget* parent)
    : QWidget(parent)
    , m_item(std::move(item))
    , m_accountColor(std::move(accountColor))
    , m_onSelectThread(std::move(onSelectThread))
    , m_clock(clock)
{
    setObjectName(QStringLiteral("verificationCodeCard"));
    setAttribute(Qt::WA_Hover);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus); // Enter or Space opens the thread, as a click does
    traypopoveraccessible::install();
    const QString serviceName = QString::fromStdString(eyebrowServiceName(m_item));
    setAccessibleName(QStringLiteral("Verification Code ") + QString::fromStdString(m_item.code) +
                      QStringLiteral(", ") + serviceName);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(kCardLeading + kBarLeading + int(std::ceil(kBarWidth)) + kBarGap, 9, 12, 9);
    column->setSpacing(6);

    auto* top = new QHBoxLayout;
    top->setSpacing(5);
    top->addWidget(new CodePill(this));
    top->addWidget(makeLabel(QStringLiteral("·"), traystyle::font(10), traystyle::tertiary, "separator", this));
    // One line: a long sender is cut short rather than pushing the time off the card.
    auto* service = elidingLabel(serviceName, traystyle::font(10.5, QFont::Medium), traystyle::secondary,
                                 "serviceLabel", this);
    service->setToolTip(traystyle::plainToolTip(serviceName));
    top->addWidget(service, 0);
    top->addWidget(makeLabel(QStringLiteral("·"), traystyle::font(10), traystyle::tertiary, "separator", this));
    m_timeLabel = makeLabel(QString(), traystyle::font(10.5), traystyle::secondary, "timeLabel", this);
    m_timeLabel->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
    top->addWidget(m_timeLabel);
    top->addStretch(1);
    column->addLayout(top);

    auto* bottom = new QHBoxLayout;
    bottom->setSpacing(10);
    auto* codeColumn = new QVBoxLayout;
    codeColumn->setSpacing(1);
    auto* code = makeLabel(QString::fromStdString(m_item.code), traystyle::monospaceFont(16, QFont::Bold),
                           [] { return traystyle::primary(); }, "codeLabel", this);
    code->setTextInteractionFlags(Qt::NoTextInteraction);
    codeColumn->addWidget(code);
    if (!m_item.subject.empty()) {
        auto* subject = elidingLabel(QString::fromStdString(m_item.subject), traystyle::font(11.5),
                                     traystyle::secondary, "subjectLabel", this);
        subject->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
        codeColumn->addWidget(subject);
    }
    bottom->addLayout(codeColumn, 1);

    m_copyButton = new QPushButton(this);
    m_copyButton->setObjectName(QStringLiteral("copyButton"));
    m_copyButton->setCursor(Qt::ArrowCursor);
    m_copyButton->setFont(traystyle::font(12, QFont::Medium));
    m_copyButton->setFocusPolicy(Qt::TabFocus);
    TrayPopoverFocusRing::attach(m_copyButton, 6);
    // Always drawn active: the popover is rarely the focused window when the user reaches for it.
    traystyle::keepStyled(m_copyButton, [button = m_copyButton] {
        const QColor accent = traystyle::accent();
        button->setStyleSheet(QStringLiteral("QPushButton { background: %1; color: white; border: none;"
                                             " border-radius: 6px; padding: 4px 11px; }"
                                             "QPushButton:pressed { background: %2; }")
                                  .arg(traystyle::css(accent), traystyle::css(accent.darker(115))));
    });
    connect(m_copyButton, &QPushButton::clicked, this, &VerificationCodeCard::copyToClipboard);
    bottom->addWidget(m_copyButton, 0, Qt::AlignVCenter);
    column->addLayout(bottom);

    m_copyReset.setSingleShot(true);
    m_copyReset.setTimerType(Qt::PreciseTimer); // a coarse timer may fire up to 5% early
    m_copyReset.setInterval(kCopiedResetMs);
    connect(&m_copyReset, &QTimer::timeout, this, [this] { setCopied(false); });

    setCopied(false);
    refresh();
}

std::string VerificationCodeCard::eyebrowServiceName(const TrayVerificationCode& item)
{
    if (item.service && !item.service->empty())
        return *item.service;
    if (!item.from.empty())
        return item.from;
    return "Email";
}

std::string VerificationCodeCard::relativeTimeText(double elapsedSeconds)
{
    // Whole seconds, fractions dropped; a code stamped in the future arrived "just now".
    const long long elapsed = std::isfinite(elapsedSeconds) && elapsedSeconds > 0
                                  ? static_cast<long long>(std::min(elapsedSeconds, 9.0e15))
                                  : 0;
    if (elapsed < 60)
        return "Just now";
    if (elapsed < 120)
        return "1m ago";
    if (elapsed < 3600)
        return std::to_string(elapsed / 60) + "m ago";
    return std::to_string(elapsed / 3600) + "h ago";
}

std::string VerificationCodeCard::relativeTimeText() const
{
    return relativeTimeText(m_clock.now() - m_item.receivedAt);
}

void VerificationCodeCard::refresh()
{
    m_timeLabel->setText(QString::fromStdString(relativeTimeText()));
}

void VerificationCodeCard::copyToClipboard()
{
    desktopclipboard::setText(m_item.code, desktopclipboard::Origin::ownWindow);
    setCopied(true);
    m_copyReset.start(); // a second copy restarts the wait
}

void VerificationCodeCard::setCopied(bool copied)
{
    const bool changed = copied != m_copied;
    m_copied = copied;
    m_copyButton->setText(copied ? QStringLiteral("Copied") : QStringLiteral("Copy"));
    m_copyButton->setIcon(traystyle::symbolIcon(copied ? "checkmark" : "doc.on.doc.fill", 12, Qt::white));
    if (changed)
        Q_EMIT copiedChanged(copied);
}

void VerificationCodeCard::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    if (m_hovering)
        painter.fillRect(rect(), traystyle::primary(0.05));
    const QRectF bar(kCardLeading + kBarLeading, 9 + 4, kBarWidth, height() - 2 * (9 + 4));
    painter.setBrush(m_accountColor);
    painter.drawRoundedRect(bar, kBarWidth / 2, kBarWidth / 2);
    if (hasFocus()) {
        painter.setPen(QPen(TrayPopoverFocusRing::color(this), 2));
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(QRectF(rect()).adjusted(3, 3, -3, -3), 8, 8);
    }
}

void VerificationCodeCard::activate()
{
    if (m_onSelectThread)
        m_onSelectThread(m_item.accountId, m_item.threadId);
}

void VerificationCodeCard::keyPressEvent(QKeyEvent* event)
{
    const int key = event->key();
    if ((key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space) &&
        !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))) {
        event->accept();
        activate();
        return;
    }
    QWidget::keyPressEvent(event);
}

void VerificationCodeCard::focusInEvent(QFocusEvent* event)
{
    QWidget::focusInEvent(event);
    update();
}

void VerificationCodeCard::focusOutEvent(QFocusEvent* event)
{
    QWidget::focusOutEvent(event);
    update();
}

void VerificationCodeCard::enterEvent(QEnterEvent*)
{
    m_hovering = true;
    update();
}

void VerificationCodeCard::leaveEvent(QEvent*)
{
    m_hovering = false;
    update();
}

void VerificationCodeCard::mousePressEvent(QMouseEvent* event)
{
    m_pressed = event->button() == Qt::LeftButton;
}

void VerificationCodeCard::mouseReleaseEvent(QMouseEvent* event)
{
    const bool click = m_pressed && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint());
    m_pressed = false;
    if (click)
        activate();
}

} // namespace tarnwick
