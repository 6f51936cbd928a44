#include "Clock.h"

#include <time.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <limits>
#include <memory>
#include <mutex>
#include <vector>

#include "Exceptions.h"

namespace vcl::Clock {

namespace {

constexpr double kNsPerDay = 86400.0e9;

struct TListener {
    int Id = 0;
    std::function<void()> OnAdvance;
    std::function<uint64_t()> NextDue;
    // Held while the listener runs, so that RemoveAdvanceListener on another
    // thread waits for a running call; recursive so that a listener may
    // remove itself.
    std::recursive_mutex CallMutex;
    bool Active = true;  // guarded by CallMutex
};

using TListenerPtr = std::shared_ptr<TListener>;

struct TState {
    std::mutex Mutex;
    std::atomic<bool> Virtual{false};
    std::atomic<uint64_t> VirtualNs{0};
    int64_t RealOffsetNs = 0;     // added to the steady clock's elapsed time
    long double WallStartLinear = 0;  // virtual wall clock, as linear days ...
    uint64_t WallStartNs = 0;         // ... at this virtual monotonic time
    bool HasPendingDateTime = false;
    double PendingDateTime = 0;
    int NextId = 1;
    std::vector<TListenerPtr> Listeners;  // in the order of registration
};

TState& State() {
    static TState state;
    return state;
}

std::chrono::steady_clock::time_point StartTime() {
    static const auto start = std::chrono::steady_clock::now();
    return start;
}

uint64_t SteadyElapsedNs() {
    const auto start = StartTime();
    const auto d = std::chrono::steady_clock::now() - start;
    return static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::nanoseconds>(d).count());
}

uint64_t RealNowNs(const TState& s) {
    return static_cast<uint64_t>(static_cast<int64_t>(SteadyElapsedNs()) + s.RealOffsetNs);
}

// Days from 1970-01-01 to the given civil date (proleptic Gregorian).
int64_t DaysFromCivil(int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const auto yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

double RealNowDateTime() {
    using namespace std::chrono;
    const auto now = system_clock::now();
    time_t t = system_clock::to_time_t(now);
    auto sub = duration_cast<nanoseconds>(now - system_clock::from_time_t(t)).count();
    if (sub < 0) {
        --t;
        sub += 1000000000;
    }
    tm lt{};
    localtime_r(&t, &lt);
    const int64_t days = DaysFromCivil(lt.tm_year + 1900, static_cast<unsigned>(lt.tm_mon + 1),
                                       static_cast<unsigned>(lt.tm_mday)) -
                         DaysFromCivil(1899, 12, 30);
    const double secs = lt.tm_hour * 3600.0 + lt.tm_min * 60.0 + std::min(lt.tm_sec, 59) + sub / 1e9;
    double frac = secs / 86400.0;
    if (frac >= 1.0) frac = std::nextafter(1.0, 0.0);
    return static_cast<double>(days) + frac;
}

// A TDateTime before 1899-12-30 keeps its time of day as a positive fraction
// (-1.25 is 1899-12-29 06:00); the linear form counts days continuously.
long double ToLinear(double T) {
    if (T >= 0) return T;
    const double whole = std::trunc(T);
    return static_cast<long double>(whole) + std::fabs(T - whole);
}

double FromLinear(long double L) {
    if (L >= 0) return static_cast<double>(L);
    const long double day = std::floor(L);
    const long double frac = L - day;
    return static_cast<double>(frac == 0 ? day : day - frac);
}

std::vector<TListenerPtr> Snapshot() {
    TState& s = State();
    std::lock_guard<std::mutex> lock(s.Mutex);
    return s.Listeners;
}

void NotifyAll(const std::vector<TListenerPtr>& Ls) {
    for (const TListenerPtr& l : Ls) {
        std::lock_guard<std::recursive_mutex> call(l->CallMutex);
        if (l->Active && l->OnAdvance) l->OnAdvance();
    }
}

// Moves the virtual time to At unless it is already there or beyond.
// Returns false when virtual time was switched off meanwhile.
bool MoveTo(uint64_t At) {
    TState& s = State();
    std::lock_guard<std::mutex> lock(s.Mutex);
    if (!s.Virtual.load()) return false;
    if (At > s.VirtualNs.load()) s.VirtualNs.store(At);
    return true;
}

}  // namespace

uint64_t NowNs() {
    TState& s = State();
    if (s.Virtual.load(std::memory_order_acquire)) return s.VirtualNs.load(std::memory_order_acquire);
    std::lock_guard<std::mutex> lock(s.Mutex);
    if (s.Virtual.load()) return s.VirtualNs.load();
    return RealNowNs(s);
}

uint32_t GetTickCount() { return static_cast<uint32_t>(NowNs() / 1000000u); }

uint64_t GetTickCount64() { return NowNs() / 1000000u; }

double NowDateTime() {
    TState& s = State();
    std::lock_guard<std::mutex> lock(s.Mutex);
    if (!s.Virtual.load()) return RealNowDateTime();
    const uint64_t elapsed = s.VirtualNs.load() - s.WallStartNs;
    return FromLinear(s.WallStartLinear + static_cast<long double>(elapsed) / kNsPerDay);
}

void UseVirtualTime(bool Virtual) {
    TState& s = State();
    std::lock_guard<std::mutex> lock(s.Mutex);
    if (Virtual == s.Virtual.load()) return;
    if (Virtual) {
        const uint64_t now = RealNowNs(s);
        s.VirtualNs.store(now);
        s.WallStartNs = now;
        s.WallStartLinear = ToLinear(s.HasPendingDateTime ? s.PendingDateTime : RealNowDateTime());
        s.HasPendingDateTime = false;
        s.Virtual.store(true, std::memory_order_release);
    } else {
        // Real time continues from the virtual time if that ran ahead.
        const int64_t gap = static_cast<int64_t>(s.VirtualNs.load()) - static_cast<int64_t>(RealNowNs(s));
        if (gap > 0) s.RealOffsetNs += gap;
        s.Virtual.store(false, std::memory_order_release);
    }
}

bool IsVirtual() { return State().Virtual.load(); }

void SetVirtualDateTime(double DateTime) {
    if (!std::isfinite(DateTime)) throw EInvalidOperation("Invalid virtual date and time");
    TState& s = State();
    std::lock_guard<std::mutex> lock(s.Mutex);
    if (s.Virtual.load()) {
        s.WallStartNs = s.VirtualNs.load();
        s.WallStartLinear = ToLinear(DateTime);
    } else {
        s.PendingDateTime = DateTime;
        s.HasPendingDateTime = true;
    }
}

void Advance(uint64_t Ns) {
    TState& s = State();
    uint64_t target;
    {
        std::lock_guard<std::mutex> lock(s.Mutex);
        if (!s.Virtual.load()) throw EInvalidOperation("The clock can only be advanced in virtual time");
        const uint64_t now = s.VirtualNs.load();
        target = Ns > std::numeric_limits<uint64_t>::max() - now ? std::numeric_limits<uint64_t>::max() : now + Ns;
    }
    // Stop at every time a listener asked for on the way to the target.
    for (;;) {
        const std::vector<TListenerPtr> ls = Snapshot();
        const uint64_t now = NowNs();
        uint64_t next = std::numeric_limits<uint64_t>::max();
        for (const TListenerPtr& l : ls) {
            std::lock_guard<std::recursive_mutex> call(l->CallMutex);
            if (!l->Active || !l->NextDue) continue;
            const uint64_t due = l->NextDue();
            if (due > now) next = std::min(next, due);  // an overdue one runs at the next stop
        }
        if (next >= target) break;
        if (!MoveTo(next)) return;
        NotifyAll(ls);
    }
    if (!MoveTo(target)) return;
    NotifyAll(Snapshot());
}

int AddAdvanceListener(std::function<void()> OnAdvance, std::function<uint64_t()> NextDue) {
    auto l = std::make_shared<TListener>();
    l->OnAdvance = std::move(OnAdvance);
    l->NextDue = std::move(NextDue);
    TState& s = State();
    std::lock_guard<std::mutex> lock(s.Mutex);
    if (s.NextId == std::numeric_limits<int>::max()) throw EInvalidOperation("Too many clock listeners");
    l->Id = s.NextId++;
    s.Listeners.push_back(l);
    return l->Id;
}

void RemoveAdvanceListener(int Id) {
    TListenerPtr removed;
    {
        TState& s = State();
        std::lock_guard<std::mutex> lock(s.Mutex);
        for (auto it = s.Listeners.begin(); it != s.Listeners.end(); ++it) {
            if ((*it)->Id == Id) {
                removed = *it;
                s.Listeners.erase(it);
                break;
            }
        }
    }
    if (!removed) return;
    // Waits for a call running on another thread to finish.
    std::lock_guard<std::recursive_mutex> call(removed->CallMutex);
    removed->Active = false;
}

}  // namespace vcl::Clock
