#pragma once
// Owning pointer for engine objects that are given back through their own Release().
#include <memory>

struct ReleaseDeleter {
    template <class T>
    void operator()(T* p) const noexcept {
        if (p) p->Release();
    }
};
template <class T>
using ReleasePtr = std::unique_ptr<T, ReleaseDeleter>;
