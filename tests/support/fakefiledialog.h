#pragma once
// A scripted file dialog for tests: answers from a queue, records every request.
#include <deque>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/filedialog.h"

namespace nuvir {

class FakeFileDialog : public FileDialogService {
public:
    // The next Show returns this path ("" acts as Cancel).
    void QueueAnswer(std::string path) { answers_.push_back(Answer{std::move(path), false}); }
    void QueueCancel() { QueueAnswer(""); }
    // The next Show throws, as a dialog that fails to open would.
    void QueueFailure() { answers_.push_back(Answer{{}, true}); }

    std::string Show(const FileDialogRequest& request) override {
        requests.push_back(request);
        if (answers_.empty()) return {};
        Answer a = std::move(answers_.front());
        answers_.pop_front();
        if (a.fail) throw std::runtime_error("file dialog failed");
        return a.path;
    }

    std::vector<FileDialogRequest> requests;

private:
    struct Answer {
        std::string path;
        bool fail = false;
    };
    std::deque<Answer> answers_;
};

}  // namespace nuvir
