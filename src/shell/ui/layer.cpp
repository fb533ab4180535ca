#include "ui/layer.h"

#include "ui/application.h"
#include "ui/timers.h"
#include "ui/window.h"
#include "ui/window_class.h"

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
