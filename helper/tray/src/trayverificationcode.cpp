#include "tarnwick/helper/trayverificationcode.h"

#include "tarnwick/rpc/params.h"

namespace tarnwick {

std::optional<TrayVerificationCode> TrayVerificationCode::fromParams(const Object& object, double now)
{
    const std::string* code = params::string(object, "code");
    const std::string* messageId = params::string(object, "messageId");
    const std::string* threadId = params::string(object, "threadId");
    const std::string* accountId = params::string(object, "accountId");
    if (!code || code->empty() || !messageId || !threadId || !accountId)
        return std::nullopt;

    TrayVerificationCode result;
    result.code = *code;
    if (const std::string* s = params::string(object, "service"))
        result.service = *s;
    if (const std::string* s = params::string(object, "subject"))
        result.subject = *s;
    if (const std::string* s = params::string(object, "from"))
        result.from = *s;
    result.messageId = *messageId;
    result.threadId = *threadId;
    result.accountId = *accountId;
    result.receivedAt = now;
    if (const Value* received = params::member(object, "receivedAt")) {
        if (auto d = received->floating())
            result.receivedAt = *d / 1000.0;
        else if (auto i = received->integer())
            result.receivedAt = static_cast<double>(*i) / 1000.0;
    }
    return result;
}

} // namespace tarnwick
