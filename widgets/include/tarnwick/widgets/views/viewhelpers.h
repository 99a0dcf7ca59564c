#pragma once

// Small pieces every widget view shares: number texts, the compose button, account links and the
// layout and text conventions (zero margins; one-line texts that either keep or give up width).

#include <cstdint>
#include <string>

#include <QBoxLayout>
#include <QColor>
#include <QFont>
#include <QString>

#include "tarnwick/widgets/views/linkarea.h"
#include "tarnwick/widgets/views/widgetenvironment.h"
#include "tarnwick/widgets/widgetcache.h"

namespace tarnwick {

class TextView;

/// "42" for the "%lld" texts and "42 unread" for "%lld unread".
QString countText(std::int64_t count);
QString unreadText(std::int64_t count);
QString qs(const std::string& text);

/// The compose symbol (12 points, primary colour) inside a link.
LinkArea* makeComposeButton(const QString& link, const WidgetEnvironment& env, QWidget* parent = nullptr);
/// `content` wrapped in a link to the account's inbox.
LinkArea* makeAccountLink(const CachedAccount& account, QWidget* content, QWidget* parent = nullptr);

/// Box layouts without margins.
QHBoxLayout* hbox(int spacing, QWidget* owner = nullptr);
QVBoxLayout* vbox(int spacing, QWidget* owner = nullptr);
/// One-line text that gives up width (eliding) before its neighbours do.
TextView* elidingText(const QString& text, const QFont& font, const QColor& color);
/// One-line text that keeps its natural width.
TextView* fixedText(const QString& text, const QFont& font, const QColor& color);
/// The account's colour, or the accent when it does not parse.
QColor accountColor(const CachedAccount& account, const WidgetEnvironment& env);

} // namespace tarnwick
