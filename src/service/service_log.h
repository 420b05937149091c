#pragma once

#include <cstdint>
#include <cstdio>
#include <initializer_list>
#include <mutex>
#include <string>
#include <string_view>
#include <utility>
#include <variant>

namespace wavelore::service {

// Structured log: one JSON object per line ("time", "level", "event" and the
// event's own fields), so journald, a log shipper or jq can read it.
class CServiceLog {
  public:
    enum class Level { Debug, Info, Warning, Error };
    using Value = std::variant<std::string_view, int64_t, double, bool>;
    using Field = std::pair<std::string_view, Value>;

    // out: where lines go (standard error in the program); null for none.
    explicit CServiceLog(std::FILE* out, Level least = Level::Info) : m_out(out), m_least(least) {}

    void SetLeast(Level least) { m_least = least; }
    bool Wants(Level level) const { return m_out != nullptr && level >= m_least; }

    void Write(Level level, std::string_view event, std::initializer_list<Field> fields);

    // "debug", "info", "warning", "error"; false for another name.
    static bool ParseLevel(std::string_view name, Level& level);

  private:
    std::FILE* m_out;
    Level m_least;
    std::mutex m_mutex;
};

}  // namespace wavelore::service
