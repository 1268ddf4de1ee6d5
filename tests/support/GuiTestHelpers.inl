#include <wx/stopwatch.h>
#include <wx/utils.h>

template <class Predicate>
bool PumpUntil(Predicate done, double seconds)
{
    wxStopWatch watch;
    while (!done()) {
        if (watch.Time() > seconds * 1000)
            return false;
        PumpEvents();
        wxMilliSleep(5);
    }
    return true;
}
