#pragma once

#include <new>
#include <utility>

namespace tevpng::ui {

// Static storage for a registry that is never destroyed. Objects owned by other
// statics (the plug-in's module state) leave the layer's registries during
// static destruction, in an order nobody controls; a registry that outlives
// them all keeps that safe. Shutdown empties the registries, so nothing is held.
template <typename T>
class Immortal {
public:
    T& Get() {
        if (!made_) {
            new (storage_) T();
            made_ = true;
        }
        return *std::launder(reinterpret_cast<T*>(storage_));
    }

private:
    alignas(T) unsigned char storage_[sizeof(T)];
    bool made_ = false;
};

}  // namespace tevpng::ui
