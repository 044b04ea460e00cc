#pragma once

#include <string>

#include <glib.h>
#include <rapidjson/document.h>

namespace brimble::test {

// The snapshot inside a state script, as the page decodes it: the Base64 between the quotes.
inline rapidjson::Document snapshotOf(const std::string& script)
{
    rapidjson::Document document;
    const size_t open = script.find("decode('");
    const size_t close = script.rfind("')");
    if (open == std::string::npos || close == std::string::npos || close < open)
        return document;
    const std::string encoded = script.substr(open + 8, close - open - 8);
    gsize length = 0;
    g_autofree guchar* bytes = g_base64_decode(encoded.c_str(), &length);
    document.Parse(reinterpret_cast<const char*>(bytes), length);
    return document;
}

} // namespace brimble::test
