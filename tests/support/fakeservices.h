#pragma once
// Scripted stand-ins for the modal services, for tests: each answers from a queue
// and records what it was asked.
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/services.h"

namespace nuvir {

class FakeMessageBox : public MessageBoxService {
public:
    struct Call {
        std::string text;
        int style = 0;
        std::string title;
    };
    // The next Show returns this answer. Without a queued answer Show gives the
    // first button of the style (OK, Abort, Yes or Retry).
    void QueueAnswer(int answer) { answers_.push_back(answer); }

    int Show(const std::string& text, int style, const std::string& title) override {
        calls.push_back({text, style, title});
        if (!answers_.empty()) {
            const int a = answers_.front();
            answers_.pop_front();
            return a;
        }
        switch (style & 7) {
            case mb::AbortRetryIgnore: return mb::Abort;
            case mb::YesNoCancel:
            case mb::YesNo: return mb::Yes;
            case mb::RetryCancel: return mb::Retry;
            default: return mb::OK;
        }
    }

    std::vector<Call> calls;

private:
    std::deque<int> answers_;
};

class FakeColourDialog : public ColourDialogService {
public:
    void QueueColour(Colour c) { answers_.push_back(c); }
    void QueueCancel() { answers_.push_back(std::nullopt); }

    std::optional<Colour> ChooseColour(Colour initial) override {
        initials.push_back(initial);
        if (answers_.empty()) return std::nullopt;
        auto a = answers_.front();
        answers_.pop_front();
        return a;
    }

    std::vector<Colour> initials;

private:
    std::deque<std::optional<Colour>> answers_;
};

class FakeHelp : public HelpService {
public:
    struct Call {
        std::string file;
        int context = 0;
    };
    void ShowHelp(const std::string& helpFile, int contextId) override { calls.push_back({helpFile, contextId}); }
    std::vector<Call> calls;
};

class FakeViewer : public ViewerService {
public:
    bool OpenInViewer(const std::string& path) override {
        opened.push_back(path);
        return openSucceeds;
    }
    std::string AssociatedProgram(const std::string& path) override {
        asked.push_back(path);
        return program;
    }
    bool StartProgram(const std::string& program, const std::string& argument) override {
        started.push_back({program, argument});
        return startSucceeds;
    }
    bool openSucceeds = true;
    bool startSucceeds = true;
    std::string program = "viewer.desktop";
    std::vector<std::string> opened;
    std::vector<std::string> asked;
    // Program and argument of each start.
    std::vector<std::pair<std::string, std::string>> started;
};

class FakeYield : public YieldService {
public:
    void Yield() override {
        ++count;
        if (onYield) onYield();
    }
    int count = 0;
    // Runs at every yield: a test can change state "while the event loop runs".
    std::function<void()> onYield;
};

// All five fakes installed for the life of the object.
class FakeServices {
public:
    FakeServices() : scope_(ServiceSet{&messageBox, &colourDialog, &help, &viewer, &yield}) {}
    FakeMessageBox messageBox;
    FakeColourDialog colourDialog;
    FakeHelp help;
    FakeViewer viewer;
    FakeYield yield;

private:
    ScopedServices scope_;
};

}  // namespace nuvir
