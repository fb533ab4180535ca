#pragma once

namespace tevpng::ui {

// Takes the object layer down before the library's code goes away: stops every
// window and multimedia timer, destroys every window the layer made (children
// before parents, owned windows before owners) and the shared timer window,
// drops the library-wide application window and unregisters the layer's window
// classes. Window and timer objects still held elsewhere stay valid but have no
// windows; the layer can be used again afterwards. Call it on the thread that
// made the windows: on DLL_PROCESS_DETACH by FreeLibrary (reserved argument
// null); at process exit the windows go with the process.
void Shutdown();

}  // namespace tevpng::ui
