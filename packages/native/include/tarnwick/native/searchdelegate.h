#pragma once

// Behaviour of every toolbar search field: Return sends ("search", text) with spaces and tabs trimmed
// from both ends, when anything is left; typing alone sends nothing. UI thread only.

#include <QObject>
#include <QString>

class QLineEdit;

namespace tarnwick::native {

class SearchDelegate : public QObject {
    Q_OBJECT
public:
    static SearchDelegate& shared();

    /// Makes this the delegate of `field` (its Return key comes here).
    void attach(QLineEdit* field);

    /// The Return command for a field holding `text`: emits when the trimmed text is not empty.
    /// Always handled, so the field never inserts a line.
    bool insertNewline(const QString& text);

    /// `text` without spaces and tabs at either end (line breaks stay).
    static QString trimmed(const QString& text);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

} // namespace tarnwick::native
