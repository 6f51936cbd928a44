// Clock.h - the one platform clock behind Now, tick counts and every timer.
//
// Real mode reads std::chrono::steady_clock (monotonic) and the system's
// local wall time.  Virtual mode, for tests and deterministic runs, freezes
// both and moves them only through Advance; the monotonic time continues
// from where the real clock stood, and switching back to real time never
// makes the monotonic time run backwards.
//
// Timers subscribe with AddAdvanceListener.  A listener may also report the
// monotonic time at which it next wants to run (NextDue); Advance then stops
// the clock at each such time on its way to the target and notifies all
// listeners there, so that timers fire in order and each sees its own time.
//
// All functions are thread-safe.  Listeners are called on the thread that
// calls Advance, without any lock of the clock held: they may read the
// clock and add or remove listeners.  A listener removed while an Advance is
// running is not called again once RemoveAdvanceListener has returned.
#pragma once

#include <cstdint>
#include <functional>

namespace vcl::Clock {

// Monotonic nanoseconds, counted from the first use of the clock (pushed
// forward by any virtual time that ran ahead of the real clock).
uint64_t NowNs();
// Milliseconds of NowNs, wrapping after about 49.7 days.
uint32_t GetTickCount();
uint64_t GetTickCount64();
// Local wall time as a TDateTime (days since 1899-12-30 plus the fraction of
// the day).
double NowDateTime();

// Switches virtual time on or off.  Switching on when it is already on keeps
// the virtual time as it is.
void UseVirtualTime(bool Virtual);
bool IsVirtual();
// Virtual mode only (EInvalidOperation otherwise): moves the monotonic and
// the wall clock forward by Ns and notifies the listeners.
void Advance(uint64_t Ns);
// Sets the virtual wall clock.  In real mode the value is kept as the start
// of the wall clock for the next switch to virtual time.
void SetVirtualDateTime(double DateTime);

// Registers a listener called after every Advance step.  NextDue, when given,
// returns the NowNs value at which the listener next needs to run, or
// UINT64_MAX for none.  Returns an id > 0 for RemoveAdvanceListener.
int AddAdvanceListener(std::function<void()> OnAdvance, std::function<uint64_t()> NextDue = {});
void RemoveAdvanceListener(int Id);

}  // namespace vcl::Clock
