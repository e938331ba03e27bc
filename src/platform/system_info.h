// Figures about this machine for the system report: operating system, processor, memory.
#pragma once
#include <cstdint>
#include <string>

namespace sysinfo {

struct OsVersion {
    std::string name;    // the distribution's name ("Debian GNU/Linux 12 (bookworm)")
    std::string release; // the kernel ("Linux 6.1.0-18-amd64")
    int kernelMajor = 0;
    int kernelMinor = 0;
    int kernelPatch = 0;
};
OsVersion GetOsVersion();

// Vendor and brand texts of the processor (CPUID where the processor has it, else /proc/cpuinfo);
// empty when not known.
void GetCpuTexts(std::string& vendor, std::string& brand);
// The processor's time-stamp clock in Hz, measured against the monotonic clock over `ms`
// milliseconds; where there is no time-stamp counter, the clock the kernel reports (0 when none).
double MeasureCpuClockHz(int ms);

struct Memory {
    std::uint64_t totalPhys = 0;
    std::uint64_t availPhys = 0;
    std::uint64_t totalVirtual = 0; // the process's address space
    std::uint64_t availVirtual = 0;
};
Memory GetMemory();

} // namespace sysinfo
