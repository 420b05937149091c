#include "receiver/cpu_load_monitor.h"

#include <fstream>
#include <sstream>

namespace wavelore {

bool CProcStatTimes::Parse(const std::string& text, uint64_t& idle, uint64_t& total) {
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        std::string name;
        fields >> name;
        if (name != "cpu") {
            continue;
        }
        // user nice system idle iowait irq softirq steal; guest time is
        // already counted in user and nice.
        uint64_t v[8] = {};
        int n = 0;
        while (n < 8 && fields >> v[n]) {
            ++n;
        }
        if (n < 4) {
            return false;
        }
        idle = v[3] + v[4];
        total = 0;
        for (int i = 0; i < n; ++i) {
            total += v[i];
        }
        return true;
    }
    return false;
}

bool CProcStatTimes::Read(uint64_t& idle, uint64_t& total) {
    std::ifstream in(m_path);
    if (!in) {
        return false;
    }
    std::string first;
    std::getline(in, first);
    return Parse(first, idle, total);
}

CCpuLoadMonitor::CCpuLoadMonitor(ICpuTimesSource* source) : m_source(source) {
    if (m_source == nullptr) {
        m_ownSource = std::make_unique<CProcStatTimes>();
        m_source = m_ownSource.get();
    }
}

int32_t CCpuLoadMonitor::Sample() {
    uint64_t idle = 0;
    uint64_t total = 0;
    if (!m_source->Read(idle, total)) {
        return -1;
    }
    if (m_firstCall) {
        m_firstCall = false;
        m_previousIdle = idle;
        m_previousTotal = total;
        m_previousLoad = 0;
        return 0;
    }
    // Signed differences: some kernels let iowait step backwards.
    const double dIdle = static_cast<double>(static_cast<int64_t>(idle - m_previousIdle));
    const double dTotal = static_cast<double>(static_cast<int64_t>(total - m_previousTotal));
    if (dTotal <= 0) {
        return m_previousLoad;
    }
    double load = (1.0 - dIdle / dTotal) * 100.0 + 0.5;
    int32_t percent = load < 0 ? 0 : load > 100 ? 100 : static_cast<int32_t>(load);
    m_previousIdle = idle;
    m_previousTotal = total;
    m_previousLoad = percent;
    return percent;
}

}  // namespace wavelore
