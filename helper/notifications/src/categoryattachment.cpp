#include "tarnwick/helper/categoryattachment.h"

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QImageWriter>
#include <QPainter>
#include <QUuid>
#include <array>
#include <string>
#include <system_error>

#include "tarnwick/brand/symbolimage.h"
#include "tarnwick/platform/systempaths.h"
#include "tarnwick/rpc/helperlog.h"

namespace tarnwick {
namespace {

std::array<std::optional<QByteArray>, mailcategory::allCases.size()>& pngCache()
{
    static std::array<std::optional<QByteArray>, mailcategory::allCases.size()> cache;
    return cache;
}

std::size_t indexOf(MailCategory category)
{
    return static_cast<std::size_t>(category);
}

void logFailure(const QString& description)
{
    HelperLog::error("Notifications", "Category attachment failed: " + description.toStdString());
}

} // namespace

QColor CategoryAttachment::badgeColor(MailCategory category)
{
    switch (category) {
    case MailCategory::primary:
        return QColor(0xc5, 0x22, 0x1f);  // red
    case MailCategory::social:
        return QColor(0x19, 0x67, 0xd2);  // blue
    case MailCategory::promotions:
        return QColor(0x13, 0x73, 0x33);  // green
    case MailCategory::updates:
        return QColor(0xa8, 0x52, 0x00);  // amber
    case MailCategory::forums:
        return QColor(0x84, 0x30, 0xce);  // purple
    }
    return QColor(0x5f, 0x63, 0x68);
}

QColor CategoryAttachment::glyphColor()
{
    return Qt::white;
}

std::optional<QByteArray> CategoryAttachment::render(MailCategory category)
{
    const QImage symbol =
        SymbolImage::render(mailcategory::symbolName(category), QSize(symbolSize, symbolSize), glyphColor());
    if (symbol.isNull())
        return std::nullopt;

    QImage canvas(canvasSize, canvasSize, QImage::Format_ARGB32_Premultiplied);
    canvas.fill(Qt::transparent);
    {
        QPainter painter(&canvas);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(badgeColor(category));
        painter.drawEllipse(QRectF(badgeMargin, badgeMargin, canvasSize - 2 * badgeMargin, canvasSize - 2 * badgeMargin));
        const QSize size = symbol.deviceIndependentSize().toSize();
        painter.drawImage(QRect(QPoint((canvasSize - size.width()) / 2, (canvasSize - size.height()) / 2), size), symbol);
    }

    QByteArray bytes;
    QBuffer buffer(&bytes);
    if (!buffer.open(QIODevice::WriteOnly))
        return std::nullopt;
    QImageWriter writer(&buffer, "png");
    if (!writer.write(canvas) || bytes.isEmpty())
        return std::nullopt;
    return bytes;
}

std::optional<QByteArray> CategoryAttachment::png(MailCategory category)
{
    auto& cached = pngCache()[indexOf(category)];
    if (!cached)
        cached = render(category);
    return cached;
}

std::optional<NotificationAttachment> CategoryAttachment::make(MailCategory category)
{
    const auto bytes = png(category);
    if (!bytes)
        return std::nullopt;

    const std::string raw(mailcategory::rawValue(category));
    const std::string uuid = QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper().toStdString();
    const std::filesystem::path file =
        SystemPaths::current().temporaryDirectory() / ("tarnwick-" + raw + "-" + uuid + ".png");

    // NewOnly: a banner's file is always its own, never one that happens to lie there. Readable by
    // the user alone: the temporary directory is shared with every other user of the machine.
    QFile out(QString::fromStdString(file.string()));
    const bool written = out.open(QIODevice::WriteOnly | QIODevice::NewOnly) &&
                         out.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner) &&
                         out.write(*bytes) == bytes->size() && out.flush();
    if (!written) {
        logFailure(out.errorString());
        const bool created = out.isOpen();
        out.close();
        if (created) {
            std::error_code ignored;
            std::filesystem::remove(file, ignored);
        }
        return std::nullopt;
    }
    out.close();
    return NotificationAttachment{"category." + raw, file, "image/png"};
}

} // namespace tarnwick
