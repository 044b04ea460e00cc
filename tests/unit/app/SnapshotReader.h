#pragma once

#include <string>

#include <string_view>
#include <rapidjson/document.h>

namespace brimble::test {

// The snapshot a page drew, from the fake page's render script: the JSON it fetched.
inline rapidjson::Document snapshotOf(const std::string& script)
{
    static constexpr std::string_view render = "window.__pr2clip && window.__pr2clip.render(";
    rapidjson::Document document;
    if (!script.starts_with(render) || !script.ends_with(")"))
        return document;
    document.Parse(script.data() + render.size(), script.size() - render.size() - 1);
    return document;
}

} // namespace brimble::test
