#include "win/layer.h"

#include "win/application.h"
#include "win/timers.h"
#include "win/window.h"
#include "win/window_class.h"

namespace tevpng::ui {

void Shutdown() {
    MultimediaTimer::StopAll();
    WindowTimer::StopAll();
    Window::DestroyEveryWindow();
    ReleaseApplicationWindow();
    // A WM_DESTROY hook may have started a timer again.
    MultimediaTimer::StopAll();
    WindowTimer::StopAll();
    UnregisterWindowClasses();
}

}  // namespace tevpng::ui
