#include "tarnwick/helper/traybanner.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

#include "tarnwick/helper/traystyle.h"

namespace tarnwick {

namespace {

std::string symbolFor(TrayBanner::Kind kind)
{
    switch (kind) {
    case TrayBanner::Kind::offline: return "wifi.slash";
    case TrayBanner::Kind::signIn: return "exclamationmark.triangle.fill";
    case TrayBanner::Kind::restricted: return "lock.slash";
    case TrayBanner::Kind::caughtUp: return "checkmark.circle.fill";
    }
    return {};
}

} // namespace

TrayBanner::TrayBanner(Kind kind, QString title, QString subtitle, std::function<void()> onSignIn, QWidget* parent)
    : QWidget(parent)
    , m_kind(kind)
    , m_symbol(symbolFor(kind))
{
    setObjectName(QStringLiteral("banner"));
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(11, 8, 11, 8);
    row->setSpacing(9);

    const double iconPoints = kind == Kind::caughtUp ? 20 : 16;
    auto* icon = new QLabel(this);
    icon->setObjectName(QStringLiteral("bannerIcon"));
    const int side = int(iconPoints);
    traystyle::keepStyled(icon, [icon, kind, iconPoints, side, symbol = m_symbol] {
        const QColor iconColor = kind == Kind::caughtUp ? traystyle::green()
                                 : kind == Kind::signIn ? traystyle::orange()
                                                        : traystyle::secondary();
        icon->setPixmap(traystyle::symbolIcon(symbol, iconPoints, iconColor).pixmap(QSize(side, side), 2.0));
    });
    icon->setFixedSize(side, side);
    row->addWidget(icon, 0, Qt::AlignVCenter);

    auto* column = new QVBoxLayout;
    column->setSpacing(1);
    m_title = traystyle::plainLabel(title, this);
    m_title->setObjectName(QStringLiteral("bannerTitle"));
    m_title->setFont(traystyle::font(12.5, QFont::DemiBold));
    m_subtitle = traystyle::plainLabel(subtitle, this);
    m_subtitle->setObjectName(QStringLiteral("bannerSubtitle"));
    m_subtitle->setFont(traystyle::font(11.5));
    m_subtitle->setWordWrap(true);
    traystyle::inkLabel(m_subtitle, traystyle::secondary);
    column->addWidget(m_title);
    column->addWidget(m_subtitle);
    row->addLayout(column, 1);

    if (kind == Kind::signIn) {
        m_signIn = new QPushButton(QStringLiteral("Sign In"), this);
        m_signIn->setObjectName(QStringLiteral("signInButton"));
        m_signIn->setFont(traystyle::font(11, QFont::Medium));
        m_signIn->setFocusPolicy(Qt::NoFocus);
        traystyle::keepStyled(m_signIn, [button = m_signIn] {
            const QColor accent = traystyle::accent();
            button->setStyleSheet(QStringLiteral("QPushButton { background: %1; color: white; border: none;"
                                                 " border-radius: 5px; padding: 3px 9px; }"
                                                 "QPushButton:pressed { background: %2; }")
                                      .arg(traystyle::css(accent), traystyle::css(accent.darker(115))));
        });
        if (onSignIn)
            connect(m_signIn, &QPushButton::clicked, this, [onSignIn] { onSignIn(); });
        row->addWidget(m_signIn, 0, Qt::AlignVCenter);
    }
}

QString TrayBanner::title() const
{
    return m_title->text();
}

QString TrayBanner::subtitle() const
{
    return m_subtitle->text();
}

void TrayBanner::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF r = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    if (m_kind == Kind::signIn) {
        painter.setPen(QPen(traystyle::withOpacity(traystyle::orange(), 0.2), 1));
        painter.setBrush(traystyle::withOpacity(traystyle::orange(), 0.1));
    } else {
        painter.setPen(Qt::NoPen);
        painter.setBrush(traystyle::primary(0.05));
    }
    painter.drawRoundedRect(r, 10, 10);
}

} // namespace tarnwick
