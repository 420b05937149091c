#include "service/service_log.h"

#include <chrono>
#include <cstdio>

#include "service/json_writer.h"
#include "service/service_time.h"

namespace wavelore::service {

namespace {

std::string_view LevelName(CServiceLog::Level level) {
    switch (level) {
        case CServiceLog::Level::Debug:
            return "debug";
        case CServiceLog::Level::Info:
            return "info";
        case CServiceLog::Level::Warning:
            return "warning";
        case CServiceLog::Level::Error:
            break;
    }
    return "error";
}

}  // namespace

bool CServiceLog::ParseLevel(std::string_view name, Level& level) {
    for (Level l : {Level::Debug, Level::Info, Level::Warning, Level::Error}) {
        if (name == LevelName(l)) {
            level = l;
            return true;
        }
    }
    return false;
}

void CServiceLog::Write(Level level, std::string_view event, std::initializer_list<Field> fields) {
    if (!Wants(level)) {
        return;
    }
    const auto now = std::chrono::system_clock::now().time_since_epoch();
    const int64_t ms = std::chrono::duration_cast<std::chrono::milliseconds>(now).count();
    std::string time = IsoTime(ms / 1000);
    char fraction[8];
    std::snprintf(fraction, sizeof fraction, ".%03dZ", static_cast<int>(ms % 1000));
    time.replace(time.size() - 1, 1, fraction);

    CJsonWriter json;
    json.BeginObject().Key("time").String(time).Key("level").String(LevelName(level));
    json.Key("event").String(event);
    for (const auto& [key, value] : fields) {
        json.Key(key);
        std::visit(
            [&json](const auto& v) {
                using T = std::decay_t<decltype(v)>;
                if constexpr (std::is_same_v<T, std::string_view>) {
                    json.String(v);
                } else if constexpr (std::is_same_v<T, int64_t>) {
                    json.Int(v);
                } else if constexpr (std::is_same_v<T, double>) {
                    json.Real(v);
                } else {
                    json.Bool(v);
                }
            },
            value);
    }
    json.EndObject();
    std::lock_guard<std::mutex> lock(m_mutex);
    std::fputs(json.Text().c_str(), m_out);
    std::fputc('\n', m_out);
    std::fflush(m_out);
}

}  // namespace wavelore::service
