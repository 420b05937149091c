#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <utility>

namespace wavelore {

// The user's settings profile: strings and integers by section and name.
// Every part reads and writes its settings through this and nothing else.
class IProfileStore {
  public:
    virtual ~IProfileStore() = default;
    // The stored text, or fallback when the value does not exist.
    virtual std::u16string GetString(std::u16string_view section, std::u16string_view name,
                                     std::u16string_view fallback) const = 0;
    // The stored integer, or fallback when the value does not exist or does
    // not hold a whole number.
    virtual int32_t GetInt(std::u16string_view section, std::u16string_view name,
                           int32_t fallback) const = 0;
    // False when the value could not be stored.
    virtual bool WriteString(std::u16string_view section, std::u16string_view name,
                             std::u16string_view value) = 0;
    virtual bool WriteInt(std::u16string_view section, std::u16string_view name, int32_t value) = 0;
};

// A profile held in memory: for tests, and for runs that must not touch the
// user's profile.
class CMemoryProfileStore final : public IProfileStore {
  public:
    std::u16string GetString(std::u16string_view section, std::u16string_view name,
                             std::u16string_view fallback) const override;
    int32_t GetInt(std::u16string_view section, std::u16string_view name,
                   int32_t fallback) const override;
    bool WriteString(std::u16string_view section, std::u16string_view name,
                     std::u16string_view value) override;
    bool WriteInt(std::u16string_view section, std::u16string_view name, int32_t value) override;

    bool Contains(std::u16string_view section, std::u16string_view name) const;
    // Number of values written so far, to see that nothing was saved.
    size_t Size() const { return m_values.size(); }

  private:
    using Key = std::pair<std::u16string, std::u16string>;
    std::map<Key, std::u16string> m_values;
};

// Whole-number text to integer for integer reads: optional sign and decimal
// digits, nothing else; false for anything else or a value out of range.
bool ParseWholeNumber(std::u16string_view text, int32_t& out);

}  // namespace wavelore
