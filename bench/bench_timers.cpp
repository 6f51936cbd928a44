// bench_timers - how late the timer components deliver their ticks on the
// main thread, in real time, against a bare timerfd loop as the baseline.
//
// For every case the main thread serves the timer for the chosen duration
// and takes the arrival time (steady_clock) of each OnTimer event.  The
// lateness of event n (counted from 1) is its arrival minus start + n *
// interval, start being the moment the timer was enabled (for the timerfd:
// the first expiration minus one interval).  The drift is that same figure
// for the last event: n events should have taken n intervals.  The gap
// column is the 99th percentile of each spacing between two events minus
// the interval: it tells scheduling jitter apart from a delay that builds up.
//
//   bench_timers [--seconds=S]      (default 3 s per case)
#include <sys/timerfd.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "Clock.h"
#include "CvFastTimer.h"
#include "CvThreadedTimer.h"
#include "Thread.h"
#include "Windows.h"

namespace {

using Clk = std::chrono::steady_clock;
using std::chrono::duration;
using std::chrono::microseconds;
using std::chrono::milliseconds;
using std::chrono::nanoseconds;

struct Result {
    std::string Name;
    uint32_t IntervalMs = 0;
    uint64_t Expected = 0;
    uint64_t Delivered = 0;
    uint64_t Merged = 0;       // timerfd only: expirations folded into another read
    double DriftUs = 0;        // last arrival - (start + n * interval)
    double MedianUs = 0;
    double P99Us = 0;
    double MaxUs = 0;
    double GapP99Us = 0;       // p99 of (arrival - previous arrival - interval)
};

// Collects the arrivals of one run and turns them into a Result.
class Recorder {
public:
    Recorder(std::string Name, uint32_t IntervalMs, double Seconds) {
        FResult.Name = std::move(Name);
        FResult.IntervalMs = IntervalMs;
        FResult.Expected = static_cast<uint64_t>(std::floor(Seconds * 1000.0 / IntervalMs));
        FInterval = milliseconds(IntervalMs);
        FLength = std::chrono::duration_cast<Clk::duration>(duration<double>(Seconds));
    }

    void Start(Clk::time_point At) {
        FStart = At;
        FDeadline = At + FLength;
    }
    Clk::time_point Deadline() const { return FDeadline; }
    bool Over(Clk::time_point At) const { return At >= FDeadline; }

    // Records event Index (from 1) arriving at At.
    void Arrived(uint64_t Index, Clk::time_point At) {
        Clk::time_point due = FStart + FInterval * static_cast<int64_t>(Index);
        FLate.push_back(std::chrono::duration<double, std::micro>(At - due).count());
        if (FResult.Delivered != 0)
            FGap.push_back(std::chrono::duration<double, std::micro>(At - FLast - FInterval).count());
        FLast = At;
        FResult.Delivered = Index;
    }
    void Merged(uint64_t Count) { FResult.Merged += Count; }

    Result Finish() {
        if (!FLate.empty()) {
            FResult.DriftUs = FLate.back();
            std::vector<double> sorted = FLate;
            std::sort(sorted.begin(), sorted.end());
            size_t n = sorted.size();
            FResult.MedianUs = sorted[n / 2];
            FResult.P99Us = Percentile(sorted, 0.99);
            FResult.MaxUs = sorted.back();
        }
        FResult.GapP99Us = Percentile(FGap, 0.99);
        return FResult;
    }

private:
    static double Percentile(std::vector<double> Values, double Q) {
        if (Values.empty()) return 0;
        std::sort(Values.begin(), Values.end());
        size_t n = Values.size();
        size_t p = static_cast<size_t>(std::ceil(Q * static_cast<double>(n)));
        return Values[std::min(n, std::max<size_t>(p, 1)) - 1];
    }

