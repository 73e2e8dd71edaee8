// The score server handing out the web game's files and the leaderboard: types, validators,
// gzip, HEAD, nothing outside the game's directory, and names that stay text.
#include <gtest/gtest.h>
#include <httplib.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <fstream>
#include <string>

#include "../support/filled_fifo.h"
#include "in_process_server.h"
#include "server/web_files.h"

namespace {

void writeFile(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

std::string gunzip(const std::string& data) {
    z_stream stream{};
    if (inflateInit2(&stream, 15 + 16) != Z_OK) return "<not gzip>";
    std::string out;
    char buffer[65536];
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    stream.avail_in = static_cast<uInt>(data.size());
    int result = Z_OK;
    while (result == Z_OK) {
        stream.next_out = reinterpret_cast<Bytef*>(buffer);
        stream.avail_out = sizeof buffer;
        result = inflate(&stream, Z_NO_FLUSH);
        out.append(buffer, sizeof buffer - stream.avail_out);
    }
    inflateEnd(&stream);
    return result == Z_STREAM_END ? out : "<not gzip>";
}

// A scratch directory holding web/ (the game's files) and a secret beside it.
struct WebTree {
    WebTree() : root(makeTempDirectory("scoreserver_web")), web(root + "web/") {
        ::mkdir(web.c_str(), 0755);
        writeFile(root + "secret.txt", "TOP SECRET");
    }
    ~WebTree() {
        std::error_code ignored;
        std::filesystem::remove_all(root, ignored);
    }
    std::string root, web;
};

std::string headerOr(const httplib::Result& result, const char* name) {
    return result && result->has_header(name) ? result->get_header_value(name) : "<none>";
}

}  // namespace

TEST(WebServingTest, ServesTheGameWithItsTypesValidatorsAndGzip) {
    WebTree tree;
    const std::string page = "<!DOCTYPE html><title>Vextorium2</title>";
    std::string wasm("\0asm\1\0\0\0", 8);
    for (int i = 0; i < 4000; ++i) wasm += static_cast<char>(i % 7);  // compresses well
    std::string script;
    for (int i = 0; i < 500; ++i) script += "var frame" + std::to_string(i) + " = 0;\n";
    writeFile(tree.web + "index.html", page);
    writeFile(tree.web + "vextorium2.wasm", wasm);
    writeFile(tree.web + "vextorium2.js", script);
    writeFile(tree.web + "music.wav", "RIFF....WAVE");
    ::mkdir((tree.web + "data").c_str(), 0755);
    writeFile(tree.web + "data/BrickMap.dat", std::string("\x01\x00\xff", 3));
    const WebFiles files(tree.web);
    InProcessServer server({}, &files);
    auto client = server.client();
    client.set_decompress(false);  // the bytes as sent

    auto index = client.Get("/");
    ASSERT_TRUE(index);
    EXPECT_EQ(index->status, 200);
    EXPECT_EQ(index->body, page);
    EXPECT_EQ(headerOr(index, "Content-Type"), "text/html; charset=utf-8");
    EXPECT_EQ(headerOr(index, "Cache-Control"), "no-cache");
    for (const auto& [path, type] : {std::pair{"/vextorium2.js", "text/javascript; charset=utf-8"},
                                     {"/music.wav", "audio/wav"},
                                     {"/data/BrickMap.dat", "application/octet-stream"}}) {
        auto reply = client.Get(path);
        ASSERT_TRUE(reply) << path;
        EXPECT_EQ(reply->status, 200) << path;
        EXPECT_EQ(headerOr(reply, "Content-Type"), type) << path;
    }

    // Plain to a client that does not take gzip (or refuses it with q=0), gzip to one that does.
    auto plain = client.Get("/vextorium2.wasm", {{"Accept-Encoding", "gzip;q=0, identity"}});
    ASSERT_TRUE(plain);
    EXPECT_TRUE(plain->body == wasm);
    EXPECT_EQ(headerOr(plain, "Content-Type"), "application/wasm");
    EXPECT_EQ(headerOr(plain, "Content-Encoding"), "<none>");
    for (const char* accepted : {"gzip", "deflate, GZIP;q=0.5", "br, *"}) {
        auto packed = client.Get("/vextorium2.wasm", {{"Accept-Encoding", accepted}});
        ASSERT_TRUE(packed) << accepted;
        EXPECT_EQ(headerOr(packed, "Content-Encoding"), "gzip") << accepted;
        EXPECT_EQ(headerOr(packed, "Vary"), "Accept-Encoding") << accepted;
        EXPECT_LT(packed->body.size(), wasm.size()) << accepted;
        EXPECT_TRUE(gunzip(packed->body) == wasm) << accepted;
    }

    // The validator brings 304 with no body; another file's validator does not.
    const std::string etag = headerOr(plain, "ETag");
    auto again = client.Get("/vextorium2.wasm", {{"If-None-Match", "\"other\", " + etag}});
    ASSERT_TRUE(again);
    EXPECT_EQ(again->status, 304);
    EXPECT_TRUE(again->body.empty());
    EXPECT_EQ(headerOr(again, "ETag"), etag);
    auto other = client.Get("/vextorium2.js", {{"If-None-Match", etag}});
    ASSERT_TRUE(other);
    EXPECT_EQ(other->status, 200);
    EXPECT_EQ(other->body, script);
    // Without an ETag the date the file was sent with counts; with one, the ETag alone does.
    const std::string date = headerOr(other, "Last-Modified");
    EXPECT_EQ(client.Get("/vextorium2.js", {{"If-Modified-Since", date}})->status, 304);
    EXPECT_EQ(client.Get("/vextorium2.js", {{"If-Modified-Since", date}, {"If-None-Match", etag}})
                  ->status,
              200);

    auto head = client.Head("/vextorium2.js");
    ASSERT_TRUE(head);
    EXPECT_EQ(head->status, 200);
    EXPECT_TRUE(head->body.empty());
    EXPECT_EQ(headerOr(head, "Content-Length"), std::to_string(script.size()));
    auto post = client.Post("/", "x", "text/plain");
    ASSERT_TRUE(post);
    EXPECT_EQ(post->status, 405);
    EXPECT_EQ(headerOr(post, "Allow"), "GET, HEAD");
    auto missing = server.client().Get("/nothing.js");
    ASSERT_TRUE(missing);
    EXPECT_EQ(missing->status, 404);
}

TEST(WebServingTest, NothingOutsideTheGamesRegularFilesIsServed) {
    WebTree tree;
    writeFile(tree.web + "index.html", "game");
    writeFile(tree.web + ".env", "TOP SECRET");
    ASSERT_EQ(::symlink("../secret.txt", (tree.web + "up.txt").c_str()), 0);
    ASSERT_EQ(::symlink((tree.root + "secret.txt").c_str(), (tree.web + "abs.txt").c_str()), 0);
    ASSERT_EQ(::symlink(tree.root.c_str(), (tree.web + "parent").c_str()), 0);
    // A FIFO holding the secret: a server that waited on it would read it after a while.
    testing_support::FilledFifo fifo(
        tree.web + "pipe.js",
        std::vector<uint8_t>{'T', 'O', 'P', ' ', 'S', 'E', 'C', 'R', 'E', 'T'});
    ASSERT_TRUE(fifo.ready());
    const WebFiles files(tree.web);
    EXPECT_EQ(files.count(), 1u);  // index.html alone
    InProcessServer server({}, &files);
    auto client = server.client();
    for (const char* target :
         {"/../secret.txt", "/%2e%2e/secret.txt", "/%2E%2E%2Fsecret.txt", "/..%2fsecret.txt",
          "/data/../../secret.txt", "//secret.txt", "/%2F..%2Fsecret.txt", "/..\\secret.txt",
          "/%5c..%5csecret.txt", "/up.txt", "/abs.txt", "/parent/secret.txt", "/pipe.js", "/.env",
          "/%2eenv", "/index.html%00.js", "/./index.html", "secret.txt",
          "http://127.0.0.1/../secret.txt"}) {
        auto reply = client.Get(target);
        ASSERT_TRUE(reply) << target;
        EXPECT_TRUE(reply->status == 400 || reply->status == 404) << target << ' ' << reply->status;
        EXPECT_EQ(reply->body.find("SECRET"), std::string::npos) << target;
    }
    EXPECT_EQ(client.Get("/index.html?v=2")->body, "game");  // a query does not matter
}

TEST(WebServingTest, WithoutTheGameTheRootSaysSoAndScoresStillWork) {
    WebTree tree;
    const WebFiles files(tree.web + "missing/");
    InProcessServer server({}, &files);
    auto client = server.client();
    auto root = client.Get("/");
    ASSERT_TRUE(root);
    EXPECT_EQ(root->status, 404);
    EXPECT_NE(root->body.find("not installed"), std::string::npos);
    EXPECT_EQ(client.Get("/Vextorium2/updateScore.php?myname=A&myscore=1")->status, 200);
    EXPECT_EQ(client.Get("/Vextorium2/updateScore.php")->body, ";A,1");
    // HEAD is answered wherever GET is, the list included; it never records an upload.
    const auto head = client.Head("/Vextorium2/updateScore.php");
    ASSERT_TRUE(head);
    EXPECT_EQ(head->status, 200);
    EXPECT_EQ(head->body, "");
    EXPECT_EQ(client.Head("/Vextorium2/updateScore.php?myname=H&myscore=1")->status, 405);
}

TEST(WebServingTest, LeaderboardPageAndJsonKeepNamesAsText) {
    InProcessServer server;
    auto client = server.client();
    EXPECT_EQ(client.Get("/scores.json")->body, "[]");
    // Uploaded in this order; the list puts higher scores first, earlier first on ties.
    for (const char* upload : {"?myname=%3Cscript%3E&myscore=300", "?myname=a%22b%5Cc&myscore=200",
                               "?myname=Zo%C3%AB&myscore=250", "?myname=T%26J'&myscore=200"})
        ASSERT_EQ(client.Get(std::string("/Vextorium2/updateScore.php") + upload)->status, 200);

    auto json = client.Get("/scores.json");
    ASSERT_TRUE(json);
    EXPECT_EQ(headerOr(json, "Content-Type"), "application/json");
    EXPECT_EQ(headerOr(json, "Cache-Control"), "no-cache");
    EXPECT_EQ(json->body,
              "[{\"rank\":1,\"name\":\"\\u003cscript\\u003e\",\"score\":300,\"proven\":false,"
              "\"pace\":100},"
              "{\"rank\":2,\"name\":\"Zo\xC3\xAB\",\"score\":250,\"proven\":false,\"pace\":100},"
              "{\"rank\":3,\"name\":\"a\\\"b\\\\c\",\"score\":200,\"proven\":false,\"pace\":100},"
              "{\"rank\":4,\"name\":\"T\\u0026J'\",\"score\":200,\"proven\":false,\"pace\":100}]");

    auto page = client.Get("/scores");
    ASSERT_TRUE(page);
    EXPECT_EQ(headerOr(page, "Content-Type"), "text/html; charset=utf-8");
    EXPECT_EQ(headerOr(page, "Cache-Control"), "no-cache");
    const std::string& html = page->body;
    EXPECT_NE(html.find("name=\"viewport\""), std::string::npos);
    EXPECT_EQ(html.find("<script"), std::string::npos);
    const size_t first = html.find(">&lt;script&gt;<");
    const size_t second = html.find(">Zo\xC3\xAB<");
    const size_t third = html.find(">a&quot;b\\c<");
    const size_t fourth = html.find(">T&amp;J&#39;<");
    ASSERT_NE(fourth, std::string::npos);
    EXPECT_TRUE(first < second && second < third && third < fourth);
}
