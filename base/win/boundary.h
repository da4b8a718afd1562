#pragma once
// The one guard at the places no exception may cross: exports, thread entries, window and
// dialog procedures, program entries. It stops the exception, reports what it stopped, and
// hands back the boundary's failure value. Reports go to the debugger output; a program with
// a log adds its own reporter (the setup program's log does when it starts).
#include <windows.h>

#include <exception>
#include <new>

namespace kelno {

using BoundaryReporter = void (*)(const char* boundary, const char* what);

// Replaces the extra reporter (null: the debugger output only). Set it before threads start.
void SetBoundaryReporter(BoundaryReporter reporter);

// "<boundary>: stopped an exception: <what>" on the debugger output, then the extra reporter.
void ReportStoppedException(const char* boundary, const char* what) noexcept;

enum class LastError { keep, set };

// Runs call() and returns its result; an exception is reported and gives failure instead. With
// LastError::set the thread's last error tells the caller what happened
// (ERROR_NOT_ENOUGH_MEMORY for an allocation failure, ERROR_INTERNAL_ERROR otherwise), as the
// Windows conventions of exports ask.
template <typename Result, typename Call>
Result Guarded(const char* boundary, Result failure, Call&& call, LastError lastError = LastError::keep) noexcept {
    DWORD error = ERROR_INTERNAL_ERROR;
    try {
        return call();
    } catch (const std::bad_alloc&) {
        error = ERROR_NOT_ENOUGH_MEMORY;
        ReportStoppedException(boundary, "out of memory");
    } catch (const std::exception& e) {
        ReportStoppedException(boundary, e.what());
    } catch (...) {
        ReportStoppedException(boundary, "an exception of unknown type");
    }
    // Set after the report, whose own calls may change the last error.
    if (lastError == LastError::set) SetLastError(error);
    return failure;
}

}  // namespace kelno