    Result FResult;
    Clk::duration FInterval{};
    Clk::duration FLength{};
    Clk::time_point FStart{};
    Clk::time_point FDeadline{};
    Clk::time_point FLast{};
    std::vector<double> FLate;
    std::vector<double> FGap;
};

Clk::time_point FromTimespec(const timespec& T) {
    // libstdc++'s steady_clock reads CLOCK_MONOTONIC.
    return Clk::time_point(std::chrono::duration_cast<Clk::duration>(nanoseconds(
        static_cast<int64_t>(T.tv_sec) * 1000000000LL + static_cast<int64_t>(T.tv_nsec))));
}

// The physical baseline: a periodic timerfd on CLOCK_MONOTONIC with absolute
// expirations, read on the main thread.
Result RunTimerFd(uint32_t IntervalMs, double Seconds) {
    Recorder rec("timerfd", IntervalMs, Seconds);
    int fd = timerfd_create(CLOCK_MONOTONIC, TFD_CLOEXEC);
    if (fd < 0) {
        std::perror("timerfd_create");
        std::exit(1);
    }
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    const int64_t periodNs = static_cast<int64_t>(IntervalMs) * 1000000LL;
    int64_t firstNs = static_cast<int64_t>(now.tv_sec) * 1000000000LL + now.tv_nsec + periodNs;
    itimerspec due{};
    due.it_value.tv_sec = static_cast<time_t>(firstNs / 1000000000LL);
    due.it_value.tv_nsec = static_cast<long>(firstNs % 1000000000LL);
    due.it_interval.tv_sec = static_cast<time_t>(periodNs / 1000000000LL);
    due.it_interval.tv_nsec = static_cast<long>(periodNs % 1000000000LL);
    rec.Start(FromTimespec(due.it_value) - milliseconds(IntervalMs));
    if (timerfd_settime(fd, TFD_TIMER_ABSTIME, &due, nullptr) != 0) {
        std::perror("timerfd_settime");
        std::exit(1);
    }
    uint64_t index = 0;
    for (;;) {
        uint64_t count = 0;
        ssize_t got = read(fd, &count, sizeof(count));
        Clk::time_point at = Clk::now();
        if (got != static_cast<ssize_t>(sizeof(count))) {
            std::perror("read(timerfd)");
            std::exit(1);
        }
        if (rec.Over(at)) break;
        // A late read reports every expiration since the last one: the
        // event stands for the latest of them.
        index += count;
        rec.Merged(count - 1);
        rec.Arrived(index, at);
    }
    close(fd);
    return rec.Finish();
}

// TCvFastTimer: ticks posted to its hidden window, served by a GetMessage /
// DispatchMessage loop.  Below 10 ms the timer is one-shot, so the handler
// arms it again, as a user of a 1 ms timer has to.
Result RunFastTimer(uint32_t IntervalMs, double Seconds) {
    Recorder rec(IntervalMs < 10 ? "TCvFastTimer (re-armed)" : "TCvFastTimer", IntervalMs, Seconds);
    corvane::TCvFastTimer timer(nullptr);
    timer.SetEnabled(false);
    timer.SetInterval(IntervalMs);
    if (timer.Interval() != IntervalMs) {
        std::fprintf(stderr, "TCvFastTimer refused an interval of %u ms\n", IntervalMs);
        std::exit(1);
    }
    uint64_t index = 0;
    bool done = false;
    timer.SetOnTimer([&](vcl::TObject*, uint32_t) {
        Clk::time_point at = Clk::now();
        if (done) return;
        if (rec.Over(at)) {
            done = true;
            timer.SetEnabled(false);
            vcl::PostQuitMessage(0);
            return;
        }
        rec.Arrived(++index, at);
        if (!timer.AutoRepeat()) timer.SetEnabled(true);  // one-shot: arm the next tick
    });
    rec.Start(Clk::now());
    timer.SetEnabled(true);
    vcl::MSG msg{};
    while (vcl::GetMessage(&msg, nullptr, 0, 0) > 0) vcl::DispatchMessage(&msg);
    return rec.Finish();
}

// TCvThreadedTimer: ticks run through Synchronize, served by CheckSynchronize.
Result RunThreadedTimer(uint32_t IntervalMs, double Seconds) {
    Recorder rec("TCvThreadedTimer", IntervalMs, Seconds);
    corvane::TCvThreadedTimer timer(nullptr);
    timer.SetEnabled(false);
    timer.SetInterval(static_cast<uint16_t>(IntervalMs));
    uint64_t index = 0;
    bool done = false;
    timer.SetOnTimer([&](vcl::TObject*) {
        Clk::time_point at = Clk::now();
        if (done) return;
        if (rec.Over(at)) {
            done = true;
            return;
        }
        rec.Arrived(++index, at);
    });
    rec.Start(Clk::now());
    timer.SetEnabled(true);
    while (!done) {
        Clk::time_point now = Clk::now();
        if (rec.Over(now)) break;
        auto left = std::chrono::ceil<milliseconds>(rec.Deadline() - now).count();
        vcl::CheckSynchronize(static_cast<uint32_t>(std::max<int64_t>(left, 1)));
    }
    timer.SetEnabled(false);
    return rec.Finish();
}

double ParseSeconds(int argc, char** argv) {
    double seconds = 3.0;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        std::string value;
        if (arg.rfind("--seconds=", 0) == 0) {
            value = arg.substr(10);
        } else if ((arg == "--seconds" || arg == "-s") && i + 1 < argc) {
            value = argv[++i];
        } else if (arg == "--help" || arg == "-h") {
            std::printf("usage: %s [--seconds=S]   (duration of each case, default 3)\n", argv[0]);
            std::exit(0);
        } else {
            std::fprintf(stderr, "unknown argument '%s' (usage: %s [--seconds=S])\n", arg.c_str(), argv[0]);
            std::exit(2);
        }
        char* end = nullptr;
        seconds = std::strtod(value.c_str(), &end);
        if (value.empty() || *end != '\0' || !(seconds > 0) || seconds > 3600) {
            std::fprintf(stderr, "--seconds needs a number of seconds in (0, 3600], got '%s'\n", value.c_str());
            std::exit(2);
        }
    }
    return seconds;
}

