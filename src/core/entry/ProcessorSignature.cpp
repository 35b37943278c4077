#include "entry/ProcessorSignature.h"

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#endif

namespace tq::entry {

QString ProcessorSignature()
{
    unsigned int a = 0, b = 0, c = 0, d = 0;
#if defined(__x86_64__) || defined(__i386__)
    if (!__get_cpuid(1, &a, &b, &c, &d))
        a = b = c = d = 0;
#endif
    QString out;
    for (unsigned int r : {a, b, c, d})
        out += QStringLiteral("%1").arg(r, 8, 16, QLatin1Char('0')).toUpper();
    return out;
}

} // namespace tq::entry
