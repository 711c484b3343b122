#include <QApplication>
#include <QSocketNotifier>
#include <cerrno>
#include <csignal>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include "appdata/appservices.h"
#include "dialogs/optionsdialog.h"
#include "mainwindow/batchwindowpart.h"
#include "mainwindow/riskmain.h"
#include "mainwindow/settingsfolder.h"
#include "mainwindow/windowchain.h"
#include "mainwindow/windowresults.h"
#include "mainwindow/windowuncertainty.h"
#include "platform/handlerguard.h"
#include "platform/openboxes.h"
#include "platform/services_qt.h"
#include "report/rtfviewer.h"

namespace {

int g_signalFds[2] = {-1, -1};

void OnTerminate(int) {
    const int savedErrno = errno;
    const char c = 1;
    // Never waits: a full queue already holds a close on its way.
    [[maybe_unused]] auto n = ::send(g_signalFds[0], &c, 1, MSG_DONTWAIT | MSG_NOSIGNAL);
    errno = savedErrno;
}

sigset_t TerminationSignals() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGINT);
    return set;
}

// Until the start-up has read the settings, SIGTERM and SIGINT end the program at once
// (their default action) and nothing is written: a close then would write back folders
// and settings not read yet (empty folders), and a start-up box waiting for its OK must
// not hold them off. Not blocked, whatever the program inherited; an ignored SIGINT stays
// ignored (a shell ignores it for a job in the background, whose Ctrl+C is the script's).
// True when SIGINT is to be heard.
bool EndAtOnceOnTermination() {
    struct sigaction inherited {};
    ::sigaction(SIGINT, nullptr, &inherited);
    const bool hearInterrupt = inherited.sa_handler != SIG_IGN;
    std::signal(SIGTERM, SIG_DFL);
    if (hearInterrupt) std::signal(SIGINT, SIG_DFL);
    const sigset_t set = TerminationSignals();
    ::pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
    return hearInterrupt;
}

// Held from before Qt starts its threads, which keep them held, until the start-up has
// chosen its folders: the folder probe then leaves no file behind, and the signals go to
// the window thread only.
void HoldTermination(bool on) {
    const sigset_t set = TerminationSignals();
    ::pthread_sigmask(on ? SIG_BLOCK : SIG_UNBLOCK, &set, nullptr);
}

// From then on, each SIGTERM and SIGINT asks for the close the window's close box asks
// for, so the shut-down work (settings written back) runs on the window thread, never
// under a box whose code would run on in a window the close frees (RequestedClose). One
// the close refuses (a batch run going on, the batch list's save question cancelled)
// leaves the next one heard.
void InstallTerminationHandler(QApplication& app, nuvir::FRiskMain& window, const bool& closed, bool hearInterrupt) {
    if (g_signalFds[0] >= 0 || ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, g_signalFds) != 0) return;
    auto* closer = new nuvir::RequestedClose(
        [&window] { nuvir::RunGuarded(nuvir::GuardPolicy::Swallow, "Closing NUVIR", [&window] { window.close(); }); },
        [&closed] { return closed; }, [&window] { return window.Results().BatchMode(); }, &app);
    auto* notifier = new QSocketNotifier(g_signalFds[1], QSocketNotifier::Read, &app);
    QObject::connect(notifier, &QSocketNotifier::activated, &app, [notifier, closer, &closed] {
        char bytes[64];
        while (::recv(g_signalFds[1], bytes, sizeof bytes, MSG_DONTWAIT) > 0) {
        }
        if (!closed) nuvir::RunGuarded(nuvir::GuardPolicy::Swallow, "Closing NUVIR", [closer] { closer->Request(); });
        notifier->setEnabled(!closed);
    });
    struct sigaction sa {};
    sa.sa_handler = OnTerminate;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    ::sigaction(SIGTERM, &sa, nullptr);
    if (hearInterrupt) ::sigaction(SIGINT, &sa, nullptr);
}

}  // namespace

int main(int argc, char** argv) {
    const bool hearInterrupt = EndAtOnceOnTermination();
    HoldTermination(true);
    // Under a file-size limit ("ulimit -f") a write past it would end the program with
    // SIGXFSZ, the analyst's unsaved work with it; ignored, the write fails with EFBIG
    // and the operation says so, as on a full disk. Set before anything writes a file.
    std::signal(SIGXFSZ, SIG_IGN);
    QApplication app(argc, argv);
    nuvir::InstallQtServices();
    QApplication::setApplicationName("NUVIR");

    // The settings files follow the program folder unless it is read-only.
    const nuvir::ProgramFolders folders = nuvir::DecideProgramFolders(nuvir::App().path);
    nuvir::SetAppPath(folders.settings);
    HoldTermination(false);

    nuvir::MainWindowParts parts;
    parts.makeChain = [] { return std::make_unique<nuvir::WindowChain>(); };
    parts.makeUncertainty = [] { return std::make_unique<nuvir::WindowUncertainty>(); };
    parts.makeResults = [](nuvir::FRiskMain& w) { return std::make_unique<nuvir::WindowResults>(w); };
    parts.findRtfViewer = [] { return nuvir::FindRtfViewer(); };
    parts.showOptions = [](nuvir::FRiskMain& owner, double plotType) {
        nuvir::FOptions dialog(&owner);
        dialog.PlotType = plotType;
        dialog.ShowModal();
        return nuvir::OptionsOutcome{dialog.PlotType, dialog.OptionsChanged};
    };
    parts.makeBatchWindow = nuvir::MakeBatchWindow;
    nuvir::FRiskMain window(std::move(parts), folders.documents);
    bool closed = false;
    QObject::connect(&window, &nuvir::FRiskMain::ReadyToClose, &app, [&app, &window, &closed, hearInterrupt] {
        InstallTerminationHandler(app, window, closed, hearInterrupt);
    });
    QObject::connect(&window, &nuvir::FRiskMain::Closed, &app, [&closed] { closed = true; });
    QObject::connect(&window, &nuvir::FRiskMain::Closed, &app, &QApplication::quit, Qt::QueuedConnection);
    window.Show();
    return QApplication::exec();
}
