#include <gtest/gtest.h>

#include <string>

#include "support/fixtures.h"
#include "system/system_info.h"

namespace wavelore {
namespace {

class CFixedFacts final : public ISystemFacts {
  public:
    std::string cpuInfo;
    uint32_t processors = 0;
    uint64_t memory = 0;
    std::string CpuInfoText() const override { return cpuInfo; }
    uint32_t ProcessorCount() const override { return processors; }
    uint64_t TotalMemoryBytes() const override { return memory; }
};

TEST(SystemInfo, ReportLinesFromTheFirstProcessor) {
    CFixedFacts facts;
    facts.cpuInfo =
        "processor\t: 0\nvendor_id\t: AuthenticAMD\ncpu family\t: 25\nmodel\t\t: 17\n"
        "model name\t: AMD EPYC 9254\nstepping\t: 1\ncpu MHz\t\t: 2596.650\n\n"
        "processor\t: 1\nvendor_id\t: Other\nmodel name\t: Second\n";
    facts.processors = 2;
    facts.memory = 8ull << 30;
    CSystemInfo info;
    info.Collect(facts);
    EXPECT_EQ(
        test::Narrow(info.Report(u"Tarvolt Wavelore v2.1.2")),
        "Tarvolt Wavelore v2.1.2 - http://www.wavelore.example/\r\n"
        "AMD EPYC 9254\r\nAuthenticAMD\r\nAMD64 Family 25 Model 17 Stepping 1\r\n"
        "Speed: 2597 MHz\r\nProcessors: 2\r\nTotal physical memory: 8589934592 bytes\r\n\r\n");
}

TEST(SystemInfo, WhatCannotBeReadStaysEmpty) {
    CFixedFacts facts;
    facts.cpuInfo = "processor\t: 0\nvendor_id\t: GenuineIntel\ncpu MHz\t\t: fast\n";
    CSystemInfo info;
    info.Collect(facts);
    // No model name: an empty line 2; no family/model/stepping: empty line 4.
    EXPECT_EQ(test::Narrow(info.Report(u"T")),
              "T - http://www.wavelore.example/\r\n\r\nGenuineIntel\r\n\r\n"
              "Speed: 0 MHz\r\nProcessors: 0\r\nTotal physical memory: 0 bytes\r\n\r\n");
    // The running machine has at least these.
    CSystemInfo here;
    here.Collect(CProcSystemFacts());
    EXPECT_GE(here.ProcessorCount(), 1u);
    EXPECT_GT(here.TotalMemoryBytes(), 0u);
}

}  // namespace
}  // namespace wavelore
