#pragma once
// Work that an earlier run left for the next restart on a file this run changes: boot-time
// renames onto the file, its deletion, and, for a module, its RunOnce registrations. A step
// takes it out before it changes the file, so that the restart does not undo this run, and
// its rollback puts it back.
#include "os/OsDependOperations.h"
#include "setup/Context.h"
#include <windows.h>
#include <string>
#include <vector>

namespace SSETUP {

class CEarlierWork {
public:
    // Values of CNotifyRecord::kind.
    enum : int {
        KindRename = 1,       // source was to replace target at the restart
        KindDeletion = 2,     // target was to be deleted at the restart
        KindRegistration = 3, // the command (source) was to register the module target
    };
    struct CNotifyRecord {
        int kind;
        std::string target;
        std::string source;
    };

    class IEarlierWorkNotify : public IClientNotifyContext2 {
    public:
        static constexpr const char* InterfaceName = "IEarlierWorkCancelledNotify";
        const char* GetInterfaceName() const override { return InterfaceName; }
        // One call for each request taken out.
        virtual void Notify(const CNotifyRecord& record) = 0;

    protected:
        ~IEarlierWorkNotify() = default;
    };

    // Takes out the renames onto path and its deletion.
    void CancelFor(IContext& context, const std::string& path);
    // Takes out the RunOnce commands that register the module at path.
    void CancelRegistrationsOf(IContext& context, const std::string& modulePath);
    bool IsEmpty() const { return files.empty() && registrations.empty(); }
    // Whether a deletion at the restart was among what was taken out.
    bool CancelledDeletion() const;
    // Puts back what was taken out, the last first; true when all of it is back.
    bool Restore();

private:
    struct CRunOnceValue {
        std::string name;
        DWORD type;
        std::string data;
    };

    std::vector<SSETUPOS::CPendingWork> files;
    std::vector<CRunOnceValue> registrations;
};

} // namespace SSETUP
