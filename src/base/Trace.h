#pragma once

#include "base/Failure.h"
#include "base/cSharedLogging.h"

#include <exception>
#include <new>
#include <utility>

// Runs one step of an operation that carries on past failures: a Failure or any
// standard exception becomes a trace entry "description (code)" with the
// procedure and module names, and the caller learns only whether the step worked.
// Handlers read as a list of steps instead of a wall of try/catch.
namespace Trace {

inline Failure asFailure(const std::exception &e)
{
    if (auto *f = dynamic_cast<const Failure *>(&e))
        return *f;
    if (dynamic_cast<const std::bad_alloc *>(&e))
        return Failure(FailureCode::OutOfMemory, QStringLiteral("Out of memory"));
    return Failure(FailureCode::InternalError, QString::fromLocal8Bit(e.what()));
}

inline void record(const Failure &failure, const QString &procedure, const QString &module)
{
    Log().AddAction(failure.traceText(), procedure, module);
}

template<class Step> bool attempt(const QString &procedure, const QString &module, Step &&step)
{
    try {
        std::forward<Step>(step)();
        return true;
    } catch (const std::exception &e) {
        record(asFailure(e), procedure, module);
    }
    return false;
}

// The same without a trace entry, for a failure that is ignored on purpose: `why` says in
// words why nothing needs to be recorded or done ("a stopped engine may refuse to stop").
template<class Step> bool quietly(const char *why, Step &&step)
{
    (void)why;
    try {
        std::forward<Step>(step)();
        return true;
    } catch (const std::exception &) {
        // Ignored on purpose: the caller said why.
    }
    return false;
}

// The older form without a reason, for code not yet converted; new code gives one.
template<class Step> bool quietly(Step &&step)
{
    return quietly("", std::forward<Step>(step));
}

} // namespace Trace
