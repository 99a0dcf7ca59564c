#include "tarnwick/widgets/views/baselinerow.h"

#include "tarnwick/widgets/views/textview.h"
#include "tarnwick/widgets/views/viewhelpers.h"

namespace tarnwick {

BaselineRow::BaselineRow(std::vector<TextView*> texts, int spacing, QWidget* parent)
    : QWidget(parent), m_texts(std::move(texts)), m_spacing(spacing)
{
    for (TextView* t : m_texts)
        t->setParent(this);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    // Positions depend only on the texts' own sizes, never on the row's.
    place();
}

int BaselineRow::maxAscent() const
{
    int ascent = 0;
    for (TextView* t : m_texts)
        ascent = std::max(ascent, t->baseline());
    return ascent;
}

QSize BaselineRow::sizeHint() const
{
    int width = 0, bottom = 0;
    const int ascent = maxAscent();
    for (std::size_t i = 0; i < m_texts.size(); ++i) {
        const QSize hint = m_texts[i]->sizeHint();
        width += hint.width() + (i ? m_spacing : 0);
        bottom = std::max(bottom, ascent - m_texts[i]->baseline() + hint.height());
    }
    return QSize(width, bottom);
}

void BaselineRow::place()
{
    const int ascent = maxAscent();
    int x = 0;
    for (TextView* t : m_texts) {
        const QSize hint = t->sizeHint();
        t->setGeometry(x, ascent - t->baseline(), hint.width(), hint.height());
        x += hint.width() + m_spacing;
    }
}

} // namespace tarnwick
