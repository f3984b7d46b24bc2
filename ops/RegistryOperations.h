#pragma once
// Registry leaf operations (key create, key tree delete, string and DWORD values with the
// previous value kept for the rollback) and the direct registration of a driver service.
#include "setup/Context.h"
#include "setup/SetupOperation.h"
#include <windows.h>
#include <memory>
#include <string>

namespace SSETUP {

// The views that visitors and notification handlers get.
class IInstallRegKeyOperation {
public:
    virtual HKEY GetRootKey() const = 0;
    virtual std::string GetKeyPath() const = 0;

protected:
    ~IInstallRegKeyOperation() = default;
};

class IDeleteRegKeyOperation {
public:
    virtual std::string GetKeyPath() const = 0;
    virtual HKEY GetRootKey() const = 0;

protected:
    ~IDeleteRegKeyOperation() = default;
};

class ISetRegValueOperation {
public:
    enum : int { KindString = 1, KindDWORD = 2 };

    virtual HKEY GetRootKey() const = 0;
    virtual std::string GetKeyPath() const = 0;
    // Empty: the key's default value.
    virtual std::string GetValueName() const = 0;
    virtual int GetValueKind() const = 0;
    // The number of bytes written.
    virtual int GetDataSize() const = 0;

protected:
    ~ISetRegValueOperation() = default;
};

class ISetRegSTRINGValueOperation : public ISetRegValueOperation {
public:
    virtual std::string GetData() const = 0;
    int GetValueKind() const override { return KindString; }
    // The terminating zero is written too.
    int GetDataSize() const override { return static_cast<int>(GetData().size()) + 1; }

protected:
    ~ISetRegSTRINGValueOperation() = default;
};

class ISetRegDWORDValueOperation : public ISetRegValueOperation {
public:
    virtual DWORD GetData() const = 0;
    int GetValueKind() const override { return KindDWORD; }
    int GetDataSize() const override { return 4; }

protected:
    ~ISetRegDWORDValueOperation() = default;
};

} // namespace SSETUP

namespace SSETUPREG {

using SSETUP::CSetupOperationsDefault;
using SSETUP::IClientNotifyContext2;
using SSETUP::IContext;

// Creates a key; its rollback deletes the key again when Perform created it.
class CInstallRegKey : public CSetupOperationsDefault, public SSETUP::IInstallRegKeyOperation {
public:
    struct CNotifyRecord {
        const SSETUP::IInstallRegKeyOperation* operation;
        bool performing; // true from Perform, false from Rollback
        int failed;      // 0 success, 1 failure (from Rollback: the key made stays)
    };

    class IRegKeyInstallNotify : public IClientNotifyContext2 {
    public:
        static constexpr const char* InterfaceName = "IRegKeyInstallNotify";
        const char* GetInterfaceName() const override { return InterfaceName; }
        virtual void Notify(const CNotifyRecord& record) = 0;

    protected:
        ~IRegKeyInstallNotify() = default;
    };

    CInstallRegKey(HKEY rootKey, const char* keyPath, bool isCritical);

    bool Perform(IContext& context) override;
    bool Rollback(IContext& context) override;
    bool IsCritical() const override { return isCritical; }
    void Accept(SSetupVisitor::IVisitor& visitor) override;

    HKEY GetRootKey() const override { return rootKey; }
    std::string GetKeyPath() const override { return keyPath; }
    // Whether Perform created the key (it did not exist before).
    bool WasCreated() const { return created; }

private:
    void Notify(IContext& context, bool performing, int failed) const;

    const HKEY rootKey;
    const std::string keyPath;
    const bool isCritical;
    bool created = false;
};

// Deletes a key with all its subkeys; there is no rollback.
class CDeleteRegKeyOperation : public CSetupOperationsDefault,
                               public SSETUP::IDeleteRegKeyOperation {
public:
    enum : int { ResultDeleted = 1, ResultFailed = 2 };

    struct CNotifyRecord {
        int result;
        const SSETUP::IDeleteRegKeyOperation* operation;
        bool performing; // always true
    };

    class IDeleteRegKeyNotify : public IClientNotifyContext2 {
    public:
        static constexpr const char* InterfaceName = "IDeleteRegKeyNotify";
        const char* GetInterfaceName() const override { return InterfaceName; }
        virtual void Notify(const CNotifyRecord& record) = 0;

    protected:
        ~IDeleteRegKeyNotify() = default;
    };

    CDeleteRegKeyOperation(HKEY rootKey, const char* keyPath, bool isCritical);

    bool Perform(IContext& context) override;
    // A deleted key cannot be restored: returns false.
    bool Rollback(IContext& context) override;
    bool IsCritical() const override { return isCritical; }
    void Accept(SSetupVisitor::IVisitor&) override {}

    std::string GetKeyPath() const override { return keyPath; }
    HKEY GetRootKey() const override { return rootKey; }

private:
    const std::string keyPath;
    const bool isCritical;
    const HKEY rootKey;
};

// Sets a value of an existing key, keeping the previous value; the rollback restores it or
// deletes the value when there was none.
class CInstallRegValue : public CSetupOperationsDefault {
public:
    bool Rollback(IContext& context) override;
    bool IsCritical() const override { return isCritical; }
    void Accept(SSetupVisitor::IVisitor&) override {}

protected:
    CInstallRegValue(HKEY rootKey, const char* keyPath, const char* valueName, bool isCritical);
    // Root and path of keyOperation, with "\subPath" appended when subPath is not empty.
    CInstallRegValue(const CInstallRegKey& keyOperation, const char* subPath, const char* valueName,
                     bool isCritical);

