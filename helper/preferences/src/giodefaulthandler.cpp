#include <gio/gdesktopappinfo.h>
#include <gio/gio.h>

#include <filesystem>
#include <memory>

#include "tarnwick/helper/defaulthandler.h"
#include "tarnwick/platform/qtmainqueue.h"
#include "tarnwick/rpc/helperlog.h"

namespace tarnwick {

namespace {

constexpr std::string_view kCategory = "Defaults";

struct GObjectUnref {
    void operator()(gpointer object) const { g_object_unref(object); }
};
template <typename T>
using GPtr = std::unique_ptr<T, GObjectUnref>;

// The same file, however the two paths spell it.
bool samePath(const std::filesystem::path& a, const std::filesystem::path& b)
{
    std::error_code ec;
    const auto ca = std::filesystem::weakly_canonical(a, ec);
    if (ec)
        return false;
    const auto cb = std::filesystem::weakly_canonical(b, ec);
    return !ec && ca == cb;
}

std::optional<std::filesystem::path> desktopFile(GAppInfo* app)
{
    if (!G_IS_DESKTOP_APP_INFO(app))
        return std::nullopt;
    const char* file = g_desktop_app_info_get_filename(G_DESKTOP_APP_INFO(app));
    if (!file)
        return std::nullopt;
    return std::filesystem::path(file);
}

std::string desktopEntryFileName()
{
    return std::string(BundleIdentity::desktopEntryId) + ".desktop";
}

// The program an entry's Exec line starts, as written; empty when the entry names none.
std::string execProgram(const std::filesystem::path& entry)
{
    GKeyFile* file = g_key_file_new();
    std::string program;
    if (g_key_file_load_from_file(file, entry.c_str(), G_KEY_FILE_NONE, nullptr)) {
        gchar* exec = g_key_file_get_string(file, G_KEY_FILE_DESKTOP_GROUP, G_KEY_FILE_DESKTOP_KEY_EXEC, nullptr);
        gint argc = 0;
        gchar** argv = nullptr;
        if (exec && g_shell_parse_argv(exec, &argc, &argv, nullptr) && argc > 0)
            program = argv[0];
        g_strfreev(argv);
        g_free(exec);
    }
    g_key_file_free(file);
    return program;
}

// Why the desktop could not register and start the installed entry, or nothing when it can.
// mimeapps.list names applications by desktop id, which the desktop resolves through the XDG data
// directories. When that id leads elsewhere (the prefix is not among them, or another file shadows
// the entry), a claim would register something other than this product; and GIO silently ignores
// an entry whose program it cannot find, so claiming it would leave mail links with no reader.
std::optional<std::string> claimProblemOf(const BundleIdentity& identity)
{
    GPtr<GDesktopAppInfo> own(g_desktop_app_info_new_from_filename(identity.desktopEntry.c_str()));
    if (!own) {
        const std::string program = execProgram(identity.desktopEntry);
        if (program.empty())
            return "The desktop cannot read " + identity.desktopEntry.string();
        return "The desktop cannot start Tarnwick: its program " + program + " is missing";
    }
    const std::string id = desktopEntryFileName();
    GPtr<GDesktopAppInfo> app(g_desktop_app_info_new(id.c_str()));
    if (!app) {
        return "The desktop does not know " + id + "; add " + (identity.prefix / "share").string() +
               " to XDG_DATA_DIRS";
    }
    const auto found = desktopFile(G_APP_INFO(app.get()));
    if (!found || !samePath(*found, identity.desktopEntry))
        return "The desktop finds " + id + " at " + (found ? found->string() : std::string("an unknown place")) +
               ", not in the installed application";
    return std::nullopt;
}

// Registers the product's entry as the handler; nothing on success, else the reason.
std::optional<std::string> setDefault(const BundleIdentity& identity, DefaultHandler::Target target)
{
    if (auto problem = claimProblemOf(identity))
        return problem;
    GPtr<GDesktopAppInfo> app(g_desktop_app_info_new(desktopEntryFileName().c_str()));
    if (!app)
        return "The desktop no longer knows " + desktopEntryFileName();
    const std::string type = "x-scheme-handler/" + std::string(DefaultHandler::rawValue(target));
    GError* error = nullptr;
    if (!g_app_info_set_as_default_for_type(G_APP_INFO(app.get()), type.c_str(), &error)) {
        std::string message = error && error->message ? error->message : "unknown error";
        g_clear_error(&error);
        return message;
    }
    return std::nullopt;
}

} // namespace

std::string_view DefaultHandler::rawValue(Target target)
{
    switch (target) {
    case Target::mailto: return "mailto";
    }
    return "mailto";
}

DefaultHandler& DefaultHandler::system()
{
    static QtMainQueue* mainQueue = new QtMainQueue;
    static GioDefaultHandler* handler = new GioDefaultHandler(*mainQueue);
    return *handler;
}

GioDefaultHandler::GioDefaultHandler(MainQueue& mainQueue, IdentityLookup identity)
    : m_mainQueue(mainQueue)
    , m_identity(std::move(identity))
{
}

bool GioDefaultHandler::canClaim() const
{
    const auto identity = m_identity();
    return identity && !claimProblemOf(*identity);
}

std::optional<std::string> GioDefaultHandler::claimProblem() const
{
    const auto identity = m_identity();
    if (!identity)
        return std::nullopt;
    return claimProblemOf(*identity);
}

std::optional<DefaultHandler::Current> GioDefaultHandler::current(Target target) const
{
    const std::string scheme(rawValue(target));
    GPtr<GAppInfo> app(g_app_info_get_default_for_uri_scheme(scheme.c_str()));
    if (!app)
        return std::nullopt;
    Current current;
    if (const char* name = g_app_info_get_display_name(app.get()))
        current.displayName = name;
    const auto identity = m_identity();
    const auto file = desktopFile(app.get());
    current.isThisProduct = identity && file && samePath(*file, identity->desktopEntry);
    return current;
}

void GioDefaultHandler::claim(Target target, Completion completion)
{
    const auto identity = m_identity();
    if (!identity) {
        completion(std::string(kNotInstalled));
        return;
    }
    HelperLog::info(kCategory, "Claiming mailto: for " + identity->desktopEntry.filename().string());
    // Writing mimeapps.list is one small local file; GIO does it synchronously.
    auto failure = setDefault(*identity, target);
    m_mainQueue.post([completion = std::move(completion), failure = std::move(failure)] {
        if (failure)
            HelperLog::warn(kCategory, "Claim failed: " + *failure);
        completion(failure);
    });
}

} // namespace tarnwick
