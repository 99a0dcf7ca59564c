// The extension kit's parsers of outside files: focus-filter.json and accounts.json, plus the log
// redaction that runs over every message (addresses, links).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "tarnwick/extensionkit/accountquery.h"
#include "tarnwick/extensionkit/extensionlogger.h"
#include "tarnwick/extensionkit/focusfilterfile.h"
#include "tarnwick/extensionkit/shareextensionlogger.h"
#include "tarnwick/platform/fakesystempaths.h"

using namespace tarnwick;

namespace {

class NullSystemLog final : public SystemLog {
public:
    void write(Level, std::string_view, std::string_view) override {}
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static FakeSystemPaths paths = [] {
        FakeSystemPaths p;
        p.realHome = "/home/fuzz";
        p.processHome = "/home/fuzz/sandbox";
        return p;
    }();
    static NullSystemLog systemLog;
    static ExtensionLogger logger(ShareExtensionLogger::config(), paths, systemLog);
    const std::string_view text(reinterpret_cast<const char*>(data), size);

    if (const auto state = FocusFilterFile::decode(text)) {
        // What we read, we write and read back the same (ids are strings of parsed JSON, so UTF-8).
        const auto back = FocusFilterFile::decode(FocusFilterFile::encode(*state, 1.5));
        if (!back || *back != *state)
            std::abort();
    }
    (void)AccountQuery::decode(text);
    const std::string redacted = logger.redactText(text);
    if (redacted.find("/home/fuzz/") != std::string::npos)
        std::abort();
    (void)logger.redactUrl(text);
    (void)ExtensionLogger::formatLine("t", ExtensionLogger::Level::Info, "ShareExtension", text);
    return 0;
}
