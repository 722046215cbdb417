// The page's replies: JSON objects made with nlohmann's library, as the language server's
// messages are, their members in the order they were set.
#pragma once

#include <string>

#include <nlohmann/json.hpp>

using Reply = nlohmann::ordered_json;

// The reply as text. A program may write bytes that are not UTF-8; they become U+FFFD, as the
// page's decoder would make them, instead of failing the reply.
inline std::string replyText(const Reply& reply) {
    return reply.dump(-1, ' ', false, Reply::error_handler_t::replace);
}
