#include "tarnwick/helper/categoryattachment.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QImage>
#include <QImageWriter>
#include <QPainter>
#include <array>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>
#include <utility>

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

// The process's own directory for the pictures: made on first use under the runtime directory (or
// the cache directory), made again when the place to put it changed or it went missing.
class PictureDirectory {
public:
    std::optional<std::filesystem::path> ensure()
    {
        const SystemPaths& paths = SystemPaths::current();
        const std::optional<std::filesystem::path> runtime = paths.runtimeDirectory();
        const std::filesystem::path base = runtime ? *runtime : paths.cacheDirectory();
        struct stat st {};
        if (m_dir && base == m_base && ::lstat(m_dir->c_str(), &st) == 0 && S_ISDIR(st.st_mode))
            return m_dir;
        remove();
        std::error_code ec;
        if (!runtime)
            std::filesystem::create_directories(base, ec);  // a fresh home may have no cache yet
        std::string pattern = (base / "tarnwick-pictures-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) {  // mode 0700
            // Once per failure in a row: every banner would otherwise repeat it.
            if (!std::exchange(m_failing, true))
                logFailure(QString::fromLocal8Bit(std::strerror(errno)));
            return std::nullopt;
        }
        m_failing = false;
        m_base = base;
        m_dir = std::filesystem::path(pattern);
        if (!m_cleanupConnected && QCoreApplication::instance()) {
            m_cleanupConnected = true;
            QObject::connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, [] { CategoryAttachment::removeFiles(); });
        }
        return m_dir;
    }

    void remove()
    {
        if (!m_dir)
            return;
        std::error_code ignored;
        std::filesystem::remove_all(*m_dir, ignored);
        m_dir.reset();
    }

private:
    std::optional<std::filesystem::path> m_dir;
    std::filesystem::path m_base;
    bool m_cleanupConnected = false;
    bool m_failing = false;
};

PictureDirectory& pictureDirectory()
{
    static PictureDirectory directory;
    return directory;
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
    PictureDirectory& pictures = pictureDirectory();
    const auto dir = pictures.ensure();
    if (!dir)
        return std::nullopt;

    const std::string raw(mailcategory::rawValue(category));
    const std::filesystem::path file = *dir / (raw + ".png");
    struct stat st {};
    if (::lstat(file.c_str(), &st) == 0 && S_ISREG(st.st_mode) && st.st_size == bytes->size())
        return NotificationAttachment{"category." + raw, file, "image/png", true};

    // Written beside and renamed into place, so a banner never shows half a picture.
    const std::filesystem::path partial = *dir / (raw + ".png.part");
    ::unlink(partial.c_str());
    const int fd = ::open(partial.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    bool written = fd >= 0;
    for (qsizetype done = 0; written && done < bytes->size();) {
        const ssize_t n = ::write(fd, bytes->constData() + done, static_cast<std::size_t>(bytes->size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        written = n > 0;
        done += n > 0 ? n : 0;
    }
    const int error = written ? 0 : errno;
    if (fd >= 0)
        ::close(fd);
    if (!written || ::rename(partial.c_str(), file.c_str()) != 0) {
        logFailure(QString::fromLocal8Bit(std::strerror(written ? errno : error)));
        ::unlink(partial.c_str());
        return std::nullopt;
    }
    return NotificationAttachment{"category." + raw, file, "image/png", true};
}

void CategoryAttachment::removeFiles()
{
    pictureDirectory().remove();
}

} // namespace tarnwick