void PrintRow(const Result& R, const Result& Base) {
    double ratio = Base.P99Us > 0 ? R.P99Us / Base.P99Us : 0;
    std::printf("%-24s %4u ms %8llu / %-8llu %10.0f %9.0f %9.0f %9.0f %7.2f %11.0f",
                R.Name.c_str(), R.IntervalMs, static_cast<unsigned long long>(R.Delivered),
                static_cast<unsigned long long>(R.Expected), R.DriftUs, R.MedianUs, R.P99Us, R.MaxUs, ratio, R.GapP99Us);
    if (R.Merged != 0) std::printf("  (%llu merged)", static_cast<unsigned long long>(R.Merged));
    std::printf("\n");
}

// The goal: the 99th percentile within twice the baseline's and no drift
// (the last event within one interval of its due time).
void PrintVerdict(const Result& R, const Result& Base) {
    bool p99 = R.P99Us <= 2.0 * Base.P99Us;
    bool drift = std::fabs(R.DriftUs) < R.IntervalMs * 1000.0;
    std::printf("  %-24s %2u ms: p99 %s (%.2fx baseline), drift %s (%.1f ms)\n", R.Name.c_str(), R.IntervalMs,
                p99 ? "met" : "NOT met", Base.P99Us > 0 ? R.P99Us / Base.P99Us : 0.0, drift ? "none" : "NOT met",
                R.DriftUs / 1000.0);
}

}  // namespace

int main(int argc, char** argv) {
    double seconds = ParseSeconds(argc, argv);
    if (vcl::Clock::IsVirtual()) {
        std::fprintf(stderr, "the platform clock is in virtual mode; this benchmark needs real time\n");
        return 1;
    }
    std::printf("bench_timers: %.1f s per case, real time\n\n", seconds);

    Result fd1 = RunTimerFd(1, seconds);
    Result fast1 = RunFastTimer(1, seconds);
    Result fd10 = RunTimerFd(10, seconds);
    Result fast10 = RunFastTimer(10, seconds);
    Result thr10 = RunThreadedTimer(10, seconds);

    std::printf("%-24s %7s %19s %10s %9s %9s %9s %7s %11s\n", "case", "period", "delivered/expected", "drift us",
                "median us", "p99 us", "max us", "p99/fd", "gap p99 us");
    PrintRow(fd1, fd1);
    PrintRow(fast1, fd1);
    PrintRow(fd10, fd10);
    PrintRow(fast10, fd10);
    PrintRow(thr10, fd10);
    std::printf("\nGoal (p99 <= 2x timerfd of the same period, no drift):\n");
    PrintVerdict(fast1, fd1);
    PrintVerdict(fast10, fd10);
    PrintVerdict(thr10, fd10);
    return 0;
}
