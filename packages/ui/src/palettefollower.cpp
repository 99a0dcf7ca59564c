#include "tarnwick/ui/palettefollower.h"

#include <QCoreApplication>
#include <QEvent>
#include <QPointer>
#include <algorithm>
#include <vector>

namespace tarnwick::PaletteFollower {

namespace {

// One filter on the application for every follower, rather than one each.
class Registry : public QObject {
public:
    static Registry& instance()
    {
        static Registry* registry = [] {
            auto* r = new Registry;
            QCoreApplication::instance()->installEventFilter(r);
            return r;
        }();
        return *registry;
    }

    void add(QObject* context, std::function<void()> restyle) { m_entries.push_back({context, std::move(restyle)}); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == QCoreApplication::instance() && event->type() == QEvent::ApplicationPaletteChange) {
            std::erase_if(m_entries, [](const Entry& e) { return e.context.isNull(); });
            // A restyle may register further followers: walk a copy.
            const std::vector<Entry> entries = m_entries;
            for (const Entry& entry : entries)
                if (entry.context)
                    entry.restyle();
        }
        return QObject::eventFilter(watched, event);
    }

private:
    struct Entry {
        QPointer<QObject> context;
        std::function<void()> restyle;
    };
    std::vector<Entry> m_entries;
};

} // namespace

void follow(QObject* context, std::function<void()> restyle)
{
    if (!context || !restyle || !QCoreApplication::instance())
        return;
    Registry::instance().add(context, std::move(restyle));
}

} // namespace tarnwick::PaletteFollower
