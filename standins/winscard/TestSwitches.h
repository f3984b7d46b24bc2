// Failure switches of the stand-in, read from the machine's registry at every call so that
// a test can set them before or while the program under test runs:
//
//   HKLM\SOFTWARE\Morvisk\TestSwitches\WinSCard
//     "NoServiceCount"  REG_DWORD n   the next n calls of SCardEstablishContext, in whatever
//                                     process, answer SCARD_E_NO_SERVICE (0x8010001D); each
//                                     such call counts the value down by one
//   HKLM\SOFTWARE\Morvisk\TestSwitches\WinSCard\Fail
//     "<function name>" REG_DWORD code   every call of that export (e.g.
//                                     "SCardForgetCardTypeA") answers the code and does
//                                     nothing, until the value is deleted
//
// While the WinSCard key above exists, calls are counted there for the tests: the REG_DWORD
// "<function name>" of its subkey "Calls" goes up by one on every call of that export. Without
// the key the stand-in writes nothing outside the smart-card database.
#pragma once

#include <windows.h>

namespace WINSCARD_STANDIN {

// True when this SCardEstablishContext call is to fail with SCARD_E_NO_SERVICE.
bool TakeNoServiceTurn();

// True when the named call is switched to fail; its code is stored in result.
bool ForcedResult(const char* function, LONG* result);

// Counts one call of the named export.
void CountCall(const char* function);

} // namespace WINSCARD_STANDIN
