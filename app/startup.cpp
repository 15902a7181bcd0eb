#include "app/startup.h"

#include "app/behaviours/numericfilter.h"
#include "app/behaviours/windowbehaviours.h"
#include "app/window/form1.h"
#include "app/window/instructionpicture.h"
#include "app/window/quietpage.h"
#include "levelling/levellingcalculator.h"
#include "links/webshortcuts.h"
#include "lookup/capture/capturelookup.h"
#include "lookup/lookuppage.h"
#include "lookup/resultmodel.h"
#include "siteconfig.h"
#include "warsoul/warsoulevaluator.h"

#include <QLineEdit>
#include <QTabWidget>
#include <QTimer>
#include <QUrl>
#include <QWebEngineView>

// What the subsystems attach to the window; each lives as long as the window.
namespace {
// How long after the window shows the capture keys and engine are set up.
constexpr int kCaptureWarmUpDelayMs = 1000;
} // namespace

struct Program::Parts
{
    std::unique_ptr<LevellingCalculator> levelling;
    std::unique_ptr<LookupPage> lookup;
    std::unique_ptr<capture::CaptureLookup> capture;
    std::unique_ptr<NumericEntryFilter> numericFilter;
    std::unique_ptr<WarSoulEvaluator> warSoul;
    std::unique_ptr<WindowBehaviours> behaviours;
    std::unique_ptr<WebShortcuts> shortcuts;
};

Program::Program() = default;
Program::~Program()
{
    m_parts.reset();
}

namespace app {

struct StartUp
{
    const StartOptions &options;
    Program *program = nullptr;

    void step(const char *name) const
    {
        if (options.trace && program)
            options.trace(name, *program);
    }

    // The load-time steps, run once the controls exist and before the window is shown.
    void formLoad() const
    {
        const window::Controls &controls = program->form().controls();
        QWebEngineView *browser = controls.WebBrowser1;
        step("WebBrowser1.Navigate");
        browser->load(QUrl(QString::fromUtf16(site::zoneHomeAddress)));
        step("WebBrowser1.Silent");
        static_cast<QuietPage *>(browser->page())->setSilent(true);
        step("ListView1.shape");
        shapeResultList(controls.ListView1);
        step("load defaults");
        controls.Text4->setText(QStringLiteral("1"));
        controls.Text5->setText(QStringLiteral("60"));
    }

    StartResult run()
    {
        StartResult result;
        if (auto failure = installComponents(options.components)) {
            result.failure = std::move(failure);
            return result;
        }

        std::unique_ptr<Program> made(new Program);
        program = made.get();
        made->m_form = std::make_unique<Form1>();
        // The instruction picture belongs to the window's design: there before any load step.
        const window::Controls &controls = made->form().controls();
        window::showInstructionPicture(controls);
        made->m_parts = std::make_unique<Program::Parts>();
        made->m_parts->behaviours = std::make_unique<WindowBehaviours>(controls);
        made->m_parts->shortcuts = std::make_unique<WebShortcuts>(controls);
        made->m_parts->numericFilter = std::make_unique<NumericEntryFilter>(controls);
        made->m_parts->warSoul = std::make_unique<WarSoulEvaluator>(controls);
        made->m_parts->levelling = std::make_unique<LevellingCalculator>(controls);
        made->m_parts->lookup = std::make_unique<LookupPage>(controls);
        made->m_parts->capture =
            std::make_unique<capture::CaptureLookup>(controls, *made->m_parts->lookup);

        // The hidden browser loads unseen and stays silent: nobody could answer its dialogs.
        QWebEngineView *portal = controls.WebBrowser2;
        static_cast<QuietPage *>(portal->page())->setSilent(true);

        step("Form_Load");
        formLoad();
        step("WebBrowser2.Navigate");
        portal->load(QUrl(QString::fromUtf16(site::portalHomeAddress)));

        step("show");
        controls.SSTab1->setCurrentIndex(0);
        made->form().show();
        // The global key and the recognition engine once the window is up: loading the engine
        // takes a few tenths of a second of one core, which the window's first paint and the
        // first keystrokes should not share.
        QTimer::singleShot(kCaptureWarmUpDelayMs, made->m_parts->capture.get(),
                           &capture::CaptureLookup::windowShown);
        result.program = std::move(made);
        return result;
    }
};

StartResult startUp(const StartOptions &options)
{
    StartUp s{options};
    return s.run();
}

} // namespace app
