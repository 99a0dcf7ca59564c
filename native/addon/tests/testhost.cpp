// tarnwick_addon_testhost.node: what the addon's script tests need around the addon: the fake
// native library's recording, Qt windows with recording drop views on the process's UI thread,
// the open popup menu, the clipboard and the pointer.

#include "testviews.h"

#include <tarnwick/native/uithread.h>

#include <napi.h>

#include <QApplication>
#include <QAbstractButton>
#include <QAction>
#include <QClipboard>
#include <QCursor>
#include <QMainWindow>
#include <QMenu>
#include <QMimeData>
#include <QUrl>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <functional>
#include <future>
#include <memory>

namespace tarnwick::addon::testing {

namespace {

void onUiThread(const std::function<void()>& task)
{
    if (native::isOnUiThread()) {
        task();
        return;
    }
    std::promise<void> done;
    auto finished = done.get_future();
    native::runOnUiThread([&] {
        task();
        done.set_value();
    });
    finished.wait();
}

Napi::Array toArray(Napi::Env env, const QStringList& list)
{
    Napi::Array array = Napi::Array::New(env, list.size());
    for (int i = 0; i < list.size(); ++i)
        array.Set(uint32_t(i), Napi::String::New(env, list.at(i).toStdString()));
    return array;
}

Napi::Value handleOf(Napi::Env env, const QWidget* widget)
{
    const std::uint64_t address = reinterpret_cast<std::uintptr_t>(widget);
    return Napi::Buffer<std::uint8_t>::Copy(env, reinterpret_cast<const std::uint8_t*>(&address), sizeof address);
}

QWidget* widgetOf(const Napi::Value& value)
{
    std::uint64_t address = 0;
    const auto buffer = value.As<Napi::Buffer<std::uint8_t>>();
    std::memcpy(&address, buffer.Data(), sizeof address);
    return reinterpret_cast<QWidget*>(static_cast<std::uintptr_t>(address));
}

template <typename Function>
Function fakeSymbol(const Napi::Value& path, const char* name)
{
    // The addon opened the library already; this only looks it up.
    void* handle = ::dlopen(path.As<Napi::String>().Utf8Value().c_str(), RTLD_NOW | RTLD_NOLOAD);
    return handle ? reinterpret_cast<Function>(::dlsym(handle, name)) : nullptr;
}

Napi::Value fakeTakeCalls(const Napi::CallbackInfo& info)
{
    Napi::Env env = info.Env();
    auto take = fakeSymbol<char* (*)()>(info[0], "fake_native_take_calls");
    if (!take)
        return env.Null();
    char* joined = take();
    const QStringList calls = QString::fromUtf8(joined).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    std::free(joined);
    return toArray(env, calls);
}

Napi::Value fakeFire(const Napi::CallbackInfo& info)
{
    auto fire = fakeSymbol<void (*)(const char*, const char*, int)>(info[0], "fake_native_fire");
    if (fire)
        fire(info[1].As<Napi::String>().Utf8Value().c_str(), info[2].As<Napi::String>().Utf8Value().c_str(),
             info.Length() > 3 ? info[3].As<Napi::Number>().Int32Value() : 1);
    return Napi::Boolean::New(info.Env(), fire != nullptr);
}

struct WidgetNode {
    QString cls;
    QString name;
    bool accepts = true;
    QRect geometry;
    std::vector<WidgetNode> children;
};

WidgetNode readNode(const Napi::Object& object)
{
    WidgetNode node;
    node.cls = QString::fromStdString(object.Get("class").As<Napi::String>().Utf8Value());
    node.name = QString::fromStdString(object.Get("name").As<Napi::String>().Utf8Value());
    if (object.Get("accepts").IsBoolean())
        node.accepts = object.Get("accepts").As<Napi::Boolean>().Value();
    if (object.Get("geometry").IsArray()) {
        auto g = object.Get("geometry").As<Napi::Array>();
        node.geometry = QRect(g.Get(0u).As<Napi::Number>().Int32Value(), g.Get(1u).As<Napi::Number>().Int32Value(),
                              g.Get(2u).As<Napi::Number>().Int32Value(), g.Get(3u).As<Napi::Number>().Int32Value());
    }
    if (object.Get("children").IsArray()) {
        auto children = object.Get("children").As<Napi::Array>();
        for (uint32_t i = 0; i < children.Length(); ++i)
            node.children.push_back(readNode(children.Get(i).As<Napi::Object>()));
    }
    return node;
}

QWidget* build(const WidgetNode& node, QWidget* parent)
{
    QWidget* widget = nullptr;
    if (node.cls == QLatin1String("DropView"))
        widget = new DropView(node.accepts, parent);
    else if (node.cls == QLatin1String("HostWebContentsView"))
        widget = new HostWebContentsView(node.accepts, parent);
    else if (node.cls == QLatin1String("HostRenderWidgetHostView"))
        widget = new HostRenderWidgetHostView(node.accepts, parent);
    else
        widget = new PlainView(parent);
    widget->setObjectName(node.name);
    if (node.geometry.isValid())
        widget->setGeometry(node.geometry);
    for (const WidgetNode& child : node.children)
        build(child, widget);
    return widget;
}

/// createWindow(tree, [x, y, width, height]) -> Buffer: a shown window whose content widget is the
/// tree's root; the handle is the root's address.
Napi::Value createWindow(const Napi::CallbackInfo& info)
{
    const WidgetNode node = readNode(info[0].As<Napi::Object>());
    QRect frame(100, 100, 400, 300);
    if (info.Length() > 1 && info[1].IsArray()) {
        auto g = info[1].As<Napi::Array>();
        frame = QRect(g.Get(0u).As<Napi::Number>().Int32Value(), g.Get(1u).As<Napi::Number>().Int32Value(),
                      g.Get(2u).As<Napi::Number>().Int32Value(), g.Get(3u).As<Napi::Number>().Int32Value());
    }
    QWidget* root = nullptr;
    onUiThread([&] {
        root = build(node, nullptr);
        root->setGeometry(frame);
        root->show();
    });
    return handleOf(info.Env(), root);
}

/// createMainWindow() -> Buffer: a shown main window (where a toolbar can go); the handle is the
/// address of its central widget, as the main application's window reports it.
Napi::Value createMainWindow(const Napi::CallbackInfo& info)
{
    QWidget* content = nullptr;
    onUiThread([&] {
        auto* window = new QMainWindow;
        content = new PlainView(window);
        content->setObjectName(QStringLiteral("content"));
        window->setCentralWidget(content);
        window->setGeometry(100, 100, 900, 500);
        window->show();
    });
    return handleOf(info.Env(), content);
}

/// clickInWindow(handle, objectName) -> "action" | "button" | null: triggers the action or clicks
/// the button of that name in the handle's window, as the user would.
Napi::Value clickInWindow(const Napi::CallbackInfo& info)
{
    QWidget* content = widgetOf(info[0]);
    const QString name = QString::fromStdString(info[1].As<Napi::String>().Utf8Value());
    QString what;
    onUiThread([&] {
        QWidget* window = content->window();
        for (auto* button : window->findChildren<QAbstractButton*>(name)) {
            if (button->isVisible() && button->isEnabled()) {
                button->click();
                what = QStringLiteral("button");
                return;
            }
        }
        for (auto* action : window->findChildren<QAction*>(name)) {
            if (action->isEnabled()) {
                action->trigger();
                what = QStringLiteral("action");
                return;
            }
        }
    });
    if (what.isEmpty())
        return info.Env().Null();
    return Napi::String::New(info.Env(), what.toStdString());
}

Napi::Value destroyWindow(const Napi::CallbackInfo& info)
{
    QWidget* root = widgetOf(info[0]);
    onUiThread([root] { delete root->window(); });
    return info.Env().Undefined();
}

Napi::Value takeEvents(const Napi::CallbackInfo& info)
{
    return toArray(info.Env(), EventLog::take());
}

Napi::Value setPointer(const Napi::CallbackInfo& info)
{
    const QPoint at(info[0].As<Napi::Number>().Int32Value(), info[1].As<Napi::Number>().Int32Value());
    onUiThread([at] { QCursor::setPos(at); });
    return info.Env().Undefined();
}

QMenu* openMenu()
{
    return qobject_cast<QMenu*>(QApplication::activePopupWidget());
}

/// popup() -> null or {actions: string[], x, y}: the open popup menu, its entries and its
/// top-left corner on screen.
Napi::Value popup(const Napi::CallbackInfo& info)
{
    Napi::Env env = info.Env();
    bool open = false;
    QStringList actions;
    QPoint at;
    onUiThread([&] {
        if (QMenu* menu = openMenu()) {
            open = true;
            for (QAction* action : menu->actions())
                actions.append(action->text());
            at = menu->pos();
        }
    });
    if (!open)
        return env.Null();
    Napi::Object result = Napi::Object::New(env);
    result.Set("actions", toArray(env, actions));
    result.Set("x", at.x());
    result.Set("y", at.y());
    return result;
}

/// choosePopupAction(text) -> bool: what a click on that entry does (the menu hides first).
Napi::Value choosePopupAction(const Napi::CallbackInfo& info)
{
    const QString text = QString::fromStdString(info[0].As<Napi::String>().Utf8Value());
    bool chosen = false;
    onUiThread([&] {
        QMenu* menu = openMenu();
        if (!menu)
            return;
        for (QAction* action : menu->actions()) {
            if (action->text() == text) {
                menu->hide();
                action->trigger();
                chosen = true;
                return;
            }
        }
    });
    return Napi::Boolean::New(info.Env(), chosen);
}

/// dismissPopup() -> bool: closes the open menu without a choice, as Escape does.
Napi::Value dismissPopup(const Napi::CallbackInfo& info)
{
    bool dismissed = false;
    onUiThread([&] {
        if (QMenu* menu = openMenu()) {
            menu->hide();
            dismissed = true;
        }
    });
    return Napi::Boolean::New(info.Env(), dismissed);
}

/// clipboard() -> {text, urls}
Napi::Value clipboard(const Napi::CallbackInfo& info)
{
    QString text;
    QStringList urls;
    onUiThread([&] {
        const QMimeData* data = QGuiApplication::clipboard()->mimeData();
        if (!data)
            return;
        text = data->text();
        for (const QUrl& url : data->urls())
            urls.append(url.toString());
    });
    Napi::Object result = Napi::Object::New(info.Env());
    result.Set("text", text.toStdString());
    result.Set("urls", toArray(info.Env(), urls));
    return result;
}

/// globalOrigin(handle) -> [x, y]: where the widget's top-left corner is on screen.
Napi::Value globalOrigin(const Napi::CallbackInfo& info)
{
    QWidget* widget = widgetOf(info[0]);
    QPoint at;
    onUiThread([&] { at = widget->mapToGlobal(QPoint(0, 0)); });
    Napi::Array result = Napi::Array::New(info.Env(), 2);
    result.Set(0u, at.x());
    result.Set(1u, at.y());
    return result;
}

/// endProcess(code): ends the process at once, without exit handlers. The UI thread that the
/// process started for Qt is torn down by an exit handler that runs after some of Qt's own
/// statics are gone and then crashes in QApplication's destructor; the test processes end here
/// instead, so that crash (reported to the library's owner) does not hide the tests' results.
Napi::Value endProcess(const Napi::CallbackInfo& info)
{
    const int code = info.Length() > 0 && info[0].IsNumber() ? info[0].As<Napi::Number>().Int32Value() : 0;
    std::fflush(nullptr);
    std::_Exit(code);
}

} // namespace

Napi::Object registerFunctions(Napi::Env env, Napi::Object exports)
{
    exports.Set("fakeTakeCalls", Napi::Function::New(env, fakeTakeCalls));
    exports.Set("fakeFire", Napi::Function::New(env, fakeFire));
    exports.Set("createWindow", Napi::Function::New(env, createWindow));
    exports.Set("createMainWindow", Napi::Function::New(env, createMainWindow));
    exports.Set("clickInWindow", Napi::Function::New(env, clickInWindow));
    exports.Set("destroyWindow", Napi::Function::New(env, destroyWindow));
    exports.Set("takeEvents", Napi::Function::New(env, takeEvents));
    exports.Set("setPointer", Napi::Function::New(env, setPointer));
    exports.Set("popup", Napi::Function::New(env, popup));
    exports.Set("choosePopupAction", Napi::Function::New(env, choosePopupAction));
    exports.Set("dismissPopup", Napi::Function::New(env, dismissPopup));
    exports.Set("clipboard", Napi::Function::New(env, clipboard));
    exports.Set("globalOrigin", Napi::Function::New(env, globalOrigin));
    exports.Set("endProcess", Napi::Function::New(env, endProcess));
    return exports;
}

} // namespace tarnwick::addon::testing

namespace {
Napi::Object initModule(Napi::Env env, Napi::Object exports)
{
    return tarnwick::addon::testing::registerFunctions(env, exports);
}
} // namespace

NODE_API_MODULE(tarnwick_addon_testhost, initModule)
