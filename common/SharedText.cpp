#include "common/SharedText.h"

#include <ostream>

namespace brimble {

const std::string SharedText::empty_;

SharedText::SharedText(std::string text)
{
    // An empty text needs no buffer of its own.
    if (!text.empty())
        text_ = std::make_shared<const std::string>(std::move(text));
}

SharedText::SharedText(const char* text)
    : SharedText(std::string(text ? text : ""))
{
}

SharedText& SharedText::operator=(std::string text)
{
    *this = SharedText(std::move(text));
    return *this;
}

SharedText& SharedText::operator=(const char* text)
{
    *this = SharedText(text);
    return *this;
}

std::ostream& operator<<(std::ostream& out, const SharedText& text)
{
    return out << text.str();
}

} // namespace brimble
