// SysResources.h - the system's memory figures and the platform's own
// object tables, the sources of the free-resource percentages.
#pragma once

#include <cstdint>
#include <functional>

namespace vcl {

// Total and available physical memory in bytes, from the kernel
// (/proc/meminfo, MemAvailable; sysinfo() where that is missing).  False when
// neither can be read.
bool GetMemoryStatus(uint64_t& Total, uint64_t& Available);

// Replaces the kernel as the source of GetMemoryStatus (tests); an empty
// function restores the kernel.
using TMemoryStatusProvider = std::function<bool(uint64_t& Total, uint64_t& Available)>;
void SetMemoryStatusProvider(TMemoryStatusProvider Provider);

// The platform's object tables.  Drawing objects (pens, brushes, fonts,
// bitmaps, regions, device contexts) count as GDI objects; windows, menus,
// cursors, icons and timers as USER objects.  Each table has room for
// ResourceTableCapacity objects, the size of the classic 16-bit heaps
// counted in objects.
constexpr uint32_t ResourceTableCapacity = 16384;

enum TResourceTable { rtGDI, rtUSER };

void AddResourceObject(TResourceTable Table);
void RemoveResourceObject(TResourceTable Table);
uint32_t ResourceObjectCount(TResourceTable Table);
// The free part of a table in percent, 0 to 100.
uint16_t ResourceTableFreePercent(TResourceTable Table);

}  // namespace vcl
