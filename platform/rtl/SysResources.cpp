#include "SysResources.h"

#include <sys/sysinfo.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <mutex>

namespace vcl {

namespace {

std::mutex ProviderLock;
TMemoryStatusProvider Provider;

std::atomic<uint32_t> Counts[2];

bool ReadProcMeminfo(uint64_t& Total, uint64_t& Available) {
    FILE* f = std::fopen("/proc/meminfo", "r");
    if (!f) return false;
    char line[256];
    uint64_t total = 0, avail = 0;
    bool haveTotal = false, haveAvail = false;
    while (std::fgets(line, sizeof line, f)) {
        unsigned long long kb = 0;
        if (std::sscanf(line, "MemTotal: %llu kB", &kb) == 1) {
            total = kb * 1024;
            haveTotal = true;
        } else if (std::sscanf(line, "MemAvailable: %llu kB", &kb) == 1) {
            avail = kb * 1024;
            haveAvail = true;
        }
    }
    std::fclose(f);
    if (!haveTotal || !haveAvail || total == 0) return false;
    Total = total;
    Available = avail;
    return true;
}

bool ReadSysinfo(uint64_t& Total, uint64_t& Available) {
    struct sysinfo si;
    if (sysinfo(&si) != 0 || si.totalram == 0) return false;
    Total = static_cast<uint64_t>(si.totalram) * si.mem_unit;
    Available = (static_cast<uint64_t>(si.freeram) + si.bufferram) * si.mem_unit;
    return true;
}

}  // namespace

bool GetMemoryStatus(uint64_t& Total, uint64_t& Available) {
    {
        std::lock_guard<std::mutex> g(ProviderLock);
        if (Provider) return Provider(Total, Available);
    }
    return ReadProcMeminfo(Total, Available) || ReadSysinfo(Total, Available);
}

void SetMemoryStatusProvider(TMemoryStatusProvider P) {
    std::lock_guard<std::mutex> g(ProviderLock);
    Provider = std::move(P);
}

void AddResourceObject(TResourceTable Table) { Counts[Table].fetch_add(1, std::memory_order_relaxed); }

void RemoveResourceObject(TResourceTable Table) {
    uint32_t cur = Counts[Table].load(std::memory_order_relaxed);
    while (cur > 0 && !Counts[Table].compare_exchange_weak(cur, cur - 1, std::memory_order_relaxed)) {
    }
}

uint32_t ResourceObjectCount(TResourceTable Table) { return Counts[Table].load(std::memory_order_relaxed); }

uint16_t ResourceTableFreePercent(TResourceTable Table) {
    const uint32_t used = ResourceObjectCount(Table);
    if (used >= ResourceTableCapacity) return 0;
    return static_cast<uint16_t>((uint64_t{ResourceTableCapacity - used} * 100) / ResourceTableCapacity);
}

}  // namespace vcl
