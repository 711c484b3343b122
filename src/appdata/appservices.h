#pragma once
// What the data layer needs of the platform: the application's facts (program folder,
// executable name, version) and a modal message box. Both are injectable so tests point
// the program folder at a temporary folder and see messages without a screen.
#include <memory>
#include <string>
#include <vector>

namespace nuvir {

struct AppFacts {
    std::string path;     // the program's folder, "/" separators, no trailing "/"
    std::string exeName;  // the executable's name without extension
    int major = 3;
    int minor = 2;
};

// The facts in use. Until SetAppFacts is called: the folder and name of the running
// executable, version 3.2.
const AppFacts& App();
void SetAppFacts(AppFacts facts);
// Only the program folder, as tests need.
void SetAppPath(const std::string& folder);

// The running version, major "." minor, as a number (3.2).
double RunningVersion();

// A modal message with an OK button and no icon. Line breaks in the text are CR LF.
class MessageService {
public:
    virtual ~MessageService() = default;
    virtual void ShowMessage(const std::string& text, const std::string& title) = 0;
};

// Shows an OK-only Qt message box without an icon.
class QtMessageService : public MessageService {
public:
    void ShowMessage(const std::string& text, const std::string& title) override;
};

// Records every message instead of showing it.
class RecordingMessageService : public MessageService {
public:
    struct Message {
        std::string text;
        std::string title;
    };
    void ShowMessage(const std::string& text, const std::string& title) override {
        messages.push_back({text, title});
    }
    std::vector<Message> messages;
};

// The service in use (a QtMessageService until another is set). Passing nullptr
// restores the Qt one. The caller keeps ownership of what it sets.
MessageService& Messages();
void SetMessageService(MessageService* service);

}  // namespace nuvir
