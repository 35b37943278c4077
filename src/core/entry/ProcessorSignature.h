#pragma once

#include <QString>

namespace tq::entry {

// The processor identification of this machine (function 1: EAX, EBX, ECX,
// EDX, eight upper-case hexadecimal digits each), stamped on every saved record.
QString ProcessorSignature();

} // namespace tq::entry
