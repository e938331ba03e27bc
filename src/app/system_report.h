// The description of the machine that start-up writes to the report log.
#pragma once
#include <cstdint>

// Appends the "OS", "CPU", "Mem", "Vir" and "HD Free" lines to the report log; false when the log
// cannot be opened. Takes about a second (the processor clock is measured).
bool SystemReport();

// Writes "<name> <kernel> PID <platform> Build <build>" into out (when given; 256 bytes are enough)
// and the version this platform stands for into major and minor (when given). Returns the length
// of the text. The platform counts as version 6.1, the newest version the system tells apart.
int GetOsName(char* out, int* major, int* minor);
// True when the platform's version is above major, or equal to major with a minor not below minor.
bool IsOsVersionAtLeast(int major, int minor);

struct CpuInfo {
    char szBrand[256] = {};
    char szVendor[256] = {};
    double dClock = 0; // Hz
};
void GetCpuInfo(CpuInfo& info);

// Bytes free for the caller on the working folder's disk; 0x7FFFFFFF when they do not fit in 31
// bits, 0 when unknown.
std::uint32_t GetDiskFreeBytes();
