// Reading the web game's directory into memory, and the header rules for handing it out.
#include "server/web_files.h"

#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <zlib.h>

#include <cctype>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <filesystem>

#include "platform/files.h"
#include "server/header_text.h"

namespace {

constexpr int kGzipWindowBits = 15 + 16;  // deflate with a gzip wrapper
constexpr int kMemoryLevel = 8;
constexpr size_t kWorthwhilePercent = 90;  // keep the gzip form at 90 % of the size or less

// The gzip form of `data`, or "" when it would not be small enough to be worth sending.
std::string gzipOf(const std::string& data) {
    z_stream stream{};
    if (deflateInit2(&stream, Z_BEST_COMPRESSION, Z_DEFLATED, kGzipWindowBits, kMemoryLevel,
                     Z_DEFAULT_STRATEGY) != Z_OK)
        return {};
    std::string out(deflateBound(&stream, data.size()), '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    stream.avail_in = static_cast<uInt>(data.size());
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = static_cast<uInt>(out.size());
    const int result = deflate(&stream, Z_FINISH);
    out.resize(stream.total_out);
    deflateEnd(&stream);
    if (result != Z_STREAM_END || out.size() * 100 > data.size() * kWorthwhilePercent) return {};
    return out;
}

// FNV-1a over the bytes, with the length: a validator that changes whenever the file does.
std::string etagOf(const std::string& data) {
    uint64_t hash = 0xcbf29ce484222325u;
    for (unsigned char c : data) hash = (hash ^ c) * 0x100000001b3u;
    char text[64];
    std::snprintf(text, sizeof text, "W/\"%016llx-%zx\"", static_cast<unsigned long long>(hash),
                  data.size());
    return text;
}

std::string httpDate(time_t when) {
    tm utc{};
    gmtime_r(&when, &utc);
    char text[64];
    std::strftime(text, sizeof text, "%a, %d %b %Y %H:%M:%S GMT", &utc);
    return text;
}

// Calls `each` with every trimmed, non-empty element of a comma-separated header value.
template <typename Each>
void forEachListItem(std::string_view value, Each each) {
    while (!value.empty()) {
        const size_t comma = value.find(',');
        const std::string_view item = trim(value.substr(0, comma));
        if (!item.empty()) each(item);
        if (comma == std::string_view::npos) break;
        value.remove_prefix(comma + 1);
    }
}

// q=0 (or 0.0, 0.000) refuses a coding; any other weight, or none, accepts it.
bool nonzeroWeight(std::string_view parameters) {
    for (size_t semicolon = parameters.find(';'); semicolon != std::string_view::npos;
         semicolon = parameters.find(';', semicolon + 1)) {
        const std::string_view parameter = trim(
            parameters.substr(semicolon + 1, parameters.find(';', semicolon + 1) - semicolon - 1));
        if (parameter.size() < 2 || std::tolower(static_cast<unsigned char>(parameter[0])) != 'q' ||
            parameter[1] != '=')
            continue;
        const std::string_view q = trim(parameter.substr(2));
        return q.find_first_not_of("0.") != std::string_view::npos;
    }
    return true;
}

}  // namespace

WebFiles::WebFiles(const std::string& directory) {
    char resolved[PATH_MAX];
    if (::realpath(directory.c_str(), resolved) == nullptr) return;
    const std::string root = resolved;
    if (root == "/") {  // the whole file system is never anyone's web game
        skipped.push_back("the root directory is not served");
        return;
    }
    namespace fs = std::filesystem;
    std::error_code error;
    fs::recursive_directory_iterator it(root, fs::directory_options::skip_permission_denied, error);
    size_t total = 0;
    for (; !error && it != fs::recursive_directory_iterator(); it.increment(error)) {
        const std::string name = it->path().filename().string();
        const std::string relative = it->path().lexically_relative(root).generic_string();
        if (name.empty() || name[0] == '.') {
            it.disable_recursion_pending();
            skipped.push_back(relative + ": hidden, not served");
            continue;
        }
        std::error_code typeError;
        if (it->is_directory(typeError) || typeError) continue;
        if (files.size() >= kMaxFiles) {
            skipped.push_back("more than " + std::to_string(kMaxFiles) + " files: " + relative +
                              " and what follows left out");
            break;
        }
        add(root, relative, total);
    }
}

void WebFiles::add(const std::string& root, const std::string& relative, size_t& total) {
    const std::string path = root + "/" + relative;
    char resolved[PATH_MAX];
    if (::realpath(path.c_str(), resolved) == nullptr ||
        std::string_view(resolved).rfind(root + "/", 0) != 0) {
        skipped.push_back(relative + ": leads outside the directory");
        return;
    }
    // The size and date first, then the bytes through the one reading service, which opens
    // without blocking (a FIFO is not waited on) and reads regular files only.
    struct stat status {};
    if (::stat(resolved, &status) != 0 || !S_ISREG(status.st_mode)) {
        skipped.push_back(relative + ": not a regular file that can be read");
        return;
    }
    const size_t size = static_cast<size_t>(status.st_size);
    if (size > kMaxFileBytes || total + size > kMaxTotalBytes) {
        skipped.push_back(relative + ": over the size limit");
        return;
    }
    const platform::FileRead read =
        platform::readFile(resolved, kMaxFileBytes, platform::Longer::Refused);
    if (read.result != platform::FileRead::Read) {
        skipped.push_back(relative + ": not a regular file that can be read");
        return;
    }
    WebFile file;
    file.body.assign(read.bytes.begin(), read.bytes.end());
    total += file.body.size();
    file.gzipped = gzipOf(file.body);
    file.contentType = contentTypeFor(relative);
    file.etag = etagOf(file.body);
    file.lastModified = httpDate(status.st_mtime);
    files.emplace(relative, std::move(file));
}

const WebFile* WebFiles::find(std::string_view path) const {
    if (!safeWebPath(path)) return nullptr;
    std::string relative(path.substr(1));
    if (relative.empty() || relative.back() == '/') relative += "index.html";
    const auto it = files.find(relative);
    return it == files.end() ? nullptr : &it->second;
}

bool safeWebPath(std::string_view path) {
    if (path.empty() || path[0] != '/') return false;
    if (path.find('\0') != std::string_view::npos || path.find('\\') != std::string_view::npos)
        return false;
    for (size_t start = 1; start < path.size();) {
        const size_t slash = path.find('/', start);
        const std::string_view segment = path.substr(start, slash - start);
        if (segment.empty() || segment[0] == '.') return false;
        if (slash == std::string_view::npos) break;
        start = slash + 1;
    }
    return true;
}

std::string contentTypeFor(std::string_view name) {
    static const std::pair<std::string_view, std::string_view> kTypes[] = {
        {".html", "text/html; charset=utf-8"},
        {".js", "text/javascript; charset=utf-8"},
        {".mjs", "text/javascript; charset=utf-8"},
        {".wasm", "application/wasm"},  // browsers compile it while it downloads only with this
        {".css", "text/css; charset=utf-8"},
        {".png", "image/png"},
        {".ico", "image/x-icon"},
        {".svg", "image/svg+xml"},
        {".json", "application/json"},
        {".webmanifest", "application/manifest+json"},
        {".wav", "audio/wav"},
        {".txt", "text/plain; charset=utf-8"},
    };
    for (const auto& [extension, type] : kTypes)
        if (name.size() > extension.size() &&
            equalsIgnoringCase(name.substr(name.size() - extension.size()), extension))
            return std::string(type);
    return "application/octet-stream";  // .data, .dat and anything unknown
}

bool acceptsGzip(std::string_view acceptEncoding) {
    bool named = false, gzip = false, any = false;
    forEachListItem(acceptEncoding, [&](std::string_view item) {
        const size_t semicolon = item.find(';');
        const std::string_view coding = trim(item.substr(0, semicolon));
        const std::string_view parameters =
            semicolon == std::string_view::npos ? std::string_view() : item.substr(semicolon);
        if (equalsIgnoringCase(coding, "gzip") || equalsIgnoringCase(coding, "x-gzip")) {
            named = true;
            gzip = nonzeroWeight(parameters);
        } else if (coding == "*") {
            any = nonzeroWeight(parameters);
        }
    });
    return named ? gzip : any;
}

bool etagMatches(std::string_view ifNoneMatch, std::string_view etag) {
    const auto opaque = [](std::string_view tag) {
        return tag.rfind("W/", 0) == 0 ? tag.substr(2) : tag;
    };
    bool matched = false;
    forEachListItem(ifNoneMatch, [&](std::string_view item) {
        if (item == "*" || opaque(item) == opaque(etag)) matched = true;
    });
    return matched;
}
