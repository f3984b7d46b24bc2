// The controller's handlers of the operations' notifications. The log line of each
// notification joins here; until then notifications are taken without a line and both
// needed-queries leave their answer at "needed".
#include "app/MainInstall.h"

namespace SINSTALL {

void CMainInstall::Notify(const SLITEDRV::CCheckZentavoKey::TokenKeyCheckEvent&) {}
void CMainInstall::Notify(const SSETUP::CInstallFile::CNotifyRecord&) {}
void CMainInstall::Query(SSETUP::CInstallFile::CQueryRecord&) {}
void CMainInstall::Notify(const SSETUPREG::CInstallRegKey::CNotifyRecord&) {}
void CMainInstall::Notify(const SINSTPNP::CUnRegisterPNPDriver::CNotifyRecord&) {}
void CMainInstall::Notify(const SINSTPNP::CRegisterPNPDriver::CNotifyRecord&) {}
void CMainInstall::Notify(const SSETUP::CDeinstallFile::CNotifyRecord&) {}
void CMainInstall::Query(SSETUP::CDeinstallFile::CQueryRecord&) {}
void CMainInstall::Notify(const SSETUPREG::CDeleteRegKeyOperation::CNotifyRecord&) {}
void CMainInstall::Notify(const SSETUPCOMDLL::IRegisterCOMModuleNotify::CNotifyRecord&) {}
void CMainInstall::Notify(const SSETUPREG::CInstallRegDWORDValue::CNotifyRecord&) {}
void CMainInstall::Notify(const SSETUPREG::CInstallRegStringValue::CNotifyRecord&) {}
void CMainInstall::Notify(const SSETUPCOMDLL::IUnregsiterCOMModuleNotify::CNotifyRecord&) {}
void CMainInstall::Notify(const SRegATLService::ServiceEvent&) {}
void CMainInstall::Notify(const SRegisterZentavo::TokenRegistrationEvent&) {}

} // namespace SINSTALL
