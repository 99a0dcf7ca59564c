#include "tarnwick/native/qtwheeltimer.h"

#include <QTimer>

namespace tarnwick::native {
namespace {

class QtWheelTimer final : public MouseNavigationRecognizer::Timer {
public:
    QtWheelTimer() { m_timer.setSingleShot(true); }
    void start(std::chrono::milliseconds delay, std::function<void()> fire) override
    {
        stop();
        m_connection = QObject::connect(&m_timer, &QTimer::timeout, &m_timer, std::move(fire));
        m_timer.start(delay);
    }
    void stop() override
    {
        m_timer.stop();
        QObject::disconnect(m_connection);
    }

private:
    QTimer m_timer;
    QMetaObject::Connection m_connection;
};

} // namespace

std::unique_ptr<MouseNavigationRecognizer::Timer> makeQtWheelTimer()
{
    return std::make_unique<QtWheelTimer>();
}

} // namespace tarnwick::native
