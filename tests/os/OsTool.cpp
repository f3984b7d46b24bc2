// Drives the OS layer from the command line for the restart tests, as the installer would:
//   os_tool move SOURCE TARGET|-     schedule a rename (- : a deletion) for the next start
//   os_tool cancel SOURCE TARGET|-   cancel such a request
//   os_tool foreign SOURCE TARGET|-  what another program does: MoveFileExA delayed, no replace
//   os_tool restart                  ShutdownSystem(EWX_REBOOT)
//   os_tool family                   prints nt or 9x
// Exit code 0 when the call succeeded, 1 when it returned false, 2 for bad arguments.
#include "app/SingletonAutoPointer.h"
#include "os/OSManager.h"
#include <cstdio>
#include <cstring>

namespace {

const char* TargetArgument(const char* text) {
    return strcmp(text, "-") == 0 ? nullptr : text;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        return 2;
    }
    SDP::singleton_auto_pointer<SSETUPOS::COSManager> manager;
    SSETUPOS::IOsDependOperations& os = *manager->GetOperations();
    const char* const command = argv[1];
    if (strcmp(command, "family") == 0) {
        std::printf("%s\n", manager->IsNTPlatform() ? "nt" : "9x");
        return 0;
    }
    if (strcmp(command, "restart") == 0) {
        return os.ShutdownSystem(EWX_REBOOT) ? 0 : 1;
    }
    if (argc != 4) {
        return 2;
    }
    const char* const source = argv[2];
    const char* const target = TargetArgument(argv[3]);
    bool done = false;
    if (strcmp(command, "move") == 0) {
        done = os.MoveFileAtReboot(source, target);
    } else if (strcmp(command, "cancel") == 0) {
        done = os.CancelMoveFileAtReboot(source, target);
    } else if (strcmp(command, "foreign") == 0) {
        done = MoveFileExA(source, target, MOVEFILE_DELAY_UNTIL_REBOOT) != FALSE;
    } else {
        return 2;
    }
    return done ? 0 : 1;
}