    // Opens the key, saves the previous value, writes the new one; true when written. Writes
    // nothing when the key path is malformed or an existing value cannot be saved.
    bool WriteValue(DWORD type, const BYTE* data, DWORD size);

    const HKEY rootKey;
    const std::string keyPath;
    const std::string valueName;
    const bool isCritical;

private:
    // RegQueryValueExA of valueName; the one place the previous value is read.
    virtual LONG QueryValue(HKEY key, DWORD* type, BYTE* data, DWORD* size) const;
    // False when the value exists but could not be copied.
    bool SaveBackup(HKEY key);
    // Says that the rollback could not put the previous state of the value back.
    virtual void NotifyRestoreFailed(IContext& context) const = 0;

    std::unique_ptr<BYTE[]> backupData;
    DWORD backupType = static_cast<DWORD>(-1);
    DWORD backupSize = 0;
    // The previous value existed with no data at all; it is put back empty.
    bool backupEmpty = false;
};

class CInstallRegStringValue : public CInstallRegValue, public SSETUP::ISetRegSTRINGValueOperation {
public:
    struct CNotifyRecord {
        const SSETUP::ISetRegSTRINGValueOperation* operation;
        bool performing; // false: from Rollback, which could not put the previous value back
        int failed;      // 0 value set, 1 failure
    };

    class IInstallRegSTRINGValueNotify : public IClientNotifyContext2 {
    public:
        static constexpr const char* InterfaceName = "IInstallRegSTRINGValueNotify";
        const char* GetInterfaceName() const override { return InterfaceName; }
        virtual void Notify(const CNotifyRecord& record) = 0;

    protected:
        ~IInstallRegSTRINGValueNotify() = default;
    };

    CInstallRegStringValue(HKEY rootKey, const char* keyPath, const char* valueName,
                           const char* value, bool isCritical);
    CInstallRegStringValue(const CInstallRegKey& keyOperation, const char* subPath,
                           const char* valueName, const char* value, bool isCritical);

    bool Perform(IContext& context) override;

    HKEY GetRootKey() const override { return rootKey; }
    std::string GetKeyPath() const override { return keyPath; }
    std::string GetValueName() const override { return valueName; }
    std::string GetData() const override { return value; }

private:
    void NotifyRestoreFailed(IContext& context) const override;

    const std::string value;
};

class CInstallRegDWORDValue : public CInstallRegValue, public SSETUP::ISetRegDWORDValueOperation {
public:
    struct CNotifyRecord {
        const SSETUP::ISetRegDWORDValueOperation* operation;
        bool performing; // false: from Rollback, which could not put the previous value back
        int failed;      // 0 value set, 1 failure
    };

    class IInstallRegDWORDValueNotify : public IClientNotifyContext2 {
    public:
        static constexpr const char* InterfaceName = "IInstallRegDWORDValueNotify";
        const char* GetInterfaceName() const override { return InterfaceName; }
        virtual void Notify(const CNotifyRecord& record) = 0;

    protected:
        ~IInstallRegDWORDValueNotify() = default;
    };

    CInstallRegDWORDValue(HKEY rootKey, const char* keyPath, const char* valueName, DWORD value,
                          bool isCritical);
    CInstallRegDWORDValue(const CInstallRegKey& keyOperation, const char* subPath,
                          const char* valueName, DWORD value, bool isCritical);

    bool Perform(IContext& context) override;

    HKEY GetRootKey() const override { return rootKey; }
    std::string GetKeyPath() const override { return keyPath; }
    std::string GetValueName() const override { return valueName; }
    DWORD GetData() const override { return value; }

private:
    void NotifyRestoreFailed(IContext& context) const override;

    const DWORD value;
};

// The parameters of a driver service; empty strings are not written.
class CDriverServiceInfo {
public:
    std::string DisplayName;
    std::string ServiceName;
    std::string ImagePath;
    std::string Group;
    DWORD Type = 0;
    DWORD Start = 0;
    DWORD ErrorControl = 0;

    // ImagePath = "System32\drivers\<fileName>" on the NT family,
    // "\SystemRoot\System32\drivers\<fileName>" otherwise.
    void SetImageFile(const char* fileName);
};

// Registers a kernel driver as a service by writing its service key directly; the driver
// starts only after a restart, so a successful Perform raises the context's reboot flag.
class CRegisterDriverIndirect : public SSETUP::COperationSet {
public:
    explicit CRegisterDriverIndirect(const CDriverServiceInfo& info);

    bool Perform(IContext& context) override;

private:
    const CDriverServiceInfo info;
};

} // namespace SSETUPREG
