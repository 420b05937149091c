#include "system/system_info.h"

#include <sys/sysinfo.h>
#include <unistd.h>

#include <charconv>
#include <cmath>
#include <fstream>
#include <map>
#include <sstream>

#include "common/utf.h"

namespace wavelore {

namespace {

std::string_view Trim(std::string_view s) {
    const size_t first = s.find_first_not_of(" \t");
    if (first == std::string_view::npos) {
        return {};
    }
    return s.substr(first, s.find_last_not_of(" \t\r") - first + 1);
}

// "key<tabs>: value" lines of the first processor's block; the first
// occurrence of a key wins.
std::map<std::string, std::string> FirstProcessorFields(const std::string& text) {
    std::map<std::string, std::string> fields;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        if (Trim(line).empty()) {
            if (!fields.empty()) {
                break;
            }
            continue;
        }
        const size_t colon = line.find(':');
        if (colon == std::string::npos) {
            continue;
        }
        fields.emplace(std::string(Trim(std::string_view(line).substr(0, colon))),
                       std::string(Trim(std::string_view(line).substr(colon + 1))));
    }
    return fields;
}

std::string Field(const std::map<std::string, std::string>& fields, const std::string& key) {
    const auto it = fields.find(key);
    return it == fields.end() ? std::string() : it->second;
}

// The form of the processor identifier other systems show for the same
// chip, so logs from different machines compare.
std::string ProcessorIdentifier(const std::map<std::string, std::string>& fields) {
    const std::string family = Field(fields, "cpu family");
    const std::string model = Field(fields, "model");
    const std::string stepping = Field(fields, "stepping");
    if (family.empty() || model.empty() || stepping.empty()) {
        return {};
    }
    const std::string vendor = Field(fields, "vendor_id");
    std::string architecture = "x86";
    if (sizeof(void*) == 8) {
        architecture = vendor == "AuthenticAMD" ? "AMD64" : "Intel64";
    }
    return architecture + " Family " + family + " Model " + model + " Stepping " + stepping;
}

// "2596.150" -> 2596; locale-independent, 0 for anything else.
uint32_t Megahertz(const std::string& text) {
    double mhz = 0.0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), mhz);
    if (ec != std::errc() || end == text.data() || !(mhz > 0.0) || mhz > 4.0e9) {
        return 0;
    }
    return static_cast<uint32_t>(std::lround(mhz));
}

}  // namespace

std::string CProcSystemFacts::CpuInfoText() const {
    std::ifstream in("/proc/cpuinfo");
    if (!in) {
        return {};
    }
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

uint32_t CProcSystemFacts::ProcessorCount() const {
    const long count = sysconf(_SC_NPROCESSORS_ONLN);
    return count > 0 ? static_cast<uint32_t>(count) : 0;
}

uint64_t CProcSystemFacts::TotalMemoryBytes() const {
    struct sysinfo info = {};
    if (sysinfo(&info) != 0) {
        return 0;
    }
    return static_cast<uint64_t>(info.totalram) * (info.mem_unit == 0 ? 1 : info.mem_unit);
}

void CSystemInfo::Collect(const ISystemFacts& facts) {
    const auto fields = FirstProcessorFields(facts.CpuInfoText());
    m_processorName = FromUtf8(Field(fields, "model name"));
    m_vendorId = FromUtf8(Field(fields, "vendor_id"));
    m_processorId = FromUtf8(ProcessorIdentifier(fields));
    m_speedMhz = Megahertz(Field(fields, "cpu MHz"));
    m_processorCount = facts.ProcessorCount();
    m_totalMemory = facts.TotalMemoryBytes();
}

std::u16string CSystemInfo::Report(std::u16string_view title) const {
    std::u16string report(title);
    report += u" - ";
    report += kSiteAddress;
    for (const std::u16string* line : {&m_processorName, &m_vendorId, &m_processorId}) {
        report += u"\r\n";
        report += *line;
    }
    report +=
        FromUtf8("\r\nSpeed: " + std::to_string(m_speedMhz) +
                 " MHz\r\nProcessors: " + std::to_string(m_processorCount) +
                 "\r\nTotal physical memory: " + std::to_string(m_totalMemory) + " bytes\r\n\r\n");
    return report;
}

}  // namespace wavelore
