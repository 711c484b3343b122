// Writing through a temporary file and a rename.
#include "report/reportfile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

#include "platform/profile.h"

namespace nuvir {

namespace {

std::function<int(FileStage)>& Fault() {
    static std::function<int(FileStage)> fault;
    return fault;
}

int InjectedError(FileStage stage) { return Fault() ? Fault()(stage) : 0; }

}  // namespace

void SetFileFaultForTesting(std::function<int(FileStage)> fault) { Fault() = std::move(fault); }

AtomicFile::AtomicFile(std::string target) : target_(std::move(target)) {}

AtomicFile::~AtomicFile() { Abandon(); }

bool AtomicFile::Fail(const std::string& what, int errnoValue) {
    error_ = what + ": " + std::strerror(errnoValue);
    Abandon();
    return false;
}

bool AtomicFile::Open() {
    if (const int e = InjectedError(FileStage::Open)) return Fail(target_, e);
    struct stat st {};
    if (::stat(target_.c_str(), &st) == 0 && (!S_ISREG(st.st_mode) || profile::IsReadOnly(target_))) {
        return Fail(target_, S_ISDIR(st.st_mode) ? EISDIR : EACCES);
    }
    fd_ = profile::OpenTempBeside(target_, temp_);
    if (fd_ < 0) return Fail(target_, errno);
    return true;
}

bool AtomicFile::Write(std::string_view bytes) {
    if (fd_ < 0) return Fail(target_, EBADF);
    if (const int e = InjectedError(FileStage::Write)) return Fail(target_, e);
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd_, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            return Fail(target_, errno);
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

bool AtomicFile::Commit() {
    if (fd_ < 0) return Fail(target_, EBADF);
    if (const int e = InjectedError(FileStage::Commit)) return Fail(target_, e);
    if (::fsync(fd_) != 0) return Fail(target_, errno);
    const int fd = std::exchange(fd_, -1);
    if (::close(fd) != 0) return Fail(target_, errno);
    if (!profile::RenameOver(temp_, target_)) return Fail(target_, errno ? errno : EACCES);
    temp_.clear();
    return true;
}

void AtomicFile::Abandon() {
    if (fd_ >= 0) ::close(std::exchange(fd_, -1));
    if (!temp_.empty()) ::unlink(temp_.c_str());
    temp_.clear();
}

}  // namespace nuvir
