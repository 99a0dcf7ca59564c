#include "windowhandle.h"

#include <tarnwick/native/uithread.h>

#include <QApplication>

#include <cstring>
#include <future>

namespace tarnwick::addon {

std::optional<std::uintptr_t> readWindowHandle(const Napi::Value& value)
{
    if (!value.IsBuffer())
        return std::nullopt;
    const auto buffer = value.As<Napi::Buffer<std::uint8_t>>();
    // Anything shorter cannot hold an address; reading past its end would be a fault.
    if (buffer.Length() < sizeof(std::uint64_t))
        return std::nullopt;
    std::uint64_t raw = 0;
    std::memcpy(&raw, buffer.Data(), sizeof raw);
    return static_cast<std::uintptr_t>(raw);
}

void runOnUiThreadAndWait(const std::function<void()>& task)
{
    if (native::isOnUiThread()) {
        task();
        return;
    }
    std::promise<void> done;
    auto finished = done.get_future();
    native::runOnUiThread([&task, &done] {
        task();
        done.set_value();
    });
    finished.wait();
}

QPointer<QWidget> findWidget(std::uintptr_t address)
{
    if (address == 0 || !native::hasUiThread())
        return nullptr;
    QPointer<QWidget> found;
    runOnUiThreadAndWait([address, &found] {
        const auto widgets = QApplication::allWidgets();
        for (QWidget* widget : widgets) {
            if (reinterpret_cast<std::uintptr_t>(widget) == address && widget->window() != nullptr) {
                found = widget;
                break;
            }
        }
    });
    return found;
}

} // namespace tarnwick::addon
