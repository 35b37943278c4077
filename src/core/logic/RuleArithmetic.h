#pragma once

// The arithmetic of the consistency rules, shared by the compiled rule table
// and the synthetic records' evaluator so that both reach the same verdict.
// Boxes hold whatever a user or an imported file put there; a result that
// leaves the 64-bit range sticks at the nearest end instead of wrapping round,
// so an absurdly large amount still compares as large. A division by zero
// yields 0.

#include <QtGlobal>

#include <limits>

namespace tq::logic::rulemath {

inline constexpr qint64 kMax = std::numeric_limits<qint64>::max();
inline constexpr qint64 kMin = std::numeric_limits<qint64>::min();

inline qint64 addSat(qint64 a, qint64 b)
{
    qint64 r;
    if (__builtin_add_overflow(a, b, &r))
        return a < 0 ? kMin : kMax; // only operands of the same sign overflow
    return r;
}

inline qint64 subSat(qint64 a, qint64 b)
{
    qint64 r;
    if (__builtin_sub_overflow(a, b, &r))
        return a < 0 ? kMin : kMax; // only operands of opposite signs overflow
    return r;
}

inline qint64 mulSat(qint64 a, qint64 b)
{
    qint64 r;
    if (__builtin_mul_overflow(a, b, &r))
        return (a < 0) != (b < 0) ? kMin : kMax;
    return r;
}

inline qint64 divSat(qint64 a, qint64 b)
{
    if (b == 0)
        return 0;
    if (b == -1)
        return a == kMin ? kMax : -a;
    return a / b;
}

inline qint64 negSat(qint64 a)
{
    return a == kMin ? kMax : -a;
}

} // namespace tq::logic::rulemath
