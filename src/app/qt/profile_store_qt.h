#pragma once

#include <filesystem>
#include <memory>

#include "app/profile_store.h"

namespace wavelore {

// The profile in the platform's native settings store: the registry on
// Windows, an INI file under the user's configuration directory on Linux
// (~/.config/Tarvolt/Wavelore.conf unless XDG_CONFIG_HOME says otherwise).
class CQtProfileStore final : public IProfileStore {
  public:
    static constexpr const char* kOrganisation = "Tarvolt";
    static constexpr const char* kApplication = "Wavelore";

    CQtProfileStore();
    // A profile kept in the given INI file instead (tests, portable set-ups).
    explicit CQtProfileStore(const std::filesystem::path& iniFile);
    ~CQtProfileStore() override;
    CQtProfileStore(const CQtProfileStore&) = delete;
    CQtProfileStore& operator=(const CQtProfileStore&) = delete;

    std::u16string GetString(std::u16string_view section, std::u16string_view name,
                             std::u16string_view fallback) const override;
    int32_t GetInt(std::u16string_view section, std::u16string_view name,
                   int32_t fallback) const override;
    bool WriteString(std::u16string_view section, std::u16string_view name,
                     std::u16string_view value) override;
    bool WriteInt(std::u16string_view section, std::u16string_view name, int32_t value) override;

    // Where the values are kept (file name or registry key), for messages.
    std::u16string Location() const;

  private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

}  // namespace wavelore
