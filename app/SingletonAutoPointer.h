#pragma once
// A counted holder of one process-wide object per type: the first holder creates it,
// the last one destroys it.
#include <windows.h>

namespace SDP {

template <class T> class singleton_auto_pointer {
public:
    singleton_auto_pointer() {
        // Every holder is made on the GUI thread, so creation needs no lock.
        if (instance == nullptr) {
            instance = new T();
        }
        InterlockedIncrement(&count);
    }
    virtual ~singleton_auto_pointer() {
        InterlockedDecrement(&count);
        if (count == 0) {
            delete instance;
            instance = nullptr;
        }
    }
    singleton_auto_pointer(const singleton_auto_pointer&) = delete;
    singleton_auto_pointer& operator=(const singleton_auto_pointer&) = delete;

    T* operator->() const { return instance; }
    T& operator*() const { return *instance; }
    T* get() const { return instance; }

private:
    static T* instance;
    static LONG count;
};

template <class T> T* singleton_auto_pointer<T>::instance = nullptr;
template <class T> LONG singleton_auto_pointer<T>::count = 0;

} // namespace SDP
