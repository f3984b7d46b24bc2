#include "install/CheckZentavoKey.h"
#include "ops/Registry.h"

namespace SLITEDRV {

CCheckZentavoKey::CCheckZentavoKey(const char* keyPath)
    : CSetupOperationsDefault(true), keyPath(keyPath ? keyPath : "") {}

bool CCheckZentavoKey::Perform(SSETUP::IContext& context) {
    performed = true;
    LONG queried = ERROR_FILE_NOT_FOUND;
    {
        SREGISTRY::CKey key;
        // A key that cannot be opened is no obstacle: there is no provider to break.
        if (key.Open(HKEY_LOCAL_MACHINE, keyPath.c_str(), KEY_QUERY_VALUE) != ERROR_SUCCESS) {
            return true;
        }
        // Without a buffer: an empty value still counts as present.
        queried =
            RegQueryValueExA(key.Get(), "Crypto Provider", nullptr, nullptr, nullptr, nullptr);
    }
    if (queried != ERROR_SUCCESS && queried != ERROR_MORE_DATA) {
        return true;
    }
    const TokenKeyCheckEvent record = {&context};
    SSETUP::SendNotify<INotifyZentavoKey>(context, record);
    return false;
}

bool CCheckZentavoKey::Rollback(SSETUP::IContext&) {
    performed = false;
    return true;
}

} // namespace SLITEDRV
