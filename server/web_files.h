// WebFiles: the built web game the server hands out at '/', read from its directory once when
// the server starts. Each regular file is kept whole in memory beside its gzip form, so a
// request never touches the disk and the memory is known and bounded from the start.
#pragma once
#include <cstddef>
#include <map>
#include <string>
#include <string_view>
#include <vector>

struct WebFile {
    std::string body;
    std::string gzipped;  // empty when compressing saves too little to be worth it
    std::string contentType;
    std::string etag;          // W/"..." from the bytes, the same for both encodings
    std::string lastModified;  // an HTTP date
};

class WebFiles {
  public:
    static constexpr size_t kMaxFileBytes = size_t{64} << 20;
    static constexpr size_t kMaxTotalBytes = size_t{256} << 20;  // raw bytes of all files
    static constexpr size_t kMaxFiles = 4096;

    // Reads every regular file under `directory` whose path stays inside it once symbolic links
    // are resolved. Names beginning with '.', anything else (FIFOs, sockets, devices: never
    // opened so as to wait) and files beyond the limits are left out, each with a line in
    // notes() ("PATH: why"). Directories reached through symbolic links are not entered.
    explicit WebFiles(const std::string& directory);

    // Whether the directory holds the game's page, index.html.
    bool installed() const { return files.count("index.html") != 0; }
    size_t count() const { return files.size(); }
    const std::vector<std::string>& notes() const { return skipped; }

    // The file for a percent-decoded request path ("/" and "/dir/" mean their index.html),
    // or null when there is none or the path is not safe.
    const WebFile* find(std::string_view path) const;

  private:
    void add(const std::string& root, const std::string& relative, size_t& total);

    std::map<std::string, WebFile, std::less<>> files;  // by path below the directory
    std::vector<std::string> skipped;
};

// A request path may name a web file when it begins with '/' and has no NUL, no backslash and
// no segment that is empty or begins with '.' (which covers "." and "..").
bool safeWebPath(std::string_view path);

// The Content-Type for a file name, from its extension.
std::string contentTypeFor(std::string_view name);

// Whether an Accept-Encoding header value admits gzip (by name or '*', with a nonzero q).
bool acceptsGzip(std::string_view acceptEncoding);

// Whether an If-None-Match header value names `etag` (weak comparison) or is '*'.
bool etagMatches(std::string_view ifNoneMatch, std::string_view etag);
