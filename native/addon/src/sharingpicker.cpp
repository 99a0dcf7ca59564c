#include "sharingpicker.h"

#include "addonlog.h"
#include "urlhandlers.h"

#include <QClipboard>
#include <QCursor>
#include <QGuiApplication>
#include <QMenu>
#include <QMimeData>
#include <QPointer>
#include <QTimer>

#include <set>

namespace tarnwick::addon {

const char* const SharingPicker::kMailLabel = "Mail";
const char* const SharingPicker::kCopyLabel = "Copy";
const char* const SharingPicker::kBrowserLabel = "Open in Browser";

namespace {

constexpr int kAnchorFromRight = 150;
constexpr int kAnchorFromTop = 10;

// Owns one open picker. The menu does not keep its delegate alive, so the live set does until
// `finish`.
class SharingDelegate : public QObject {
public:
    explicit SharingDelegate(SharingPicker::Completion completion)
        : completion_(std::move(completion))
    {
    }

    static std::set<SharingDelegate*>& live()
    {
        static auto* delegates = new std::set<SharingDelegate*>;
        return *delegates;
    }

    QPointer<QMenu> activePicker;

    // The menu hides before it triggers the chosen action, so dismissal is only known once the
    // events of that click have been handled.
    void menuHidden()
    {
        QTimer::singleShot(0, this, [this] {
            if (!serviceChosen_)
                finish();
        });
    }

    void choose(const std::function<void()>& service)
    {
        if (serviceChosen_)
            return;
        serviceChosen_ = true;
        service();
        finish();
    }

    // Runs the completion at most once and lets the delegate go.
    void finish()
    {
        auto completion = std::exchange(completion_, nullptr);
        QPointer<QMenu> picker = std::exchange(activePicker, nullptr);
        if (picker)
            picker->deleteLater();
        if (completion)
            completion();
        if (live().erase(this) != 0)
            deleteLater();
    }

private:
    SharingPicker::Completion completion_;
    bool serviceChosen_ = false;
};

void copyToClipboard(const std::vector<ShareItem>& items)
{
    auto* data = new QMimeData;
    QList<QUrl> urls;
    QStringList lines;
    for (const ShareItem& item : items) {
        if (item.kind != ShareItem::Kind::Text)
            urls.append(item.url);
        lines.append(item.displayText());
    }
    if (!urls.isEmpty())
        data->setUrls(urls);
    data->setText(lines.join(QLatin1Char('\n')));
    QGuiApplication::clipboard()->setMimeData(data);
}

void open(const QString& uri)
{
    if (const auto failure = openUri(uri.toStdString()))
        AddonLog::error("Sharing failed: " + *failure);
}

} // namespace

QPoint SharingPicker::anchor(const QWidget* view, QPoint pointerGlobal)
{
    const QPoint local = view->mapFromGlobal(pointerGlobal);
    if (view->rect().contains(local))
        return local;
    return {view->width() - kAnchorFromRight, kAnchorFromTop};
}

QString SharingPicker::mailtoUri(const std::vector<ShareItem>& items)
{
    QStringList lines;
    QStringList attachments;
    for (const ShareItem& item : items) {
        if (item.kind == ShareItem::Kind::FileUrl)
            attachments.append(QStringLiteral("attach=")
                               + QString::fromLatin1(QUrl::toPercentEncoding(item.url.toString(QUrl::FullyEncoded))));
        else
            lines.append(item.displayText());
    }
    QStringList query;
    if (!lines.isEmpty())
        query.append(QStringLiteral("body=")
                     + QString::fromLatin1(QUrl::toPercentEncoding(lines.join(QLatin1Char('\n')))));
    query.append(attachments);
    QString uri = QStringLiteral("mailto:");
    if (!query.isEmpty())
        uri += QLatin1Char('?') + query.join(QLatin1Char('&'));
    return uri;
}

int SharingPicker::liveCount()
{
    return static_cast<int>(SharingDelegate::live().size());
}

namespace {

// The menu of targets for `items`, its delegate registered; `parent` may be null (a foreign
// window cannot own a Qt menu).
QMenu* buildMenu(QWidget* parent, std::vector<ShareItem> items, SharingPicker::Completion completion)
{
    auto* delegate = new SharingDelegate(std::move(completion));
    SharingDelegate::live().insert(delegate);

    auto* menu = new QMenu(parent);
    menu->setObjectName(QStringLiteral("TarnwickSharingPicker"));
    delegate->activePicker = menu;

    auto shared = std::make_shared<const std::vector<ShareItem>>(std::move(items));
    if (defaultApplicationForScheme("mailto")) {
        QAction* mail = menu->addAction(QString::fromLatin1(SharingPicker::kMailLabel));
        QObject::connect(mail, &QAction::triggered, delegate, [delegate, shared] {
            delegate->choose([shared] { open(SharingPicker::mailtoUri(*shared)); });
        });
    }
    QAction* copy = menu->addAction(QString::fromLatin1(SharingPicker::kCopyLabel));
    QObject::connect(copy, &QAction::triggered, delegate, [delegate, shared] {
        delegate->choose([shared] { copyToClipboard(*shared); });
    });
    const bool hasWebLink = std::any_of(shared->begin(), shared->end(), [](const ShareItem& item) {
        return item.kind == ShareItem::Kind::WebUrl;
    });
    if (hasWebLink) {
        QAction* browser = menu->addAction(QString::fromLatin1(SharingPicker::kBrowserLabel));
        QObject::connect(browser, &QAction::triggered, delegate, [delegate, shared] {
            delegate->choose([shared] {
                for (const ShareItem& item : *shared) {
                    if (item.kind == ShareItem::Kind::WebUrl)
                        open(item.url.toString(QUrl::FullyEncoded));
                }
            });
        });
    }
    QObject::connect(menu, &QMenu::aboutToHide, delegate, [delegate] { delegate->menuHidden(); });
    // A view closed under the open menu takes the menu with it; the script still hears back.
    QObject::connect(menu, &QObject::destroyed, delegate, [delegate] { delegate->menuHidden(); });
    return menu;
}

} // namespace

void SharingPicker::show(QWidget* view, std::vector<ShareItem> items, Completion completion)
{
    QMenu* menu = buildMenu(view, std::move(items), std::move(completion));
    menu->popup(view->mapToGlobal(anchor(view, QCursor::pos())));
}

void SharingPicker::showAt(QPoint global, std::vector<ShareItem> items, Completion completion)
{
    QMenu* menu = buildMenu(nullptr, std::move(items), std::move(completion));
    // Without a parent nothing else would delete it; the delegate's finish does.
    menu->popup(global);
}

} // namespace tarnwick::addon
