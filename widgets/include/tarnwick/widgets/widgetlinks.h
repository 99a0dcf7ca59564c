#pragma once

// The tarnwick:// links the widgets open. Ids are appended exactly as they are, unencoded.

#include <string>
#include <string_view>

namespace tarnwick::widgetlinks {

std::string inbox();                                                   ///< "tarnwick://inbox"
std::string inbox(std::string_view accountId);                         ///< "tarnwick://inbox?account=" + id
std::string compose();                                                 ///< "tarnwick://compose"
std::string compose(std::string_view accountId);                       ///< "tarnwick://compose?account=" + id
std::string thread(std::string_view threadId, std::string_view accountId); ///< "tarnwick://thread/" + t + "?account=" + a

} // namespace tarnwick::widgetlinks
