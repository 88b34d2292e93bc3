#pragma once

// kzr-admin import lives in a module of its own (kzradmin_import), the one part of the tool
// that needs widgets: it runs the screen. Loaded only for that command, before any application
// object exists, since the module makes the widget application the screen needs.
class ImportModule
{
public:
    // The module's exit code; AdminTool::Failed with a line on standard error when the module
    // cannot be found or loaded.
    static int run(int argc, char **argv);
};
