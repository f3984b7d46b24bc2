// The OS layer's calls for restart.sh, as the installer makes them. Exit code 0 when the
// call succeeded, 1 when it failed, 2 for bad arguments:
//   os_tool move|cancel|foreign SOURCE TARGET|-  (cancel) a rename (-: a deletion) at the next
//                                  start; foreign: MoveFileExA without replacing, as others do
//   os_tool restart|family         ShutdownSystem(EWX_REBOOT); print nt or 9x
#include "app/SingletonAutoPointer.h"
#include "os/OSManager.h"
#include <cstdio>
#include <string>

int main(int argc, char** argv) {
    SDP::singleton_auto_pointer<SSETUPOS::COSManager> manager;
    SSETUPOS::IOsDependOperations& os = *manager->GetOperations();
    const std::string command = argc > 1 ? argv[1] : "";
    if (command == "family") {
        return std::printf("%s\n", manager->IsNTPlatform() ? "nt" : "9x") > 0 ? 0 : 1;
    }
    if (command == "restart") {
        return os.ShutdownSystem(EWX_REBOOT) ? 0 : 1;
    }
    if (argc != 4) {
        return 2;
    }
    const char* const target = std::string(argv[3]) == "-" ? nullptr : argv[3];
    if (command == "move") {
        return os.MoveFileAtReboot(argv[2], target) ? 0 : 1;
    }
    if (command == "cancel") {
        return os.CancelMoveFileAtReboot(argv[2], target) ? 0 : 1;
    }
    if (command == "foreign") {
        return MoveFileExA(argv[2], target, MOVEFILE_DELAY_UNTIL_REBOOT) ? 0 : 1;
    }
    return 2;
}
