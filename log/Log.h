#pragma once
// The installer's log: an append-only text file with Windows line ends.
#include <windows.h>
#include <string>

namespace SLOG {

class ILog {
public:
    // Writes the text as it is (line ends become CR LF).
    virtual void Write(const char* text) = 0;
    // Formats with the window system's formatter (at most 1023 characters) and writes.
    virtual void Printf(const char* format, ...) = 0;
    virtual ~ILog() {}
};

// A recursive lock: Printf holds it while it calls Write.
class CCriticalSection {
public:
    CCriticalSection() { InitializeCriticalSection(&section); }
    ~CCriticalSection() { DeleteCriticalSection(&section); }
    CCriticalSection(const CCriticalSection&) = delete;
    CCriticalSection& operator=(const CCriticalSection&) = delete;
    void Enter() { EnterCriticalSection(&section); }
    void Leave() { LeaveCriticalSection(&section); }

private:
    CRITICAL_SECTION section;
};

class CLockGuard {
public:
    explicit CLockGuard(CCriticalSection& lockToHold) : held(lockToHold) { held.Enter(); }
    ~CLockGuard() { held.Leave(); }
    CLockGuard(const CLockGuard&) = delete;
    CLockGuard& operator=(const CLockGuard&) = delete;

private:
    CCriticalSection& held;
};

// Every LF not preceded by CR becomes CR LF; nothing else changes.
std::string ConvertLineEnds(const char* text);

class CFileLog : public ILog {
public:
    CFileLog() = default;
    ~CFileLog() override;
    CFileLog(const CFileLog&) = delete;
    CFileLog& operator=(const CFileLog&) = delete;

    // Opens (creating or keeping) the file for appending; closes the previous one first.
    bool Open(const char* filePath);
    bool IsOpen() const { return file != INVALID_HANDLE_VALUE; }
    void Write(const char* text) override;
    void Printf(const char* format, ...) override;

private:
    void Close();

    std::string path;
    HANDLE file = INVALID_HANDLE_VALUE;
    CCriticalSection lock;
};

} // namespace SLOG
