#include "common/user_text.h"

namespace wavelore {

std::u16string FillUserText(std::u16string_view format, const std::vector<std::u16string>& args) {
    std::u16string out;
    out.reserve(format.size());
    for (size_t i = 0; i < format.size(); ++i) {
        const char16_t c = format[i];
        if (c != u'%' || i + 1 == format.size()) {
            out += c;
            continue;
        }
        const char16_t next = format[i + 1];
        if (next >= u'1' && next <= u'9' && static_cast<size_t>(next - u'1') < args.size()) {
            out += args[static_cast<size_t>(next - u'1')];
            ++i;
        } else {
            out += c;
        }
    }
    return out;
}

}  // namespace wavelore
