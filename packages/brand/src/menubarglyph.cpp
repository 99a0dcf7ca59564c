#include "tarnwick/brand/menubarglyph.h"

#include "tarnwick/brand/brandmark.h"
#include "tarnwick/brand/markartwork.h"

namespace tarnwick {

QSizeF MenuBarGlyph::size() const
{
    return QSizeF(18.0, 18.0 / markartwork::definition(m_kind).aspectRatio());
}

std::optional<TemplateImage> MenuBarGlyph::statusItemImage(qreal devicePixelRatio) const
{
    auto image = brand::renderSvg(markartwork::definition(m_kind).svg, size(), devicePixelRatio);
    if (!image)
        return std::nullopt;
    return TemplateImage(*image);
}

} // namespace tarnwick
