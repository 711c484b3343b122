#include "platform/openboxes.h"

#include <QApplication>
#include <QDialog>
#include <QPointer>
#include <QWidget>
#include <QTimer>

#include <algorithm>
#include <utility>
#include <vector>

namespace nuvir {

namespace {

BoxScope* g_innermost = nullptr;
int g_boxes = 0;
int g_shown = 0;
int g_closing = 0;
std::vector<RequestedClose*> g_requests;
QPointer<QWidget> g_commandWindow;

}  // namespace

// Each request waiting for a box or a close takes its next step from the loop.
class RequestedCloseAccess {
public:
    static void Changed() {
        for (RequestedClose* r : g_requests) {
            if (r->pending_) r->Post();
        }
    }
};

BoxScope::BoxScope(std::function<bool()> dismiss) : outer_(g_innermost), dismiss_(std::move(dismiss)) {
    g_innermost = this;
    ++g_boxes;
    ++g_shown;
    RequestedCloseAccess::Changed();
}

BoxScope::~BoxScope() {
    g_innermost = outer_;
    --g_boxes;
    RequestedCloseAccess::Changed();
}

ClosingScope::ClosingScope() { ++g_closing; }

ClosingScope::~ClosingScope() {
    --g_closing;
    RequestedCloseAccess::Changed();
}

int OpenBoxes() { return g_boxes; }

int BoxesShown() { return g_shown; }

bool ClosingUnderway() { return g_closing > 0; }

bool DismissInnermostBox() {
    if (g_innermost == nullptr || !g_innermost->dismiss_) return false;
    return g_innermost->dismiss_();
}

BoxesBelongTo::BoxesBelongTo(QWidget& window) : outer_(g_commandWindow) { g_commandWindow = &window; }

BoxesBelongTo::~BoxesBelongTo() { g_commandWindow = outer_; }

QWidget* CommandWindow() { return g_commandWindow; }

bool RejectIfOnTop(QDialog& dialog) {
    if (QApplication::activeModalWidget() != &dialog) return false;
    dialog.reject();
    return true;
}

RequestedClose::RequestedClose(std::function<void()> close, std::function<bool()> closed, std::function<bool()> refused,
                               QObject* parent)
    : QObject(parent), close_(std::move(close)), closed_(std::move(closed)), refused_(std::move(refused)) {
    g_requests.push_back(this);
}

RequestedClose::~RequestedClose() { std::erase(g_requests, this); }

void RequestedClose::Request() {
    if (closed_()) return;
    if (!ClosingUnderway() && OpenBoxes() == 0) {
        close_();
        return;
    }
    pending_ = true;
    Post();
}

void RequestedClose::Post() {
    if (posted_) return;
    posted_ = true;
    QTimer::singleShot(0, this, [this] {
        posted_ = false;
        Step();
    });
}

void RequestedClose::Step() {
    if (!pending_) return;
    if (closed_()) {
        pending_ = false;
        return;
    }
    // The close asking its questions has the last word; its end brings the next step.
    if (ClosingUnderway()) return;
    if (OpenBoxes() > 0) {
        // A close refused now would only have cost the analyst the box.
        if (refused_ && refused_()) {
            pending_ = false;
            return;
        }
        // The box's end brings the next step, from the loop the code that showed it
        // returns to; a box that waits for its answer is waited for.
        DismissInnermostBox();
        return;
    }
    pending_ = false;
    close_();
}

}  // namespace nuvir
