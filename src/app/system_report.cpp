#include "app/system_report.h"

#include "app/log.h"
#include "platform/file_system.h"
#include "platform/system_info.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace {

constexpr int OS_MAJOR = 6;
constexpr int OS_MINOR = 1;
constexpr int OS_PLATFORM_ID = 2;

// Byte counts become megabytes through the single-precision constant 1/1,048,576.
double ToMegaBytes(std::uint64_t bytes) {
    return static_cast<float>(bytes) * 9.536743e-7f;
}

} // namespace

int GetOsName(char* out, int* major, int* minor) {
    const sysinfo::OsVersion os = sysinfo::GetOsVersion();
    char text[256];
    std::snprintf(text, sizeof text, "%s %s PID %d Build %d", os.name.c_str(), os.release.c_str(),
                  OS_PLATFORM_ID, os.kernelMajor * 10000 + os.kernelMinor * 100 + os.kernelPatch);
    if (out) std::strcpy(out, text);
    if (major) *major = OS_MAJOR;
    if (minor) *minor = OS_MINOR;
    return static_cast<int>(std::strlen(text));
}

bool IsOsVersionAtLeast(int major, int minor) {
    int ma = 0, mi = 0;
    GetOsName(nullptr, &ma, &mi);
    return ma > major || (ma == major && mi >= minor);
}

void GetCpuInfo(CpuInfo& info) {
    std::string vendor, brand;
    sysinfo::GetCpuTexts(vendor, brand);
    std::snprintf(info.szVendor, sizeof info.szVendor, "%s", vendor.c_str());
    std::snprintf(info.szBrand, sizeof info.szBrand, "%s", brand.c_str());
    // A short measurement is enough for the report and keeps start-up quick.
    info.dClock = sysinfo::MeasureCpuClockHz(20);
}

std::uint32_t GetDiskFreeBytes() {
    const std::uint64_t bytes = fsys::FreeBytes(".");
    return bytes > 0x7FFFFFFFu ? 0x7FFFFFFFu : static_cast<std::uint32_t>(bytes);
}

bool SystemReport() {
    char os[256];
    GetOsName(os, nullptr, nullptr);
    if (!Report("OS : %s", os)) return false;
    CpuInfo cpu;
    GetCpuInfo(cpu);
    Report("CPU : %s %s %d", cpu.szVendor, cpu.szBrand, static_cast<int>(cpu.dClock * 0.000001));
    const sysinfo::Memory mem = sysinfo::GetMemory();
    Report("Mem Total : %.3fMB", ToMegaBytes(mem.totalPhys));
    Report("Mem Free : %3.fMB", ToMegaBytes(mem.availPhys));
    Report("Vir Total : %.3fMB", ToMegaBytes(mem.totalVirtual));
    Report("Vir Free : %3.fMB", ToMegaBytes(mem.availVirtual));
    Report("HD Free : %3.fMB", ToMegaBytes(GetDiskFreeBytes()));
    return true;
}
