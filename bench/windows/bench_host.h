#pragma once
// How the Windows benchmarks start: the plug-in loaded and bound to a page of its own, as a
// host does.

#include <cstdio>
#include <memory>

#include "host_page.h"
#include "plugin_dll.h"

namespace tevbench {

// The page the plug-in is bound to; null, after saying so, when the DLL cannot be loaded.
inline std::unique_ptr<tevtest::HostPage> BindToNewPage(tevtest::PluginDll& dll) {
    if (!dll.Loaded()) {
        std::printf("cannot load %s\n", dll.Path().c_str());
        return nullptr;
    }
    auto page = tevtest::HostPage::ChildOfParent(320, 200);
    dll.SetParentWindow(page->Window());
    return page;
}

}  // namespace tevbench
