#include "tarnwick/native/searchdelegate.h"

#include <QKeyEvent>
#include <QLineEdit>

#include "tarnwick/native/actionbridge.h"

namespace tarnwick::native {

SearchDelegate& SearchDelegate::shared()
{
    // Never destroyed: fields may outlive static destruction order in a host process.
    static auto* instance = new SearchDelegate;
    return *instance;
}

void SearchDelegate::attach(QLineEdit* field)
{
    if (field)
        field->installEventFilter(this);
}

QString SearchDelegate::trimmed(const QString& text)
{
    auto isBlank = [](QChar c) { return c == QLatin1Char(' ') || c == QLatin1Char('\t'); };
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isBlank(text[begin]))
        ++begin;
    while (end > begin && isBlank(text[end - 1]))
        --end;
    return text.mid(begin, end - begin);
}

bool SearchDelegate::insertNewline(const QString& text)
{
    const QString query = trimmed(text);
    if (!query.isEmpty()) {
        const QByteArray utf8 = query.toUtf8();
        ActionBridge::emit(action::kSearch, std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size())));
    }
    return true;
}

bool SearchDelegate::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress)
        return false;
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter)
        return false;
    auto* field = qobject_cast<QLineEdit*>(watched);
    if (!field)
        return false;
    return insertNewline(field->text());
}

} // namespace tarnwick::native
