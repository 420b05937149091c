#include "app/profile_store.h"

#include <limits>
#include <string>

namespace wavelore {

namespace {

std::u16string IntText(int32_t value) {
    const std::string ascii = std::to_string(value);
    return std::u16string(ascii.begin(), ascii.end());
}

}  // namespace

bool ParseWholeNumber(std::u16string_view text, int32_t& out) {
    size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
        negative = text[i] == u'-';
        ++i;
    }
    if (i == text.size()) {
        return false;
    }
    int64_t value = 0;
    for (; i < text.size(); ++i) {
        if (text[i] < u'0' || text[i] > u'9') {
            return false;
        }
        value = value * 10 + (text[i] - u'0');
        if (value > int64_t{std::numeric_limits<int32_t>::max()} + 1) {
            return false;
        }
    }
    value = negative ? -value : value;
    if (value > std::numeric_limits<int32_t>::max()) {
        return false;
    }
    out = static_cast<int32_t>(value);
    return true;
}

std::u16string CMemoryProfileStore::GetString(std::u16string_view section, std::u16string_view name,
                                              std::u16string_view fallback) const {
    const auto it = m_values.find(Key(section, name));
    return it == m_values.end() ? std::u16string(fallback) : it->second;
}

int32_t CMemoryProfileStore::GetInt(std::u16string_view section, std::u16string_view name,
                                    int32_t fallback) const {
    const auto it = m_values.find(Key(section, name));
    int32_t value = 0;
    if (it == m_values.end() || !ParseWholeNumber(it->second, value)) {
        return fallback;
    }
    return value;
}

bool CMemoryProfileStore::WriteString(std::u16string_view section, std::u16string_view name,
                                      std::u16string_view value) {
    m_values[Key(section, name)] = std::u16string(value);
    return true;
}

bool CMemoryProfileStore::WriteInt(std::u16string_view section, std::u16string_view name,
                                   int32_t value) {
    m_values[Key(section, name)] = IntText(value);
    return true;
}

bool CMemoryProfileStore::Contains(std::u16string_view section, std::u16string_view name) const {
    return m_values.count(Key(section, name)) != 0;
}

}  // namespace wavelore
