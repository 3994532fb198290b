#pragma once

namespace app {

// The application object: settings location, paths, language, then the main window, run
// until it ends.
class CBrisvaneApp {
public:
    int Run(int argc, char** argv);
};

} // namespace app
