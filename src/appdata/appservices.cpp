#include "appdata/appservices.h"

#include <QMessageBox>
#include <QString>
#include <filesystem>
#include <optional>
#include <system_error>

#include "runtime/convert.h"

namespace nuvir {

namespace {

AppFacts RunningExecutableFacts() {
    AppFacts facts;
    std::error_code ec;
    const auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (!ec) {
        facts.path = exe.parent_path().generic_string();
        facts.exeName = exe.stem().string();
    }
    if (facts.exeName.empty()) facts.exeName = "nuvir";
    return facts;
}

std::optional<AppFacts>& Facts() {
    static std::optional<AppFacts> facts;
    return facts;
}

QtMessageService& QtService() {
    static QtMessageService service;
    return service;
}

MessageService* g_messages = nullptr;

}  // namespace

const AppFacts& App() {
    auto& facts = Facts();
    if (!facts) facts = RunningExecutableFacts();
    return *facts;
}

void SetAppFacts(AppFacts facts) { Facts() = std::move(facts); }

void SetAppPath(const std::string& folder) {
    AppFacts facts = App();
    facts.path = folder;
    SetAppFacts(std::move(facts));
}

double RunningVersion() {
    // Major "." minor read as a number, so minor 10 gives 3.1 as it always has.
    return CDbl(Variant(std::to_string(App().major) + "." + std::to_string(App().minor)));
}

void QtMessageService::ShowMessage(const std::string& text, const std::string& title) {
    QString body = QString::fromStdString(text);
    body.remove(QLatin1Char('\r'));
    QMessageBox box(QMessageBox::NoIcon, QString::fromStdString(title), body, QMessageBox::Ok);
    box.exec();
}

MessageService& Messages() { return g_messages ? *g_messages : QtService(); }

void SetMessageService(MessageService* service) { g_messages = service; }

}  // namespace nuvir
