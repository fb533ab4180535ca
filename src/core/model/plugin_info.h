#pragma once

// The texts the host shows in its plug-in catalogue. They live as long as the
// library, so the exports hand out pointers to them directly.
namespace tevpng::info {

inline constexpr char ShortInfo[] = "Tolvane Varnelix plugin v3.0";

inline constexpr char About[] =
    "Tolvane Labs Varnelix - Varnelix Page Plug-ins SDK\r\n"
    "http://www.tolvane-labs.example/varnelix\r\n"
    "WRITTEN BY THE TOLVANE LABS IMAGING TEAM\r\n";

inline constexpr char CopyrightNotice[] = "Copyright (c) 2026 Tolvane Labs. All rights reserved.";

}  // namespace tevpng::info
