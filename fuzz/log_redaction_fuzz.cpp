// The helper log's treatment of outside text: address redaction, control-character escaping, the
// bound on quoted values, and the record they end in. Whatever the input, a record is one line, no
// address survives redaction, and a bounded value is a prefix of the text within its bound.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "tarnwick/rpc/helperlog.h"
#include "tarnwick/rpc/logredaction.h"

using namespace tarnwick;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);

    const std::string redacted = redactEmailAddresses(text);
    // Redacting leaves nothing more to redact.
    if (redactEmailAddresses(redacted) != redacted)
        std::abort();

    const std::string escaped = escapeControlCharacters(text);
    for (unsigned char c : escaped)
        if (c < 0x20 || c == 0x7f)
            std::abort();

    const std::size_t bound = size % 97;
    const std::string cut = boundForLog(text, bound);
    if (text.size() <= bound) {
        if (cut != text)
            std::abort();
    } else {
        static constexpr std::string_view kEllipsis = "\xE2\x80\xA6";
        if (cut.size() > bound + kEllipsis.size() || !cut.ends_with(kEllipsis) ||
            text.substr(0, cut.size() - kEllipsis.size()) != std::string_view(cut).substr(0, cut.size() - kEllipsis.size()))
            std::abort();
    }

    const std::string record = HelperLog::formatRecord(HelperLog::Level::Warn, "Fuzz", redacted);
    if (record.empty() || record.back() != '\n' || record.find('\n') != record.size() - 1)
        std::abort();
    return 0;
}
