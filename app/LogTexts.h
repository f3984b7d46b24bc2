#pragma once
// Text pieces of the log lines that the notification handlers write.
#include <windows.h>
#include <string>

namespace SINSTALL {

// "< Undefined return value>" for the code of a registration run that was never reported,
// otherwise the code as a signed decimal number.
std::string DescribeReturnCode(DWORD code);
// The system's message text for the error code with its own line end; empty when the system
// has none.
std::string DescribeSystemError(DWORD code);
// Empty on success, else "( errCode == <system text> )".
std::string ErrorSuffix(bool succeeded, DWORD code);
// "SCOPE_GLOBAL", "SCOPE_LOCAL" or a marked unknown value.
std::string ScopeName(DWORD scope);
// The outcome of a card-type step by its failure kind.
std::string TokenResultText(DWORD failureKind, DWORD errorCode);

} // namespace SINSTALL
