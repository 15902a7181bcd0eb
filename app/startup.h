// Start-up: components, the window, its load-time steps, the second browser, the window shown.
#pragma once

#include "app/components.h"

#include <QString>
#include <functional>
#include <memory>
#include <span>

class Form1;

namespace app {
struct StartUp;
}

// The running program: the window with every subsystem attached.
class Program
{
public:
    ~Program();
    Form1 &form() const { return *m_form; }

private:
    friend struct app::StartUp;
    Program();
    struct Parts;
    std::unique_ptr<Form1> m_form;
    std::unique_ptr<Parts> m_parts;
};

namespace app {

struct StartOptions
{
    std::span<const ComponentFile> components = programComponents();
    // Told the name of each start-up step as it begins; for tests.
    std::function<void(const char *step, Program &)> trace;
};

struct StartResult
{
    std::unique_ptr<Program> program; // null when start-up failed
    std::optional<InstallFailure> failure;
};

// Runs start-up in order: component installation, then the window with its controls and the
// load-time steps (zone page in WebBrowser1 and silence, the result list's shape, start level
// "1" then end level "60"), then the portal page in WebBrowser2, then the window is shown on
// its first page at its wide form.
StartResult startUp(const StartOptions &options = {});

} // namespace app
