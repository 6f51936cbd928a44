// MMSystem.h - the multimedia timer of the operating-system API.
//
// One timer thread serves every multimedia timer.  It sleeps until the next
// due time on the platform clock and runs the callbacks there, one at a
// time, in the order of their due times (timers due at the same time in the
// order of their ids).  In real time the due times come from the steady
// clock.  In virtual time a timer fires when Clock::Advance reaches its due
// time: Advance stops the clock at each due time and returns only after the
// timer thread has run every callback due on the way (see "Settling" in
// Sleep.h), so the callbacks always run on the timer thread and see
// timeGetTime() equal to their due time.  A callback must not advance the
// clock itself.
//
// Periodic timers keep their grid: the next due time is the previous due
// time plus the period, never "now plus the period", so they do not drift.
// Ticks are never queued up: when the timer thread comes to a periodic
// timer more than a period late (a callback that ran long, a busy machine),
// it delivers one tick at once and continues with the next point of the
// grid that lies in the future; the ticks missed in between are dropped.
//
// Timer ids are never reused: they count up from 1, so they exceed 16 bits
// after 65535 timers; timeSetEvent fails (returns 0) once 2^32 - 1 timers
// have been made.  After timeKillEvent returns, the timer's callback is not
// running (unless timeKillEvent was called from that callback) and never
// runs again.  Callbacks must not raise exceptions; one that does is
// stopped at the timer thread and ignored.
#pragma once

#include <cstdint>

#include "System.h"

namespace vcl {

using UINT = uint32_t;
using DWORD_PTR = uintptr_t;
using MMRESULT = uint32_t;

// The callback: the timer id, 0, the user value given to timeSetEvent, 0, 0.
using LPTIMECALLBACK = void (*)(UINT uTimerID, UINT uMsg, DWORD_PTR dwUser, DWORD_PTR dw1, DWORD_PTR dw2);
using TFNTimeCallBack = LPTIMECALLBACK;

struct TIMECAPS {
    UINT wPeriodMin;
    UINT wPeriodMax;
};
using TTimeCaps = TIMECAPS;
using LPTIMECAPS = TIMECAPS*;

constexpr MMRESULT MMSYSERR_NOERROR = 0;
constexpr MMRESULT MMSYSERR_INVALPARAM = 11;
constexpr MMRESULT TIMERR_NOERROR = 0;
constexpr MMRESULT TIMERR_NOCANDO = 97;

constexpr UINT TIME_ONESHOT = 0x0000;
constexpr UINT TIME_PERIODIC = 0x0001;
constexpr UINT TIME_CALLBACK_FUNCTION = 0x0000;
constexpr UINT TIME_CALLBACK_EVENT_SET = 0x0010;    // not supported: timeSetEvent fails
constexpr UINT TIME_CALLBACK_EVENT_PULSE = 0x0020;  // not supported: timeSetEvent fails
constexpr UINT TIME_KILL_SYNCHRONOUS = 0x0100;      // accepted; every kill is synchronous

// The finest and the coarsest period, in milliseconds: 1 and 1000000.
constexpr UINT TIMECAPS_PERIOD_MIN = 1;
constexpr UINT TIMECAPS_PERIOD_MAX = 1000000;

// Fills ptc; TIMERR_NOCANDO when ptc is null or cbtc is smaller than a TIMECAPS.
MMRESULT timeGetDevCaps(TIMECAPS* ptc, UINT cbtc);
// Requests a timer period; TIMERR_NOCANDO outside [wPeriodMin, wPeriodMax].
// Each timeBeginPeriod is undone by a timeEndPeriod with the same period;
// timeEndPeriod of a period that is not requested gives TIMERR_NOCANDO.
MMRESULT timeBeginPeriod(UINT uPeriod);
MMRESULT timeEndPeriod(UINT uPeriod);
// The finest period requested now through timeBeginPeriod, 0 for none.
UINT TimerPeriodInUse();

// Starts a timer that calls lpTimeProc after uDelay milliseconds, once
// (TIME_ONESHOT) or every uDelay milliseconds (TIME_PERIODIC).  uDelay must
// lie within [wPeriodMin, wPeriodMax]; uResolution is accepted and not
// needed (the timer thread wakes at the due time itself).  Returns the
// timer id, or 0 for a delay out of range, a null callback or flags other
// than TIME_ONESHOT, TIME_PERIODIC, TIME_CALLBACK_FUNCTION and
// TIME_KILL_SYNCHRONOUS.
MMRESULT timeSetEvent(UINT uDelay, UINT uResolution, LPTIMECALLBACK lpTimeProc, DWORD_PTR dwUser, UINT fuEvent);
// Stops a timer: MMSYSERR_NOERROR, or MMSYSERR_INVALPARAM for an id that is
// no running timer (never made, killed before, or a one-shot timer whose
// callback has returned).  Waits for a running callback of the timer unless
// called from that callback.
MMRESULT timeKillEvent(UINT uTimerID);
// Milliseconds of the platform clock (the tick count), wrapping after 49.7 days.
DWORD timeGetTime();

}  // namespace vcl
