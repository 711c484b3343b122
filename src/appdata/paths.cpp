// Path texts, the file dialog call and the version test.
#include "appdata/paths.h"

#include <exception>
#include <filesystem>
#include <system_error>

#include "numerics/numerics.h"
#include "runtime/convert.h"

namespace nuvir::MUtilities {

namespace {

constexpr char kSep = '/';

std::string g_lastFolder;
bool g_lastFolderSet = false;

// Byte length of at most `count` UTF-8 characters at the start of s.
std::size_t Utf8Prefix(std::string_view s, std::size_t count) {
    std::size_t pos = 0;
    for (std::size_t n = 0; n < count && pos < s.size(); ++n) {
        ++pos;
        while (pos < s.size() && (static_cast<unsigned char>(s[pos]) & 0xC0) == 0x80) ++pos;
    }
    return pos;
}

bool HasWildcard(std::string_view s) { return s.find_first_of("*?") != std::string_view::npos; }

}  // namespace

bool FolderExists(const std::string& folder) {
    std::error_code ec;
    return std::filesystem::is_directory(std::filesystem::path(folder), ec);
}

// ---- path texts -----------------------------------------------------------------------

std::string RemoveExtension(std::string_view path) {
    for (std::size_t i = path.size(); i-- > 0;) {
        if (path[i] == kSep) break;
        if (path[i] == '.') return std::string(path.substr(0, i));
    }
    return std::string(path);
}

std::string GetPathPart(std::string_view path) {
    const std::size_t p = path.rfind(kSep);
    if (p == std::string_view::npos) return std::string(path);
    std::string folder(path.substr(0, p));
    if (folder.empty()) folder += kSep;
    return folder;
}

std::string AddBackslash(std::string_view path) {
    std::string out(path);
    if (out.empty() || out.back() != kSep) out += kSep;
    return out;
}

std::string GetFileName(std::string_view path) {
    const std::size_t p = path.rfind(kSep);
    return std::string(p == std::string_view::npos ? path : path.substr(p + 1));
}

std::string GetExtension(std::string_view name) {
    const std::size_t p = name.rfind('.');
    if (p == std::string_view::npos) return {};
    const std::string_view rest = name.substr(p + 1);
    return std::string(rest.substr(0, Utf8Prefix(rest, 3)));
}

// ---- file dialog ------------------------------------------------------------------------

std::string PatternExtensionText(std::string_view pattern) {
    const std::size_t p = pattern.find('.');
    std::string ext(p == std::string_view::npos ? pattern : pattern.substr(p + 1));
    if (ext == "*") ext = "All";
    return ext;
}

FileDialogRequest BuildFileDialogRequest(std::int16_t mode, std::string_view title, std::string_view pattern,
                                         std::string_view initialName, std::string_view lastFolder) {
    FileDialogRequest r;
    const std::string ext = PatternExtensionText(pattern);
    r.title = std::string(title);
    r.filterDescription = ext + " Files (" + std::string(pattern) + ")";
    r.filterPattern = std::string(pattern);
    // "*.*" means every file, with or without a dot in its name.
    r.matchPattern = pattern == "*.*" ? std::string("*") : CaseInsensitivePattern(pattern);
    r.defaultSuffix = ext;

    switch (mode) {
        case filemode::kSave:
            r.kind = FileDialogRequest::Kind::Save;
            r.overwritePrompt = true;
            r.hideReadOnly = true;
            break;
        case filemode::kOpenExisting:
            r.fileMustExist = true;
            r.hideReadOnly = true;
            break;
        case filemode::kOpenInFolder:
            r.pathMustExist = true;
            r.hideReadOnly = true;
            break;
        default: break;
    }

    // A full path as initial name (often with a wildcard name, "<folder>/*.raf") opens
    // in its folder; a wildcard name would only fill the name box with a pattern.
    std::string name;
    if (initialName.find(kSep) != std::string_view::npos) {
        r.directory = GetPathPart(initialName);
        name = GetFileName(initialName);
    } else {
        r.directory = std::string(lastFolder);
        name = std::string(initialName);
    }
    if (!HasWildcard(name)) r.fileName = name;
    return r;
}

std::string ShowFileDialog(FileDialogService& dialog, std::int16_t mode, std::string_view title,
                           std::string_view pattern, std::string_view initialName) {
    try {
        const FileDialogRequest request = BuildFileDialogRequest(mode, title, pattern, initialName, LastDialogFolder());
        std::string chosen = dialog.Show(request);
        if (chosen.empty()) return {};
        const bool hasFolder = chosen.find(kSep) != std::string::npos;
        const std::string folder = hasFolder ? GetPathPart(chosen) : LastDialogFolder();
        if (request.fileMustExist && !FileFunctions::FileExists(chosen)) return {};
        if ((request.pathMustExist || request.fileMustExist) && !FolderExists(folder)) return {};
        if (hasFolder) SetLastDialogFolder(folder);
        return chosen;
    } catch (...) {
        // A dialog that cannot be shown is the same as no choice to every caller.
        return {};
    }
}

std::string ShowFileDialog(std::int16_t mode, std::string_view title, std::string_view pattern,
                           std::string_view initialName) {
    return ShowFileDialog(FileDialogs(), mode, title, pattern, initialName);
}

std::string LastDialogFolder() {
    if (!g_lastFolderSet) {
        std::error_code ec;
        const auto cwd = std::filesystem::current_path(ec);
        g_lastFolder = ec ? std::string() : cwd.generic_string();
        g_lastFolderSet = true;
    }
    return g_lastFolder;
}

void SetLastDialogFolder(std::string folder) {
    g_lastFolder = std::move(folder);
    g_lastFolderSet = true;
}

// ---- file version -----------------------------------------------------------------------

Variant GetFileVersion(const std::string& /*path*/) {
    // Executables here carry no version resource.
    return Variant();
}

bool VersionAtLeast(const Variant& version, std::string_view required) {
    try {
        if (version.dims() != 1) return false;
        const std::vector<std::string> parts = Split(required, ".");
        const std::int32_t lower = version.lbound(1);
        const std::int32_t count = version.bounds(1).count();
        if (static_cast<std::int32_t>(parts.size()) != count) return false;
        for (std::int32_t i = 0; i < count; ++i) {
            const std::int32_t have = CLng(version(lower + i));
            const std::int32_t want = CLng(Variant(parts[static_cast<std::size_t>(i)]));
            // The first part that differs decides: 11.0.0.0 is later than 10.5.0.0.
            if (have != want) return have > want;
        }
        return true;
    } catch (...) {
        return false;
    }
}

bool IsVersionAtLeast(const std::string& path, std::string_view required) {
    try {
        return VersionAtLeast(GetFileVersion(path), required);
    } catch (...) {
        return false;
    }
}

}  // namespace nuvir::MUtilities
