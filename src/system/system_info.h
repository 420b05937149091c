#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace wavelore {

// Where the facts about the machine come from: the running system, or a
// test's invented one.
class ISystemFacts {
  public:
    virtual ~ISystemFacts() = default;
    // The text of /proc/cpuinfo; empty when it cannot be read.
    virtual std::string CpuInfoText() const = 0;
    // Processors online; 0 when unknown.
    virtual uint32_t ProcessorCount() const = 0;
    // Bytes of physical memory; 0 when unknown.
    virtual uint64_t TotalMemoryBytes() const = 0;
};

// The running machine: /proc/cpuinfo, sysconf and sysinfo.
class CProcSystemFacts final : public ISystemFacts {
  public:
    std::string CpuInfoText() const override;
    uint32_t ProcessorCount() const override;
    uint64_t TotalMemoryBytes() const override;
};

// A few facts about the computer, gathered once at start-up and put at the
// head of the decoded text, so the raw log says which program version ran on
// which processor. Every fact that cannot be read stays empty or 0.
class CSystemInfo {
  public:
    // The program's web site, named on the first line of the report.
    static constexpr std::u16string_view kSiteAddress = u"http://www.wavelore.example/";

    void Collect(const ISystemFacts& facts);

    const std::u16string& ProcessorName() const { return m_processorName; }
    const std::u16string& VendorId() const { return m_vendorId; }
    // "AMD64 Family 25 Model 17 Stepping 1" and the like.
    const std::u16string& ProcessorId() const { return m_processorId; }
    uint32_t SpeedMhz() const { return m_speedMhz; }
    uint32_t ProcessorCount() const { return m_processorCount; }
    uint64_t TotalMemoryBytes() const { return m_totalMemory; }

    // The start-up report, lines ended by CR LF: "<title> - <site>", the
    // processor name, vendor and identifier, "Speed: N MHz",
    // "Processors: N", "Total physical memory: N bytes" and an empty line.
    std::u16string Report(std::u16string_view title) const;

  private:
    std::u16string m_processorName;
    std::u16string m_vendorId;
    std::u16string m_processorId;
    uint32_t m_speedMhz = 0;
    uint32_t m_processorCount = 0;
    uint64_t m_totalMemory = 0;
};

}  // namespace wavelore
