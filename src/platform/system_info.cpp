#include "platform/system_info.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sys/resource.h>
#include <sys/utsname.h>
#include <thread>

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#include <x86intrin.h>
#define M4_HAVE_X86 1
#endif

namespace sysinfo {
namespace {

// The value of "key<sep>value" lines of a text file; empty when missing.
std::string FileValue(const char* file, const std::string& key, char sep) {
    std::ifstream in(file);
    std::string line;
    while (std::getline(in, line)) {
        const size_t at = line.find(sep);
        if (at == std::string::npos) continue;
        std::string k = line.substr(0, at);
        while (!k.empty() && (k.back() == ' ' || k.back() == '\t'))
            k.pop_back();
        if (k != key) continue;
        std::string v = line.substr(at + 1);
        while (!v.empty() && (v.front() == ' ' || v.front() == '\t'))
            v.erase(v.begin());
        if (v.size() >= 2 && v.front() == '"' && v.back() == '"') v = v.substr(1, v.size() - 2);
        return v;
    }
    return {};
}

std::uint64_t KiloBytes(const char* file, const char* key) {
    const std::string v = FileValue(file, key, ':');
    return v.empty() ? 0 : std::strtoull(v.c_str(), nullptr, 10) * 1024;
}

} // namespace

OsVersion GetOsVersion() {
    OsVersion os;
    os.name = FileValue("/etc/os-release", "PRETTY_NAME", '=');
    struct utsname u;
    if (uname(&u) == 0) {
        os.release = std::string(u.sysname) + " " + u.release;
        std::sscanf(u.release, "%d.%d.%d", &os.kernelMajor, &os.kernelMinor, &os.kernelPatch);
    }
    return os;
}

void GetCpuTexts(std::string& vendor, std::string& brand) {
    vendor.clear();
    brand.clear();
#ifdef M4_HAVE_X86
    unsigned a = 0, b = 0, c = 0, d = 0;
    if (__get_cpuid(0, &a, &b, &c, &d)) {
        char v[13] = {};
        std::memcpy(v, &b, 4);
        std::memcpy(v + 4, &d, 4);
        std::memcpy(v + 8, &c, 4);
        vendor = v;
    }
    if (__get_cpuid(0x80000000, &a, &b, &c, &d) && a >= 0x80000004) {
        char text[49] = {};
        for (unsigned leaf = 0; leaf < 3; ++leaf) {
            unsigned r[4];
            __get_cpuid(0x80000002 + leaf, &r[0], &r[1], &r[2], &r[3]);
            std::memcpy(text + 16 * leaf, r, 16);
        }
        brand = text;
    }
#endif
    if (vendor.empty()) vendor = FileValue("/proc/cpuinfo", "vendor_id", ':');
    if (brand.empty()) brand = FileValue("/proc/cpuinfo", "model name", ':');
}

double MeasureCpuClockHz(int ms) {
#ifdef M4_HAVE_X86
    using Clock = std::chrono::steady_clock;
    const auto t0 = Clock::now();
    const unsigned long long c0 = __rdtsc();
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    const unsigned long long c1 = __rdtsc();
    const double seconds = std::chrono::duration<double>(Clock::now() - t0).count();
    return seconds > 0 ? static_cast<double>(c1 - c0) / seconds : 0.0;
#else
    (void)ms;
    const std::string mhz = FileValue("/proc/cpuinfo", "cpu MHz", ':');
    return mhz.empty() ? 0.0 : std::strtod(mhz.c_str(), nullptr) * 1e6;
#endif
}

Memory GetMemory() {
    Memory m;
    m.totalPhys = KiloBytes("/proc/meminfo", "MemTotal");
    m.availPhys = KiloBytes("/proc/meminfo", "MemAvailable");
    struct rlimit lim;
    if (getrlimit(RLIMIT_AS, &lim) == 0 && lim.rlim_cur != RLIM_INFINITY)
        m.totalVirtual = lim.rlim_cur;
    else
        m.totalVirtual = std::uint64_t(1)
                         << (sizeof(void*) == 8 ? 47 : 31); // the user part of the address space
    const std::uint64_t used = KiloBytes("/proc/self/status", "VmSize");
    m.availVirtual = used < m.totalVirtual ? m.totalVirtual - used : 0;
    return m;
}

} // namespace sysinfo
